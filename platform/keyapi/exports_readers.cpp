// Exports for readers, connections and formatting.
#include "crypto_provider.h"
#include "export_helpers.h"
#include "keyapi32.h"
#include "key_rules.h"
#include "reader_table.h"
#include "settings.h"

static_assert(KEYAPI_BLOCKED == kStatusBlocked && KEYAPI_NO_KEY == kStatusNoKey &&
                  KEYAPI_NOT_FORMATTED == kStatusNotFormatted && KEYAPI_KEY_ERROR == kStatusKeyError &&
                  KEYAPI_UNCHANGED == kStatusUnchanged && KEYAPI_READER_ERROR == kStatusReaderError &&
                  KEYAPI_FINALLY_BLOCKED == kStatusFinallyBlocked,
              "the header's statuses are the library's");

const char* WINAPI EnumReaders(int index)
{
    const char* name = ReaderNameAt(index, index == 0);
    SetLastError(name ? 0 : index < 0 ? DWORD(SCARD_E_INVALID_PARAMETER) : DWORD(ERROR_NO_MORE_ITEMS));
    return name;
}

KEYAPI_READER WINAPI InitReader(const char* name)
{
    if (!name) {
        SetLastError(SCARD_E_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD error = 0;
    KEYAPI_READER reader = OpenReaderHandle(name, error);
    SetLastError(error);
    return reader;
}

BOOL WINAPI CloseReader(KEYAPI_READER h) { return Finish(CloseReaderHandle(h) ? 0 : ERROR_INVALID_HANDLE); }

BOOL WINAPI AnyReadersChanges(int reserved)
{
    SetLastError(0);
    return ReaderSetChanged();
}

BOOL WINAPI GetReaderName(KEYAPI_READER h, char* name, DWORD* len)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    if (!len) return Finish(SCARD_E_INVALID_PARAMETER);
    const std::string& text = use->Place().name;
    if (!name || *len <= text.size()) {
        *len = DWORD(text.size() + 1);
        return Finish(SCARD_E_INSUFFICIENT_BUFFER);
    }
    lstrcpynA(name, text.c_str(), int(*len));
    *len = DWORD(text.size());
    return Finish(0);
}

DWORD WINAPI GetReaderType(KEYAPI_READER h)
{
    ReaderUse use(h);
    if (!use) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    SetLastError(0);
    return use->Place().drive ? KEYAPI_READER_DRIVE : KEYAPI_READER_FOLDER;
}

int WINAPI InitCard(KEYAPI_READER h, DWORD appId)
{
    ReaderUse use(h);
    if (!use) {
        SetLastError(ERROR_INVALID_HANDLE);
        return KEYAPI_READER_ERROR;
    }
    DWORD error = 0;
    const int status = use->InitCard(appId, error);
    SetLastError(error);
    return status;
}

BOOL WINAPI CloseCard(KEYAPI_READER h, int mode)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    if (mode != 0 && mode != 1) return Finish(SCARD_E_INVALID_PARAMETER);
    use->CloseCard(mode == 1);
    return Finish(0);
}

BOOL WINAPI Disconnect(int all)
{
    EndConnections(all != 0);
    return Finish(0);
}

BOOL WINAPI FormatCard(KEYAPI_READER h, const char* label, const char* pin)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    return Finish(use->Format(TextOrEmpty(label), TextOrEmpty(pin), DefaultPuk()));
}

BOOL WINAPI UnformatCard(KEYAPI_READER h)
{
    ReaderUse use(h);
    if (!use) return Finish(ERROR_INVALID_HANDLE);
    return Finish(use->Unformat());
}

BOOL WINAPI GetRandom(KEYAPI_READER h, BYTE* buf, DWORD count)
{
    {
        ReaderUse use(h);
        if (!use) return Finish(ERROR_INVALID_HANDLE);
    }
    if (count == 0) return Finish(0);
    if (!buf) return Finish(SCARD_E_INVALID_PARAMETER);
    CryptoRandom random;
    return Finish(random.Fill(buf, count) ? 0 : GetLastError());
}

BOOL WINAPI ExternalAuth(KEYAPI_READER h, const BYTE* response, DWORD len) { return Finish(ERROR_NOT_SUPPORTED); }

BOOL WINAPI ChangeIssuerKey(KEYAPI_READER h, const BYTE* oldKey, const BYTE* newKey, DWORD len)
{
    return Finish(ERROR_NOT_SUPPORTED);
}
