// Saved window geometry: the windows register under their window names
// ("FCtrl", "Fnotepad", ...); at start-up the saved positions are applied to
// them, and when the database closes their current geometry is collected for
// the settings file.  A name whose window does not exist keeps the values
// last read, so nothing saved is lost.
#pragma once

#include "data/SettingsFile.h"

#include <vector>

class QWidget;

// Registers a window under its objectName().
void RegisterForm(QWidget* window);
// Applies each coordinate that is 0 or more; a negative one leaves the
// window's designed value.
void ApplyFormPositions(const std::vector<FormPosition>& positions);
// The geometry of every named window, in the settings file's order.
std::vector<FormPosition> CollectFormPositions();
