#include "sensor.h"

#include "ovbioapi.h"

DWORD ReadFingerPrint(FingerPrint* finger)
{
    std::string bytes;
    DWORD error = ReadPresentedFinger(&bytes);
    if (error == ERROR_SUCCESS) *finger = FingerPrintOf(bytes);
    return error;
}

DWORD CaptureWithoutDialog(const SensorSettings& settings, FingerPrint* finger)
{
    Sleep(settings.delayMs);
    switch (settings.action) {
    case SensorAction::Cancel: return ERROR_CANCELLED;
    case SensorAction::NoFinger: return ERROR_TIMEOUT;
    default: return ReadFingerPrint(finger);
    }
}

void DeliverTemplate(const FingerPrint& finger, BYTE* buffer, DWORD* inOutSize)
{
    WriteTemplate(finger, buffer);
    *inOutSize = OVBIO_TEMPLATE_SIZE;
}
