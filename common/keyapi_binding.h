// Binding of the token library keyapi32.dll, through which every key and key reader is
// reached. Loaded by bare name (normal DLL search) and bound by name; a library that
// lacks one required export is not used at all.
#pragma once
#include <windows.h>

typedef void* KEYAPI_READER;

// InitCard statuses.
enum KeyCardStatus {
    kCardBlocked = 0,             // > 0: PIN required, that many attempts left
    kCardNoKey = -1,
    kCardNotFormatted = -2,
    kCardError = -3,
    kCardPinRequiredOld = -4,     // older libraries: read as 3 attempts left
    kCardUnchanged = -5,          // earlier connection still open, nothing changed
    kCardReaderError = -6,
    kCardFinallyBlocked = -7,
};

// Application ids on a key.
enum KeyApplication : DWORD {
    kAppWholeKey = 0,
    kAppLogonProfiles = 223,
    kAppBioTemplate = 227,
    kAppNetWare = 231,
};

struct KeyApiFunctions {
    const char*(WINAPI* EnumReaders)(int index);
    KEYAPI_READER(WINAPI* InitReader)(const char* name);
    BOOL(WINAPI* CloseReader)(KEYAPI_READER h);
    int(WINAPI* InitCard)(KEYAPI_READER h, DWORD appId);
    BOOL(WINAPI* CloseCard)(KEYAPI_READER h, int mode);
    BOOL(WINAPI* Disconnect)(int all);
    BOOL(WINAPI* VerifyPIN)(KEYAPI_READER h, const char* pin);
    BOOL(WINAPI* ChangePIN)(KEYAPI_READER h, const char* oldPin, const char* newPin);
    BOOL(WINAPI* UnblockPIN)(KEYAPI_READER h, const char* puk, const char* newPin);
    BOOL(WINAPI* ReadData)(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len);
    BOOL(WINAPI* WriteData)(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len);
    BOOL(WINAPI* DeleteData)(KEYAPI_READER h);
    BOOL(WINAPI* SetDataSize)(KEYAPI_READER h, DWORD size);
    BOOL(WINAPI* GetRandom)(KEYAPI_READER h, BYTE* buf, DWORD count);
    FARPROC GetReaderName;
    FARPROC GetReaderType;
    FARPROC IsDataExist;
    FARPROC IsDataExisting;
    BOOL(WINAPI* GetCardID)(KEYAPI_READER h, BYTE* buf, DWORD* len);
    FARPROC GetCardType;
    FARPROC EnumApplications;
    BOOL(WINAPI* GetApplicationInfo)(KEYAPI_READER h, DWORD appId, DWORD* used, DWORD* freeBytes);
    BOOL(WINAPI* ReadLabel)(KEYAPI_READER h, char* label);
    BOOL(WINAPI* WriteLabel)(KEYAPI_READER h, const char* label);
    BOOL(WINAPI* ReadDataApp)(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len, DWORD appId);
    BOOL(WINAPI* WriteDataApp)(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len, DWORD appId);
    BOOL(WINAPI* SetDataSizeApp)(KEYAPI_READER h, DWORD size, DWORD appId);
    BOOL(WINAPI* ReadBIR)(KEYAPI_READER h, DWORD offset, BYTE* buf, DWORD* len);
    BOOL(WINAPI* WriteBIR)(KEYAPI_READER h, DWORD offset, const BYTE* data, DWORD* len);
    BOOL(WINAPI* SetBIRSize)(KEYAPI_READER h, DWORD size);
    BOOL(WINAPI* DeleteBIR)(KEYAPI_READER h);
    BOOL(WINAPI* AnyReadersChanges)(int reserved);
    FARPROC ExternalAuth;
    FARPROC ChangeIssuerKey;
    BOOL(WINAPI* FormatCard)(KEYAPI_READER h, const char* label, const char* pin);
    BOOL(WINAPI* UnformatCard)(KEYAPI_READER h);
};

class CKeyApiLibrary {
public:
    CKeyApiLibrary() = default;
    ~CKeyApiLibrary() { Unload(); }
    CKeyApiLibrary(const CKeyApiLibrary&) = delete;
    CKeyApiLibrary& operator=(const CKeyApiLibrary&) = delete;

    // Loads "keyapi32.dll" (or "<directory>\keyapi32.dll") and binds every export.
    // The 9x providers do without Disconnect and IsDataExisting. On failure the library
    // is freed, every pointer cleared and the Windows error kept.
    bool Load(const TCHAR* directory = nullptr, bool withoutNtOnlyExports = false);
    void Unload();

    bool IsLoaded() const { return module_ != nullptr; }
    const KeyApiFunctions& Api() const { return api_; }

private:
    HMODULE module_ = nullptr;
    KeyApiFunctions api_ = {};
};
