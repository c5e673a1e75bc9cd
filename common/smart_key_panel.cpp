// Key operations of the administration panel: PIN, label and BIO ID changes.
#include "bio_check.h"
#include "key_log.h"
#include "lang.h"
#include "smart_key.h"
#include "string_ids.h"
#include "text_convert.h"

namespace {
const int kPinChars = 64;
const int kNewPinChars = 8;
const int kLabelWriteChars = 35;
const int kLabelChars = 32;

DWORD ErrorOrOne()
{
    const DWORD error = GetLastError();
    return error ? error : 1;
}
}  // namespace

bool CSmartKey::ChangePIN(const TCHAR* readerName, const TCHAR* newPin)
{
    KeyReader* reader = OpenKey(_T("Change PIN"), readerName);
    if (!reader) return false;
    char oldAnsi[kPinChars + 1], newAnsi[kNewPinChars + 1];
    TextToAnsi(reader->pin, oldAnsi, sizeof oldAnsi);
    TextToAnsi(newPin ? newPin : _T(""), newAnsi, sizeof newAnsi);
    const BOOL ok = Api().ChangePIN(reader->handle, oldAnsi, newAnsi);
    SecureZeroMemory(oldAnsi, sizeof oldAnsi);
    if (ok) {
        AnsiToText(newAnsi, reader->pin, ARRAYSIZE(reader->pin));
    } else {
        reader->opError = ErrorOrOne();
        LoadText(IDS_ERR_CHANGE_PIN, reader->opText, ARRAYSIZE(reader->opText));
    }
    SecureZeroMemory(newAnsi, sizeof newAnsi);
    EndOperation(reader);
    return ok != FALSE;
}

bool CSmartKey::ChangeLabel(const TCHAR* readerName, const TCHAR* newLabel)
{
    KeyReader* reader = OpenKey(_T("Change Label"), readerName);
    if (!reader) return false;
    KeyLog(LOG_TRACE, "CSmartKey", "Change Label %s ", CAnsiText(newLabel).c_str());
    char label[kLabelWriteChars + 1];
    TextToAnsi(newLabel ? newLabel : _T(""), label, sizeof label);
    const BOOL ok = Api().WriteLabel(reader->handle, label);
    if (ok) {
        lstrcpyn(reader->label, newLabel ? newLabel : _T(""), kLabelChars + 1);
    } else {
        reader->opError = ErrorOrOne();
    }
    EndOperation(reader);
    return ok != FALSE;
}

int CSmartKey::ChangeBIOKey(const TCHAR* readerName, HINSTANCE instance, HWND owner, const TCHAR* caption)
{
    KeyReader* reader = OpenKey(_T("Change Biometric ID"), readerName);
    if (!reader) return 1;
    int result = 0;
    if (ChangeBIO(Api(), instance, owner, caption, reader->handle)) {
        RefreshSizes(reader, kAppBioTemplate);
        reader->bioVerified = 1;
    } else if (GetLastError() == ERROR_CANCELLED) {
        reader->opError = 0;
        result = ERROR_CANCELLED;
    } else {
        reader->opError = ErrorOrOne();
        LoadText(IDS_BIO_REGISTRATION_FAILED, reader->opText, ARRAYSIZE(reader->opText));
        result = 1;
    }
    EndOperation(reader);
    return result;
}
