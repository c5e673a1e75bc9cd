// A GINA for testing the host: every entry point journals what it got, and behaves as the
// environment variables of fixture_ids.h say.
#include "fixture_state.h"

#include "fixture_config.h"
#include "fixture_dialogs.h"
#include "fixture_ids.h"
#include "fixture_journal.h"

FixtureState g_fixture;
HINSTANCE g_fixtureModule = nullptr;
int g_fixtureContext = 0;

namespace {
void CheckContext(const char* function, PVOID context)
{
    if (context != &g_fixtureContext) Journal("BadContext %s", function);
}

PWSTR LocalString(const std::wstring& text)
{
    auto* copy = static_cast<PWSTR>(LocalAlloc(LMEM_FIXED, (text.size() + 1) * sizeof(wchar_t)));
    CopyMemory(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return copy;
}

void AskForCredentials(const char* name, PWLX_QUERY_CLIENT_CREDENTIALS query)
{
    WLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials = {};
    BOOL ok = query(&credentials);
    if (!ok) {
        Journal("%s FALSE", name);
        return;
    }
    Journal("%s TRUE type=%lu user=%s domain=%s password=%s prompt=%d", name, credentials.dwType,
            JournalUtf8(credentials.pszUserName).c_str(), JournalUtf8(credentials.pszDomain).c_str(),
            JournalUtf8(credentials.pszPassword).c_str(), credentials.fPromptForPassword);
    // The strings are the GINA's to free.
    LocalFree(credentials.pszUserName);
    LocalFree(credentials.pszDomain);
    LocalFree(credentials.pszPassword);
}

void CheckReturnDesktop(const char* where)
{
    if (g_fixture.version < WLX_VERSION_1_1) return;
    PWLX_DESKTOP desktop = nullptr;
    if (!g_fixture.dispatch->WlxGetSourceDesktop(g_fixture.hWlx, &desktop)) return;
    BOOL ok = g_fixture.dispatch->WlxSetReturnDesktop(g_fixture.hWlx, desktop);
    Journal("SetReturnDesktop in %s %s", where, ok ? "TRUE" : "FALSE");
    LocalFree(desktop);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_fixtureModule = instance;
    return TRUE;
}

BOOL WINAPI WlxNegotiate(DWORD dwWinlogonVersion, PDWORD pdwDllVersion)
{
    JournalClear();
    g_fixture = FixtureState();
    DWORD highest = FixtureNumber(fixture_env::kMaxVersion, WLX_VERSION_1_3);
    DWORD lowest = FixtureNumber(fixture_env::kMinVersion, WLX_VERSION_1_1);
    DWORD answer = FixtureNumber(fixture_env::kAnswerVersion, dwWinlogonVersion < highest ? dwWinlogonVersion : highest);
    BOOL ok = dwWinlogonVersion >= lowest;
    *pdwDllVersion = ok ? answer : lowest;
    g_fixture.version = *pdwDllVersion;
    Journal("Negotiate offered=0x%lx answered=0x%lx %s", dwWinlogonVersion, *pdwDllVersion, ok ? "TRUE" : "FALSE");
    return ok;
}

BOOL WINAPI WlxInitialize(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved, PVOID pWinlogonFunctions,
                          PVOID* pWlxContext)
{
    g_fixture.hWlx = hWlx;
    g_fixture.dispatch = static_cast<PWLX_DISPATCH_VERSION_1_3>(pWinlogonFunctions);
    Journal("Initialize winsta=%s hWlx=%p reserved=%p table=%p", JournalUtf8(lpWinsta).c_str(), hWlx, pvReserved,
            pWinlogonFunctions);
    PWLX_DISPATCH_VERSION_1_3 wlx = g_fixture.dispatch;
    if (g_fixture.version >= WLX_VERSION_1_3) {
        ULONG_PTR size = 0;
        if (wlx->WlxGetOption(hWlx, WLX_OPTION_DISPATCH_TABLE_SIZE, &size)) Journal("TableSize %lu", (unsigned long)size);
    }
    std::wstring cad = FixtureSetting(fixture_env::kCtrlAltDel, L"use");
    if (cad == L"use") wlx->WlxUseCtrlAltDel(hWlx);
    if (cad == L"option") {
        ULONG_PTR old = 0;
        BOOL ok = wlx->WlxSetOption(hWlx, WLX_OPTION_USE_CTRL_ALT_DEL, TRUE, &old);
        Journal("SetOption USE_CTRL_ALT_DEL %s old=%lu", ok ? "TRUE" : "FALSE", (unsigned long)old);
    }
    if (DWORD timeout = FixtureNumber(fixture_env::kTimeout, 0)) wlx->WlxSetTimeout(hWlx, timeout);
    if (FixtureSetting(fixture_env::kContext) == L"setpointer") {
        wlx->WlxSetContextPointer(hWlx, &g_fixtureContext);
        *pWlxContext = nullptr;
    } else {
        *pWlxContext = &g_fixtureContext;
    }
    return TRUE;
}

VOID WINAPI WlxDisplaySASNotice(PVOID pWlxContext)
{
    CheckContext("WlxDisplaySASNotice", pWlxContext);
    if (!FixtureFlag(fixture_env::kNoticeDialog, true)) {
        Journal("DisplaySASNotice without a dialog");
        return;
    }
    Journal("NoticeDialog result=%d", ShowNoticeDialog());
}

int WINAPI WlxLoggedOutSAS(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId, PSID pLogonSid,
                           PDWORD pdwOptions, PHANDLE phToken, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo, PVOID* pProfile)
{
    CheckContext("WlxLoggedOutSAS", pWlxContext);
    Journal("LoggedOutSAS sas=%lu logonSid=%s", dwSasType, pLogonSid && IsValidSid(pLogonSid) ? "valid" : "invalid");
    if (g_fixture.version >= WLX_VERSION_1_3) {
        AskForCredentials("ClientCredentials", g_fixture.dispatch->WlxQueryClientCredentials);
        AskForCredentials("InetCredentials", g_fixture.dispatch->WlxQueryInetConnectorCredentials);
    }
    CheckReturnDesktop("WlxLoggedOutSAS");
    if (FixtureFlag(fixture_env::kLogonDialog, false)) {
        std::wstring user;
        int result = ShowLogonDialog(user);
        Journal("LogonDialog result=%d user=%s", result, JournalUtf8(user.c_str()).c_str());
        if (result != IDOK) return WLX_SAS_ACTION_NONE;
        g_fixture.user = user;
    }
    int action = FixtureAction(fixture_env::kLoggedOutActions, L"LOGON", g_fixture.loggedOutCalls++);
    if (action != WLX_SAS_ACTION_LOGON) return action;

    pAuthenticationId->HighPart = 0;
    pAuthenticationId->LowPart = 0x1000 + g_fixture.loggedOutCalls;
    *pdwOptions = 0;
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &token);
    *phToken = token;
    pNprNotifyInfo->pszUserName = LocalString(g_fixture.user);
    pNprNotifyInfo->pszDomain = LocalString(L"FIXTURE");
    pNprNotifyInfo->pszPassword = LocalString(L"secret");
    pNprNotifyInfo->pszOldPassword = nullptr;
    auto* profile = static_cast<PWLX_PROFILE_V1_0>(LocalAlloc(LPTR, sizeof(WLX_PROFILE_V1_0)));
    profile->dwType = WLX_PROFILE_TYPE_V1_0;
    profile->pszProfile = LocalString(L"\\\\fixture\\profiles\\" + g_fixture.user);
    *pProfile = profile;
    return action;
}

BOOL WINAPI WlxActivateUserShell(PVOID pWlxContext, PWSTR pszDesktopName, PWSTR pszMprLogonScript, PVOID pEnvironment)
{
    CheckContext("WlxActivateUserShell", pWlxContext);
    const wchar_t* environment = static_cast<const wchar_t*>(pEnvironment);
    bool environmentOk = environment && *environment && wcschr(environment, L'=');
    // The environment block is the GINA's to free, with VirtualFree.
    bool freed = pEnvironment && VirtualFree(pEnvironment, 0, MEM_RELEASE);
    Journal("ActivateUserShell desktop=%s script=%s environment=%s freed=%s", JournalUtf8(pszDesktopName).c_str(),
            JournalUtf8(pszMprLogonScript).c_str(), environmentOk ? "ok" : "bad", freed ? "yes" : "no");
    if (FixtureFlag(fixture_env::kWelcomeBox, false)) {
        std::wstring text = L"Welcome, " + g_fixture.user + L"!\nYour desktop is ready.";
        int result = g_fixture.dispatch->WlxMessageBox(g_fixture.hWlx, nullptr, &text[0],
                                                       const_cast<LPWSTR>(FIXTURE_WELCOME_TITLE),
                                                       MB_OK | MB_ICONINFORMATION);
        Journal("WelcomeBox result=%d", result);
    }
    return FixtureFlag(fixture_env::kShellOk, true);
}

int WINAPI WlxLoggedOnSAS(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved)
{
    CheckContext("WlxLoggedOnSAS", pWlxContext);
    Journal("LoggedOnSAS sas=%lu", dwSasType);
    CheckReturnDesktop("WlxLoggedOnSAS");
    if (FixtureFlag(fixture_env::kOptionsDialog, false)) {
        int result = ShowOptionsDialog();
        Journal("OptionsDialog result=%d", result);
        switch (result) {
        case IDC_OPTIONS_LOCK: return WLX_SAS_ACTION_LOCK_WKSTA;
        case IDC_OPTIONS_LOGOFF: return WLX_SAS_ACTION_LOGOFF;
        case IDC_OPTIONS_SHUTDOWN: return WLX_SAS_ACTION_SHUTDOWN;
        default: return WLX_SAS_ACTION_NONE;
        }
    }
    return FixtureAction(fixture_env::kLoggedOnActions, L"NONE", g_fixture.loggedOnCalls++);
}

VOID WINAPI WlxDisplayLockedNotice(PVOID pWlxContext)
{
    CheckContext("WlxDisplayLockedNotice", pWlxContext);
    if (!FixtureFlag(fixture_env::kNoticeDialog, true)) {
        Journal("DisplayLockedNotice without a dialog");
        return;
    }
    Journal("LockedDialog result=%d", ShowLockedDialog());
}

int WINAPI WlxWkstaLockedSAS(PVOID pWlxContext, DWORD dwSasType)
{
    CheckContext("WlxWkstaLockedSAS", pWlxContext);
    Journal("WkstaLockedSAS sas=%lu", dwSasType);
    return FixtureAction(fixture_env::kLockedActions, L"UNLOCK_WKSTA", g_fixture.lockedCalls++);
}

BOOL WINAPI WlxIsLockOk(PVOID pWlxContext)
{
    CheckContext("WlxIsLockOk", pWlxContext);
    BOOL ok = FixtureFlag(fixture_env::kLockOk, true);
    Journal("IsLockOk %s", ok ? "TRUE" : "FALSE");
    return ok;
}

BOOL WINAPI WlxIsLogoffOk(PVOID pWlxContext)
{
    CheckContext("WlxIsLogoffOk", pWlxContext);
    BOOL ok = FixtureFlag(fixture_env::kLogoffOk, true);
    Journal("IsLogoffOk %s", ok ? "TRUE" : "FALSE");
    return ok;
}

VOID WINAPI WlxLogoff(PVOID pWlxContext)
{
    CheckContext("WlxLogoff", pWlxContext);
    Journal("Logoff");
}

VOID WINAPI WlxShutdown(PVOID pWlxContext, DWORD ShutdownType)
{
    CheckContext("WlxShutdown", pWlxContext);
    Journal("Shutdown type=%lu", ShutdownType);
}

BOOL WINAPI WlxScreenSaverNotify(PVOID pWlxContext, BOOL* pSecure)
{
    CheckContext("WlxScreenSaverNotify", pWlxContext);
    Journal("ScreenSaverNotify secure=%d", *pSecure);
    return TRUE;
}

BOOL WINAPI WlxNetworkProviderLoad(PVOID pWlxContext, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo)
{
    CheckContext("WlxNetworkProviderLoad", pWlxContext);
    Journal("NetworkProviderLoad");
    pNprNotifyInfo->pszUserName = LocalString(g_fixture.user);
    pNprNotifyInfo->pszDomain = LocalString(L"FIXTURE");
    return TRUE;
}

BOOL WINAPI WlxDisplayStatusMessage(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions, PWSTR pTitle, PWSTR pMessage)
{
    CheckContext("WlxDisplayStatusMessage", pWlxContext);
    Journal("DisplayStatusMessage title=%s message=%s", JournalUtf8(pTitle).c_str(), JournalUtf8(pMessage).c_str());
    g_fixture.statusMessage = pMessage ? pMessage : L"";
    return TRUE;
}

BOOL WINAPI WlxGetStatusMessage(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage, DWORD dwBufferSize)
{
    CheckContext("WlxGetStatusMessage", pWlxContext);
    Journal("GetStatusMessage");
    if (g_fixture.statusMessage.empty() || dwBufferSize == 0) return FALSE;
    lstrcpynW(pMessage, g_fixture.statusMessage.c_str(), (int)dwBufferSize);
    *pdwOptions = 0;
    return TRUE;
}

BOOL WINAPI WlxRemoveStatusMessage(PVOID pWlxContext)
{
    CheckContext("WlxRemoveStatusMessage", pWlxContext);
    Journal("RemoveStatusMessage");
    g_fixture.statusMessage.clear();
    return TRUE;
}
