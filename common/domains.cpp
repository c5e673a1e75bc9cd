#include "domains.h"

#include <dsgetdc.h>
#include <lm.h>

#include "account_api.h"
#include "account_dialogs.h"
#include "key_log.h"
#include "lang.h"
#include "message_box.h"
#include "string_ids.h"
#include "text_convert.h"

namespace {
const ULONG kForestAndOutbound = DS_DOMAIN_IN_FOREST | DS_DOMAIN_DIRECT_OUTBOUND;  // 3
const DWORD kDomainController = SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL;     // 0x18
const int kDomainAttempts = 11;
const DWORD kRetryMs = 2000;
const UINT WM_FILL_DOMAINS = WM_APP + 2;

// Calls back with a UTF-16 name in the build's text; false when the callback stops.
bool Offer(DomainCallback callback, LPARAM data, LPCWSTR name)
{
#ifdef UNICODE
    return callback(name, data) != FALSE;
#else
    char ansi[300];
    WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof ansi, nullptr, nullptr);
    ansi[sizeof ansi - 1] = 0;
    return callback(ansi, data) != FALSE;
#endif
}

// The trusted domains; false when the callback stopped the walk.
bool OfferTrustedDomains(HMODULE netapi, PFN_NetApiBufferFree bufferFree, DomainCallback callback, LPARAM data)
{
    const AccountApi& api = Accounts();
    auto enumerateTrusts =
        reinterpret_cast<PFN_DsEnumerateDomainTrustsW>(api.GetProcAddress(netapi, "DsEnumerateDomainTrustsW"));
    if (enumerateTrusts) {
        PVOID entries = nullptr;
        ULONG count = 0;
        if (enumerateTrusts(nullptr, kForestAndOutbound, &entries, &count) != ERROR_SUCCESS) return true;
        bool goOn = true;
        auto* trusts = static_cast<PDS_DOMAIN_TRUSTSW>(entries);
        for (ULONG i = 0; goOn && i < count; ++i)
            if (trusts[i].NetbiosDomainName) goOn = Offer(callback, data, trusts[i].NetbiosDomainName);
        bufferFree(entries);
        return goOn;
    }
    auto enumerateTrusted =
        reinterpret_cast<PFN_NetEnumerateTrustedDomains>(api.GetProcAddress(netapi, "NetEnumerateTrustedDomains"));
    if (!enumerateTrusted) return true;
    LPWSTR names = nullptr;
    if (enumerateTrusted(nullptr, &names) != 0 || !names) return true;
    bool goOn = true;
    for (LPCWSTR name = names; goOn && *name; name += lstrlenW(name) + 1) goOn = Offer(callback, data, name);
    bufferFree(names);
    return goOn;
}

// The machine's own domain; 0 = go on, 1 = the callback stopped, -1 = LSA failed.
int OfferPrimaryDomain(DomainCallback callback, LPARAM data)
{
    const AccountApi& api = Accounts();
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    NTSTATUS status = api.LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy);
    PVOID buffer = nullptr;
    if (status == 0) status = api.LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer);
    if (status != 0) {
        if (policy) api.LsaClose(policy);
        SetLastError(api.LsaNtStatusToWinError(status));
        return -1;
    }
    bool goOn = true;
    auto* primary = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(buffer);
    if (primary && primary->Sid && primary->Name.Buffer) {
        WCHAR name[DNLEN + 2] = {};
        const int chars = primary->Name.Length / sizeof(WCHAR);
        lstrcpynW(name, primary->Name.Buffer, (chars < DNLEN + 1 ? chars : DNLEN + 1) + 1);
        goOn = Offer(callback, data, name);
    }
    if (buffer) api.LsaFreeMemory(buffer);
    api.LsaClose(policy);
    return goOn ? 0 : 1;
}

bool ComboHasExactText(HWND box, LPCTSTR text)
{
    const int count = int(SendMessage(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessage(box, CB_GETLBTEXTLEN, i, 0);
        if (length == CB_ERR || length >= 300) continue;
        TCHAR item[300];
        SendMessage(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        if (lstrcmp(item, text) == 0) return true;
    }
    return false;
}
}  // namespace

bool EnumTrustedDomains(DomainCallback callback, LPARAM data)
{
    const AccountApi& api = Accounts();
    // Normally loaded already by the logon side; loaded here when it is not.
    HMODULE netapi = api.GetModuleHandleW(L"netapi32.dll");
    if (!netapi) netapi = api.LoadLibraryW(L"netapi32.dll");
    auto serverGetInfo =
        netapi ? reinterpret_cast<PFN_NetServerGetInfo>(api.GetProcAddress(netapi, "NetServerGetInfo")) : nullptr;
    auto bufferFree =
        netapi ? reinterpret_cast<PFN_NetApiBufferFree>(api.GetProcAddress(netapi, "NetApiBufferFree")) : nullptr;
    if (!serverGetInfo || !bufferFree) {
        KeyLog(LOG_ERROR, "EnumTrustedDomains", "ERR load NetAPI");
        return false;
    }
    if (!OfferTrustedDomains(netapi, bufferFree, callback, data)) return true;

    const int primary = OfferPrimaryDomain(callback, data);
    if (primary < 0) return false;
    if (primary > 0) return true;

    LPBYTE buffer = nullptr;
    const DWORD status = serverGetInfo(nullptr, 101, &buffer);
    if (status != NERR_Success) {
        if (buffer) bufferFree(buffer);
        SetLastError(status);
        return false;
    }
    const DWORD type = reinterpret_cast<SERVER_INFO_101*>(buffer)->sv101_type;
    bufferFree(buffer);
    // A domain controller's accounts are the domain's: its own name is no logon domain.
    if (type & kDomainController) return true;
    WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = ARRAYSIZE(computer);
    if (api.GetComputerNameW(computer, &size)) Offer(callback, data, computer);
    return true;
}

BOOL CALLBACK EnumDomainProc(LPCTSTR domain, LPARAM data)
{
    KeyLog(LOG_TRACE, "EnumDomainProc", "EnumDomainProc %s", CAnsiText(domain).c_str());
    HWND box = GetDlgItem(reinterpret_cast<HWND>(data), IDC_DOMAIN_BOX);
    if (box && !ComboHasExactText(box, domain)) SendMessage(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(domain));
    return TRUE;
}

INT_PTR CALLBACK AvailableDomainsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        KeyLog(LOG_TRACE, "AvailableDomainsDlgProc", "Getting domains ... %X", unsigned(GetLastError()));
        SetWindowLongPtr(dialog, DWLP_USER, lParam ? lParam : reinterpret_cast<LPARAM>(GetParent(dialog)));
        TCHAR text[200];
        LoadText(IDS_AVAILABLE_DOMAINS, text, ARRAYSIZE(text));
        SetDlgItemText(dialog, IDC_ACCOUNT_TEXT, text);
        SetWindowText(dialog, kProductCaption);
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
        // The walk runs once the window is on screen.
        PostMessage(dialog, WM_FILL_DOMAINS, 0, 0);
        return TRUE;
    }
    case WM_FILL_DOMAINS: {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        const LPARAM logonWindow = GetWindowLongPtr(dialog, DWLP_USER);
        for (int attempt = 0; attempt < kDomainAttempts; ++attempt) {
            if (EnumTrustedDomains(EnumDomainProc, logonWindow)) break;
            KeyLog(LOG_ERROR, "AvailableDomainsDlgProc", "ERR getting domains %X", unsigned(GetLastError()));
            Sleep(kRetryMs);
        }
        KeyLog(LOG_TRACE, "AvailableDomainsDlgProc", "EnumTrustedDomains LE %X", unsigned(GetLastError()));
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        EndDialog(dialog, 1);
        return TRUE;
    }
    }
    return FALSE;
}
