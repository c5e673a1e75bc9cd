// Reading the simulated sensor: the finger on it now, and a capture without a dialog.
#pragma once
#include "bio_template.h"
#include "sensor_settings.h"

// ERROR_SUCCESS with the finger on the sensor, or ERROR_NOT_READY.
DWORD ReadFingerPrint(FingerPrint* finger);

// The simulated person acts after settings.delayMs as the Action says: ERROR_SUCCESS with
// the finger (present, wait), ERROR_TIMEOUT (nofinger) or ERROR_CANCELLED (cancel).
DWORD CaptureWithoutDialog(const SensorSettings& settings, FingerPrint* finger);

// Writes the template of `finger` into a buffer checked by CheckTemplateBuffer.
void DeliverTemplate(const FingerPrint& finger, BYTE* buffer, DWORD* inOutSize);
