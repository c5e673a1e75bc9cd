// Exports for key information, the PIN and application data.
#include <cstring>
#include <vector>

#include "export_helpers.h"
#include "keyapi32.h"
#include "reader_table.h"

namespace {
BOOL ReadFrom(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len, const DWORD* appId)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    if (!len) return Finish(SCARD_E_INVALID_PARAMETER);
    const DWORD app = appId ? *appId : use->CurrentApp();
    if (!buf) return Finish(use->AppSize(app, *len));
    DWORD length = *len;
    const DWORD error = use->ReadApp(app, offset, buf, length);
    if (!error) *len = length;
    return Finish(error);
}

BOOL WriteTo(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len, const DWORD* appId)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    if (!len || (!data && *len)) return Finish(SCARD_E_INVALID_PARAMETER);
    return Finish(use->WriteApp(appId ? *appId : use->CurrentApp(), offset, data, *len));
}

BOOL Resize(KEYAPI_READER h, DWORD size, const DWORD* appId)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    return Finish(use->ResizeApp(appId ? *appId : use->CurrentApp(), size));
}

BOOL HoldsData(KEYAPI_READER h, const DWORD* appId)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    DWORD size = 0;
    const DWORD error = use->AppSize(appId ? *appId : use->CurrentApp(), size);
    if (error) return Finish(error);
    return Finish(size ? 0 : DWORD(SCARD_E_FILE_NOT_FOUND));
}

const DWORD kBio = KEYAPI_APP_BIO_TEMPLATE;
}  // namespace

BOOL WINAPI GetCardID(KEYAPI_READER h, BYTE* buf, DWORD* len)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    if (!len) return Finish(SCARD_E_INVALID_PARAMETER);
    uint8_t id[kCardIdSize];
    const DWORD error = use->CardId(id);
    if (error) return Finish(error);
    const DWORD room = *len;
    *len = kCardIdSize;
    if (!buf) return Finish(0);
    if (room < kCardIdSize) return Finish(SCARD_E_INSUFFICIENT_BUFFER);
    std::memcpy(buf, id, kCardIdSize);
    return Finish(0);
}

int WINAPI GetCardType(KEYAPI_READER h)
{
    ReaderUse use(h);
    if (!use) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    uint8_t id[kCardIdSize];
    const DWORD error = use->CardId(id);
    SetLastError(error);
    return error ? 0 : KEYAPI_CARD_SOFTWARE_KEY;
}

BOOL WINAPI ReadLabel(KEYAPI_READER h, char* label)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    if (!label) return Finish(SCARD_E_INVALID_PARAMETER);
    std::string text;
    const DWORD error = use->Label(text);
    if (!error) lstrcpynA(label, text.c_str(), int(kMaxLabelLength + 1));
    return Finish(error);
}

BOOL WINAPI WriteLabel(KEYAPI_READER h, const char* label)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    return Finish(use->SetLabel(TextOrEmpty(label)));
}

BOOL WINAPI GetApplicationInfo(KEYAPI_READER h, DWORD appId, DWORD* used, DWORD* freeBytes)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    DWORD u = 0, f = 0;
    const DWORD error = use->AppInfo(appId, u, f);
    if (!error) {
        if (used) *used = u;
        if (freeBytes) *freeBytes = f;
    }
    return Finish(error);
}

BOOL WINAPI EnumApplications(KEYAPI_READER h, DWORD* ids, DWORD* count)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    if (!count) return Finish(SCARD_E_INVALID_PARAMETER);
    std::vector<DWORD> list;
    const DWORD error = use->Applications(list);
    if (error) return Finish(error);
    const DWORD room = *count;
    *count = DWORD(list.size());
    if (!ids || room < list.size()) return Finish(list.empty() ? 0 : DWORD(SCARD_E_INSUFFICIENT_BUFFER));
    for (size_t i = 0; i < list.size(); ++i) ids[i] = list[i];
    return Finish(0);
}

BOOL WINAPI VerifyPIN(KEYAPI_READER h, const char* pin)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    return Finish(use->VerifyPin(TextOrEmpty(pin)));
}

BOOL WINAPI ChangePIN(KEYAPI_READER h, const char* oldPin, const char* newPin)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    return Finish(use->ChangePin(TextOrEmpty(oldPin), TextOrEmpty(newPin)));
}

BOOL WINAPI UnblockPIN(KEYAPI_READER h, const char* puk, const char* newPin)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    return Finish(use->UnblockPin(TextOrEmpty(puk), TextOrEmpty(newPin)));
}

BOOL WINAPI ReadData(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len)
{
    return ReadFrom(h, offset, buf, len, nullptr);
}

BOOL WINAPI ReadDataApp(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len, DWORD appId)
{
    return ReadFrom(h, offset, buf, len, &appId);
}

BOOL WINAPI ReadBIR(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len) { return ReadFrom(h, offset, buf, len, &kBio); }

BOOL WINAPI WriteData(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len)
{
    return WriteTo(h, offset, data, len, nullptr);
}

BOOL WINAPI WriteDataApp(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len, DWORD appId)
{
    return WriteTo(h, offset, data, len, &appId);
}

BOOL WINAPI WriteBIR(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len)
{
    if (data || !len) return WriteTo(h, offset, data, len, &kBio);
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    DWORD used = 0;
    return Finish(use->AppInfo(kBio, used, *len));
}

BOOL WINAPI SetDataSize(KEYAPI_READER h, DWORD size) { return Resize(h, size, nullptr); }

BOOL WINAPI SetDataSizeApp(KEYAPI_READER h, DWORD size, DWORD appId) { return Resize(h, size, &appId); }

BOOL WINAPI SetBIRSize(KEYAPI_READER h, DWORD size) { return Resize(h, size, &kBio); }

BOOL WINAPI DeleteData(KEYAPI_READER h) { return Resize(h, 0, nullptr); }

BOOL WINAPI DeleteBIR(KEYAPI_READER h) { return Resize(h, 0, &kBio); }

BOOL WINAPI IsDataExist(KEYAPI_READER h) { return HoldsData(h, nullptr); }

BOOL WINAPI IsDataExisting(KEYAPI_READER h, DWORD appId) { return HoldsData(h, &appId); }
