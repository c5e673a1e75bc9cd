#include "credentials.h"

#include <lm.h>

#include "account_api.h"
#include "key_log.h"
#include "text_convert.h"
#include "windows_version.h"

namespace {
const char kName[] = "isUserName_and_Pass_Valid";
const char kNameW95[] = "isUserName_and_Pass_Valid_w95";
const int kComputerNameChars = 100;

// Cache codes the full check takes as a confirmation: opened, and a cache that did not
// exist yet for this name.
const DWORD kCacheOpened = 0;
const DWORD kCacheCreated = 2;

template <typename Function>
Function Bind(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(Accounts().GetProcAddress(module, name)));
}

// Into a zero-filled UTF-16 copy of `chars` characters plus terminator; false when it
// does not fit.
bool ToWideCopy(const TCHAR* from, WCHAR* to, int chars)
{
    if (!from) from = _T("");
#ifdef UNICODE
    if (lstrlenW(from) > chars) return false;
    lstrcpynW(to, from, chars + 1);
    return true;
#else
    return !*from || MultiByteToWideChar(CP_ACP, 0, from, -1, to, chars + 1) > 0;
#endif
}

// Into a zero-filled ANSI copy of `bytes` bytes plus terminator; false when it does not fit.
bool ToAnsiCopy(const TCHAR* from, char* to, int bytes)
{
    if (!from) from = _T("");
#ifdef UNICODE
    return !*from || WideCharToMultiByte(CP_ACP, 0, from, -1, to, bytes + 1, nullptr, nullptr) > 0;
#else
    if (lstrlenA(from) > bytes) return false;
    lstrcpynA(to, from, bytes + 1);
    return true;
#endif
}

void UpperCase(char* text) { CharUpperBuffA(text, static_cast<DWORD>(lstrlenA(text))); }

int CheckOnNt(const TCHAR* userIn, const TCHAR* passwordIn)
{
    WCHAR user[kNtCredentialChars + 1] = {};
    WCHAR password[kNtCredentialChars + 1] = {};
    WCHAR domain[kNtCredentialChars + 1] = {};
    if (!ToWideCopy(userIn, user, kNtCredentialChars) || !ToWideCopy(passwordIn, password, kNtCredentialChars)) {
        KeyLog(LOG_ERROR, kName, "user name or password longer than %d characters: refused", kNtCredentialChars);
        return -1;
    }

    const AccountApi& api = Accounts();
    HMODULE netapi = api.LoadLibraryW(L"netapi32.dll");
    PFN_NetUserChangePassword changePassword = nullptr;
    PFN_NetWkstaUserGetInfo wkstaUserGetInfo = nullptr;
    PFN_NetApiBufferFree bufferFree = nullptr;
    if (netapi) {
        changePassword = Bind<PFN_NetUserChangePassword>(netapi, "NetUserChangePassword");
        wkstaUserGetInfo = Bind<PFN_NetWkstaUserGetInfo>(netapi, "NetWkstaUserGetInfo");
        bufferFree = Bind<PFN_NetApiBufferFree>(netapi, "NetApiBufferFree");
    }
    if (!changePassword || !wkstaUserGetInfo || !bufferFree) {
        KeyLog(LOG_ERROR, kName, "netapi32.dll or one of its entry points missing, gle=%X", GetLastError());
        SecureZeroMemory(password, sizeof password);
        return -1;
    }

    LPBYTE info = nullptr;
    if (wkstaUserGetInfo(nullptr, 1, &info) == NERR_Success && info) {
        const WKSTA_USER_INFO_1* record = reinterpret_cast<const WKSTA_USER_INFO_1*>(info);
        if (record->wkui1_logon_domain) lstrcpynW(domain, record->wkui1_logon_domain, kNtCredentialChars + 1);
    }
    if (info) bufferFree(info);
    if (!domain[0]) {
        DWORD size = kComputerNameChars;
        api.GetComputerNameW(domain, &size);
    }
    KeyLog(LOG_TRACE, kName, "isUser_and_pass_valid (unicode)");

    int result = -1;
    HANDLE token = nullptr;
    if (api.LogonUserW(user, domain, password, LOGON32_LOGON_NETWORK, LOGON32_PROVIDER_DEFAULT, &token)) {
        api.CloseHandle(token);
        result = 0;
    } else {
        KeyLog(LOG_ERROR, kName, "LogoUser: fail, check with NetUserChangePassword ... %X", GetLastError());
        const DWORD status = changePassword(domain, user, password, password);
        if (status == NERR_Success) {
            result = 0;
        } else {
            KeyLog(LOG_ERROR, kName, "ERR NetUserChangePassword, check with ov_auth.dll %X %X", status,
                   GetLastError());
            // ov_auth.dll is optional: without it the third method is simply not there.
            HMODULE auth = api.LoadLibraryW(L"ov_auth.dll");
            if (auth) {
                PFN_CheckPassword_SSPI check = Bind<PFN_CheckPassword_SSPI>(auth, "CheckPassword_SSPI");
                if (!check) {
                    KeyLog(LOG_ERROR, kName, "ERR function pntr");
                } else if (check(domain, user, password, 0)) {
                    result = 0;
                } else {
                    KeyLog(LOG_ERROR, kName, "ERR isUserName_and_Pass_Valid %X", GetLastError());
                }
                api.FreeLibrary(auth);
            }
        }
    }
    SecureZeroMemory(password, sizeof password);
    return result;
}

int CheckOn9x(const TCHAR* userIn, const TCHAR* passwordIn)
{
    char user[k9xCredentialChars + 1] = {};
    char password[k9xCredentialChars + 1] = {};
    if (!ToAnsiCopy(userIn, user, k9xCredentialChars) || !ToAnsiCopy(passwordIn, password, k9xCredentialChars)) {
        KeyLog(LOG_ERROR, kName, "user name or password longer than %d characters: refused", k9xCredentialChars);
        return -1;
    }
    UpperCase(user);
    UpperCase(password);
    KeyLog(LOG_TRACE, kName, "try_ isUserName_and_Pass_Valid %s", user);

    const AccountApi& api = Accounts();
    int result = -1;
    HMODULE pwl = api.LoadLibraryA("mspwl32.dll");
    if (!pwl) {
        KeyLog(LOG_ERROR, kName, "mspwl32.dll not loaded, gle=%X", GetLastError());
    } else {
        PFN_OpenPasswordCache open = Bind<PFN_OpenPasswordCache>(pwl, "OpenPasswordCache");
        PFN_ClosePasswordCache close = Bind<PFN_ClosePasswordCache>(pwl, "ClosePasswordCache");
        if (!open || !close) {
            KeyLog(LOG_ERROR, kName, "mspwl32.dll entry point missing");
            api.FreeLibrary(pwl);
        } else {
            HANDLE cache = nullptr;
            const DWORD code = open(&cache, user, password, TRUE);
            // A refused open hands back no cache; there is nothing to close then.
            if (cache) close(cache, TRUE);
            KeyLog(LOG_TRACE, kName, "OpenPasswordCache=%d", int(code));
            if (code == kCacheOpened || code == kCacheCreated) result = 0;
        }
    }
    SecureZeroMemory(password, sizeof password);
    return result;
}
}  // namespace

int isUserName_and_Pass_Valid(const TCHAR* user, const TCHAR* password)
{
    KeyLog(LOG_TRACE, kName, "user:%s, password length:%d", CAnsiText(user ? user : _T("")).c_str(),
           password ? lstrlen(password) : 0);
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const int result =
        IsNtFamily(GetWindowsVersionClass()) ? CheckOnNt(user, password) : CheckOn9x(user, password);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return result;
}

int isUserName_and_Pass_Valid_w95(const char* userIn, const char* passwordIn)
{
    if (!userIn) userIn = "";
    if (!passwordIn) passwordIn = "";
    if (lstrlenA(userIn) > kW95CredentialBytes || lstrlenA(passwordIn) > kW95CredentialBytes) {
        KeyLog(LOG_ERROR, kNameW95, "user name or password longer than %d bytes: refused", kW95CredentialBytes);
        return -2;
    }
    char user[kW95CredentialBytes + 1] = {};
    char password[kW95CredentialBytes + 1] = {};
    lstrcpynA(user, userIn, sizeof user);
    lstrcpynA(password, passwordIn, sizeof password);
    UpperCase(user);
    UpperCase(password);

    const AccountApi& api = Accounts();
    HMODULE pwl = api.LoadLibraryA("mspwl32.dll");
    if (!pwl) {
        KeyLog(LOG_ERROR, kNameW95, "mspwl32.dll not loaded, gle=%X", GetLastError());
        SecureZeroMemory(password, sizeof password);
        return -1;
    }
    PFN_OpenPasswordCache open = Bind<PFN_OpenPasswordCache>(pwl, "OpenPasswordCache");
    PFN_ClosePasswordCache close = Bind<PFN_ClosePasswordCache>(pwl, "ClosePasswordCache");
    if (!open || !close) {
        KeyLog(LOG_ERROR, kNameW95, "mspwl32.dll entry point missing");
        api.FreeLibrary(pwl);
        SecureZeroMemory(password, sizeof password);
        return -1;
    }
    HANDLE cache = nullptr;
    const DWORD code = open(&cache, user, password, TRUE);
    KeyLog(LOG_TRACE, kNameW95, "OpenPasswordCache=%d %X", int(code), GetLastError());
    if (cache) close(cache, TRUE);
    api.FreeLibrary(pwl);
    SecureZeroMemory(password, sizeof password);
    return code == kCacheOpened ? 0 : -2;
}
