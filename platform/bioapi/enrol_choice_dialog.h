// The enrolment choice: enrol a new BIO ID or, when the key carries one, remove it.
// Modal on the calling thread.
#pragma once
#include "sensor_settings.h"

// ERROR_SUCCESS with the choice, or ERROR_CANCELLED.
DWORD RunEnrolChoiceDialog(HWND owner, bool offerRemove, const SensorSettings& settings, EnrolChoice* choice);
