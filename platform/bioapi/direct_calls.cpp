// The calls without a dialog: capture and verification on a reader, enrolment, and the
// comparison of two templates.
#include "bioapi_module.h"
#include "ovbioapi.h"
#include "readers.h"
#include "sensor.h"

namespace {
DWORD CaptureIntoBuffer(BYTE* buffer, DWORD* inOutSize)
{
    DWORD error = CheckTemplateBuffer(buffer, inOutSize);
    if (error != ERROR_SUCCESS) return error;
    if (!buffer) {
        *inOutSize = OVBIO_TEMPLATE_SIZE;
        return ERROR_SUCCESS;
    }
    SensorSettings settings;
    FingerPrint finger;
    error = ReadSensorSettings(&settings);
    if (error == ERROR_SUCCESS) error = CaptureWithoutDialog(settings, &finger);
    if (error == ERROR_SUCCESS) DeliverTemplate(finger, buffer, inOutSize);
    return error;
}
}  // namespace

extern "C" BOOL WINAPI BioCaptureBIR(HBIOREADER reader, BYTE* buffer, DWORD* inOutSize)
{
    if (!IsOpenReader(reader)) return Finish(ERROR_INVALID_HANDLE);
    return Finish(CaptureIntoBuffer(buffer, inOutSize));
}

extern "C" BOOL WINAPI BioGetBIR(BYTE* buffer, DWORD* inOutSize) { return Finish(CaptureIntoBuffer(buffer, inOutSize)); }

extern "C" BOOL WINAPI BioVerifyBIR(HBIOREADER reader, const BYTE* bir, DWORD birSize)
{
    if (!IsOpenReader(reader)) return Finish(ERROR_INVALID_HANDLE);
    FingerPrint enrolled, presented;
    SensorSettings settings;
    DWORD error = ReadTemplate(bir, birSize, &enrolled);
    if (error == ERROR_SUCCESS) error = ReadSensorSettings(&settings);
    if (error == ERROR_SUCCESS) error = CaptureWithoutDialog(settings, &presented);
    if (error == ERROR_SUCCESS && !SameFinger(enrolled, presented)) error = OVBIO_ERROR_NO_MATCH;
    return Finish(error);
}

extern "C" BOOL WINAPI BioCompareBIRS(const BYTE* bir1, DWORD bir1Size, const BYTE* bir2, DWORD bir2Size)
{
    FingerPrint first, second;
    DWORD error = ReadTemplate(bir1, bir1Size, &first);
    if (error == ERROR_SUCCESS) error = ReadTemplate(bir2, bir2Size, &second);
    if (error == ERROR_SUCCESS && !SameFinger(first, second)) error = OVBIO_ERROR_NO_MATCH;
    return Finish(error);
}
