// The driver lives in Driver.h; this file gives builds that name it a unit of its own.
#include "e2e/driver/Driver.h"
