// The start-up of the program on its default data folder: the folder "DATA/"
// beside the program file is opened (made when missing), and the repeaters'
// instances are generated when the day differs from the last generation day.
#pragma once

#include "ledger/Database.h"

#include <QString>
#include <functional>

class TFCore;

// programFolder ends in "/".  Shows "Opening database ..." on the status
// panel, sets the data folder to programFolder + "DATA/", opens it, and when
// it opened and today is not GenTo, generates the instances of all active
// repeaters.  Returns OpenDatabase's result (Declined: end the program now).
// generate, when given, runs in place of GenerateAllRepeaters(core): a caller
// that records what the generation writes (the crash driver) wraps it there.
OpenResult StartUp(TFCore& core, const QString& programFolder, const std::function<void()>& generate = {});
