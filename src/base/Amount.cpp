#include "base/Amount.h"
