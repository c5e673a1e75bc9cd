// The calls with dialogs: verification and enrolment as the product uses them, and a
// plain capture.
#include "bioapi_module.h"
#include "capture_dialog.h"
#include "enrol_choice_dialog.h"
#include "ovbioapi.h"
#include "sensor.h"
#include "string_ids.h"

namespace {
const char kVerifyCaption[] = "Verify Biometric ID";
const char kEnrolCaption[] = "Enrol Biometric ID";
const char kCaptureCaption[] = "Biometric ID";

// The caller's own text for the verification caption, so it matches the caller's language.
std::string VerifyCaption(HMODULE resourceModule)
{
    char text[256];
    if (resourceModule && LoadStringA(resourceModule, IDS_VERIFY_BIO_ID, text, sizeof text) > 0) return text;
    return kVerifyCaption;
}

DWORD CaptureIntoBuffer(HWND owner, const char* caption, BYTE* buffer, DWORD* inOutSize)
{
    SensorSettings settings;
    DWORD error = ReadSensorSettings(&settings);
    FingerPrint finger;
    if (error == ERROR_SUCCESS) error = RunCaptureDialog(owner, caption, settings, &finger);
    if (error == ERROR_SUCCESS) DeliverTemplate(finger, buffer, inOutSize);
    return error;
}

DWORD AskWhatToEnrol(HWND owner, bool offerRemove, DWORD* templateSize)
{
    SensorSettings settings;
    DWORD error = ReadSensorSettings(&settings);
    EnrolChoice choice;
    if (error == ERROR_SUCCESS) error = RunEnrolChoiceDialog(owner, offerRemove, settings, &choice);
    if (error == ERROR_SUCCESS) *templateSize = choice == EnrolChoice::Remove ? 0 : OVBIO_TEMPLATE_SIZE;
    return error;
}
}  // namespace

extern "C" BOOL WINAPI BioVerifyBIR_GUI(HMODULE resourceModule, HWND owner, const BYTE* bir, DWORD birSize,
                                        DWORD reserved1, DWORD reserved2)
{
    FingerPrint enrolled, presented;
    DWORD error = ReadTemplate(bir, birSize, &enrolled);
    SensorSettings settings;
    if (error == ERROR_SUCCESS) error = ReadSensorSettings(&settings);
    if (error == ERROR_SUCCESS)
        error = RunCaptureDialog(owner, VerifyCaption(resourceModule).c_str(), settings, &presented);
    if (error == ERROR_SUCCESS && !SameFinger(enrolled, presented)) error = OVBIO_ERROR_NO_MATCH;
    return Finish(error);
}

extern "C" BOOL WINAPI BioGetBIR_GUI(HMODULE resourceModule, HWND owner, BYTE* buffer, DWORD* inOutSize,
                                     DWORD flags)
{
    DWORD error = CheckTemplateBuffer(buffer, inOutSize);
    if (error != ERROR_SUCCESS) return Finish(error);
    if (!buffer) return Finish(AskWhatToEnrol(owner, (flags & OVBIO_FLAG_TEMPLATE_EXISTS) != 0, inOutSize));
    return Finish(CaptureIntoBuffer(owner, kEnrolCaption, buffer, inOutSize));
}

extern "C" BOOL WINAPI BioCaptureBIR_GUI(HMODULE resourceModule, HWND owner, BYTE* buffer, DWORD* inOutSize)
{
    DWORD error = CheckTemplateBuffer(buffer, inOutSize);
    if (error != ERROR_SUCCESS) return Finish(error);
    if (!buffer) {
        *inOutSize = OVBIO_TEMPLATE_SIZE;
        return Finish(ERROR_SUCCESS);
    }
    return Finish(CaptureIntoBuffer(owner, kCaptureCaption, buffer, inOutSize));
}
