#include "user_accounts.h"

#include <cstdio>
#include <cstring>

#include "account_api.h"
#include "key_log.h"
#include "lang.h"
#include "string_ids.h"
#include "text_convert.h"
#include "windows_version.h"

namespace {
const DWORD kListSettleMs = 1400;
const int kNameChars = 257;

// A UTF-16 name in the build's text.
void FromWide(LPCWSTR wide, TCHAR* out, int capacity)
{
#ifdef UNICODE
    lstrcpynW(out, wide ? wide : L"", capacity);
#else
    // The ANSI copies keep at most 140 bytes of a name.
    const int bytes = capacity < 141 ? capacity : 141;
    if (!WideCharToMultiByte(CP_ACP, 0, wide ? wide : L"", -1, out, bytes, nullptr, nullptr)) out[0] = 0;
    out[bytes - 1] = 0;
#endif
}

void ToWide(LPCTSTR text, WCHAR* out, int capacity)
{
#ifdef UNICODE
    lstrcpynW(out, text ? text : L"", capacity);
#else
    if (!MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, out, capacity)) out[0] = 0;
    out[capacity - 1] = 0;
#endif
}

// Adds a name to the list box, or to the list while it has room.
class UserSink {
public:
    UserSink(Profile* list, int maxCount, HWND listBox) : list_(list), max_(maxCount), box_(listBox) {}
    void Add(LPCTSTR name)
    {
        if (box_) {
            SendMessage(box_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        } else if (list_ && added_ < max_) {
            addProfile(list_, name, nullptr, nullptr);
            ++added_;
        } else {
            return;
        }
        KeyLog(LOG_TRACE, "GetUserList", "%s", CAnsiText(name).c_str());
    }

private:
    Profile* list_;
    int max_;
    HWND box_;
    int added_ = 0;
};

void EnumerateAccounts(LPCTSTR computer, UserSink& sink)
{
    const AccountApi& api = Accounts();
    WCHAR server[MAX_COMPUTERNAME_LENGTH + 200] = L"\\\\";
    if (computer && computer[0]) {
        ToWide(computer, server + 2, ARRAYSIZE(server) - 2);
    } else {
        DWORD size = 190;
        WCHAR own[191] = {};
        api.GetComputerNameW(own, &size);
        lstrcpynW(server + 2, own, ARRAYSIZE(server) - 2);
    }
    HMODULE netapi = api.LoadLibraryW(L"netapi32.dll");
    if (!netapi) return;
    auto userEnum = reinterpret_cast<PFN_NetUserEnum>(api.GetProcAddress(netapi, "NetUserEnum"));
    auto bufferFree = reinterpret_cast<PFN_NetApiBufferFree>(api.GetProcAddress(netapi, "NetApiBufferFree"));
    if (!userEnum || !bufferFree) return;

    DWORD resume = 0, status;
    do {
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0;
        status = userEnum(server, 0, FILTER_NORMAL_ACCOUNT, &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume);
        KeyLog(LOG_TRACE, "GetUserList", "NetUserEnum=%u", unsigned(status));
        if (status == NERR_Success || status == ERROR_MORE_DATA) {
            const auto* users = reinterpret_cast<const USER_INFO_0*>(buffer);
            for (DWORD i = 0; buffer && i < read; ++i) {
                TCHAR name[kNameChars];
                FromWide(users[i].usri0_name, name, ARRAYSIZE(name));
                sink.Add(name);
            }
        }
        if (buffer) bufferFree(buffer);
    } while (status == ERROR_MORE_DATA);
}

#ifndef UNICODE
// Windows 9x: the users are the password lists of system.ini whose cache opens.
void PasswordListUsers(UserSink& sink)
{
    const AccountApi& api = Accounts();
    HMODULE cacheModule = api.LoadLibraryA("mspwl32.dll");
    if (!cacheModule) return;
    auto openCache = reinterpret_cast<PFN_OpenPasswordCache>(api.GetProcAddress(cacheModule, "OpenPasswordCache"));
    auto closeCache = reinterpret_cast<PFN_ClosePasswordCache>(api.GetProcAddress(cacheModule, "ClosePasswordCache"));
    const DWORD kSectionBytes = 8000;
    char* section = static_cast<char*>(LocalAlloc(LPTR, kSectionBytes));
    // A section that fills the buffer (8000 - 2) was cut: no part of it is trusted.
    if (openCache && closeCache && section &&
        api.GetPrivateProfileSectionA("Password Lists", section, kSectionBytes, "system.ini") != kSectionBytes - 2) {
        for (char* entry = section; *entry; entry += lstrlenA(entry) + 1) {
            if (*entry == '*') continue;
            char name[150] = {};
            const char* equals = strchr(entry, '=');
            const size_t length = equals ? size_t(equals - entry) : strlen(entry);
            memcpy(name, entry, length < sizeof name - 1 ? length : sizeof name - 1);
            HANDLE cache = nullptr;
            const DWORD result = openCache(&cache, name, "", TRUE);
            KeyLog(LOG_TRACE, "GetUserList", "%s OpenPasswordCache =%u", name, unsigned(result));
            if (result == 0 || result == 7206) sink.Add(name);
            if (cache) closeCache(cache, TRUE);
        }
    }
    if (section) LocalFree(section);
    api.FreeLibrary(cacheModule);
}
#endif
}  // namespace

void GetUserList(Profile* list, int maxCount, LPCTSTR computer, HWND listBox)
{
    KeyLog(LOG_TRACE, "GetUserList", "GET user list");
    if (listBox) {
        SendMessage(listBox, LB_RESETCONTENT, 0, 0);
        SendMessage(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FormatText(IDS_INITIALIZING, _T(""))));
        UpdateWindow(listBox);
        SendMessage(listBox, WM_SETREDRAW, FALSE, 0);
        SendMessage(listBox, LB_RESETCONTENT, 0, 0);
        Sleep(kListSettleMs);
    }
    UserSink sink(list, maxCount, listBox);
    if (GetWindowsVersionClass() < 4) {
#ifndef UNICODE
        PasswordListUsers(sink);
#endif
    } else {
        EnumerateAccounts(computer, sink);
    }
    if (listBox) {
        InvalidateRect(listBox, nullptr, TRUE);
        SendMessage(listBox, WM_SETREDRAW, TRUE, 0);
        SendMessage(listBox, LB_SETCURSEL, 0, 0);
    }
}

bool GetUserInfo3(LPCTSTR user, LPCTSTR domain, USER_INFO_3** record)
{
    KeyLog(LOG_TRACE, "GetUserInfo3", "GetUserInfo3 start!");
    if (record) *record = nullptr;
    const AccountApi& api = Accounts();
    HMODULE netapi = api.LoadLibraryW(L"netapi32.dll");
    auto modalsGet = netapi ? reinterpret_cast<PFN_NetUserModalsGet>(api.GetProcAddress(netapi, "NetUserModalsGet")) : nullptr;
    auto getDcName = netapi ? reinterpret_cast<PFN_NetGetDCName>(api.GetProcAddress(netapi, "NetGetDCName")) : nullptr;
    auto userGetInfo = netapi ? reinterpret_cast<PFN_NetUserGetInfo>(api.GetProcAddress(netapi, "NetUserGetInfo")) : nullptr;
    auto bufferFree = netapi ? reinterpret_cast<PFN_NetApiBufferFree>(api.GetProcAddress(netapi, "NetApiBufferFree")) : nullptr;
    if (!modalsGet || !getDcName || !userGetInfo || !bufferFree || !record) return false;

    LPBYTE modals = nullptr;
    if (modalsGet(nullptr, 2, &modals) != NERR_Success || !modals) {
        KeyLog(LOG_ERROR, "GetUserInfo3", "GetUserInfo3 NetUserModalsGet fails!");
        if (modals) bufferFree(modals);
        return false;
    }
    LPCWSTR accountDomain = reinterpret_cast<USER_MODALS_INFO_2*>(modals)->usrmod2_domain_name;
    if (!accountDomain || !accountDomain[0]) {
        KeyLog(LOG_ERROR, "GetUserInfo3", "GetUserInfo3 usrmod2_domain_name empty");
        bufferFree(modals);
        return false;
    }
    WCHAR wideUser[kNameChars], wideDomain[300];
    ToWide(user, wideUser, ARRAYSIZE(wideUser));
    ToWide(domain, wideDomain, ARRAYSIZE(wideDomain));
    LPBYTE controller = nullptr;
    bool ok = true;
    if (lstrcmpiW(wideDomain, accountDomain) == 0) {
        KeyLog(LOG_TRACE, "GetUserInfo3", "GetUserInfo3 target computer is local machine");
    } else if (getDcName(nullptr, wideDomain, &controller) != NERR_Success) {
        KeyLog(LOG_ERROR, "GetUserInfo3", "GetUserInfo3 NetGetDCName fail!");
        ok = false;
    }
    if (ok) {
        LPBYTE info = nullptr;
        if (userGetInfo(reinterpret_cast<LPCWSTR>(controller), wideUser, 3, &info) == NERR_Success && info) {
            *record = reinterpret_cast<USER_INFO_3*>(info);
        } else {
            KeyLog(LOG_ERROR, "GetUserInfo3", "GetUserInfo3 NetUserGetInfo failed");
            if (info) bufferFree(info);
            ok = false;
        }
    }
    bufferFree(modals);
    if (controller) bufferFree(controller);
    KeyLog(LOG_TRACE, "GetUserInfo3", "GetUserInfo3 End!");
    return ok;
}
