// The readers: one simulated sensor, opened and closed through reader handles.
#pragma once
#include "ovbioapi.h"

bool IsOpenReader(HBIOREADER reader);
