#include "base/Files.h"
