// The capture dialog: "Place your finger on the sensor..." until the finger is read,
// the person cancels or no finger arrives. Modal on the calling thread.
#pragma once
#include "bio_template.h"
#include "sensor_settings.h"

// ERROR_SUCCESS with the finger, ERROR_CANCELLED, ERROR_TIMEOUT or ERROR_NOT_READY.
DWORD RunCaptureDialog(HWND owner, const char* caption, const SensorSettings& settings, FingerPrint* finger);
