// Windows version class of the running system (see version_class.h for the values).
#pragma once
#include "version_class.h"

int GetWindowsVersionClass(VersionClassTable table = VersionClassTable::Wide);
