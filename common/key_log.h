// Trace lines of the key library. They go to the module's own log, whichever of the two
// writers the module started (the wide log in the GINA and the panel, the short log in
// the 9x providers); a writer never started writes nothing.
#pragma once
#include <windows.h>

#include "log.h"

void KeyLog(int level, const char* name, const char* format, ...);
