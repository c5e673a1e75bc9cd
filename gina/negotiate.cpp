// Version negotiation and initialisation: the first two calls Winlogon makes.
#include "gina_context.h"
#include "log.h"
#include "main_wnd.h"
#include "windows_version.h"

namespace {
const WCHAR kWinlogonKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const WCHAR kVersionConflictText[] =
    L"Logon initialization failed due to a version conflict\nGINA module was uninstalled.\n"
    L"Windows NT will shutdown when you press OK.";

// A Winlogon older than 1.1 cannot run this GINA: take it out of the configuration so
// the next start uses the system's own logon.
void UninstallForVersionConflict()
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kWinlogonKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const bool removed = RegDeleteValueW(key, L"GinaDll") == ERROR_SUCCESS;
    RegCloseKey(key);
    if (removed) MessageBoxW(nullptr, kVersionConflictText, kProductCaption, MB_OK);
}

// Windows XP: ordinal 2 of the shell services library is called with 2000 until it
// answers zero, at most six times; after a zero answer ordinal 1 is called once.
void WaitForXpShellServices()
{
    HMODULE library = LoadLibraryW(L"Shsvcs.dll");
    if (!library) return;
    using WaitFn = DWORD(WINAPI*)(DWORD);
    using SignalFn = void(WINAPI*)();
    auto wait = reinterpret_cast<WaitFn>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(2))));
    auto signal = reinterpret_cast<SignalFn>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(1))));
    if (wait && signal) {
        for (int call = 0; call < 6; ++call) {
            if (wait(2000) == 0) {
                signal();
                break;
            }
        }
    }
    FreeLibrary(library);
}
}  // namespace

extern "C" BOOL WINAPI WlxNegotiate(DWORD dwWinlogonVersion, PDWORD pdwDllVersion)
{
    g_log.Trace("WlxNegotiate, ver:", dwWinlogonVersion);
    if (dwWinlogonVersion < WLX_VERSION_1_1) {
        g_log.Trace("Unknown version: ", dwWinlogonVersion);
        UninstallForVersionConflict();
        return FALSE;
    }
    const int versionClass = GetWindowsVersionClass();
    if (versionClass == kWinNT4)
        g_dwWlxVersion = WLX_VERSION_1_1;
    else if (versionClass >= kWin2000)
        g_dwWlxVersion = WLX_VERSION_1_3;
    if (g_dwWlxVersion && pdwDllVersion) *pdwDllVersion = g_dwWlxVersion;
    g_log.Trace("neg ok", g_dwWlxVersion);
    return TRUE;
}

extern "C" BOOL WINAPI WlxInitialize(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved, PVOID pWinlogonFunctions,
                                     PVOID* pWlxContext)
{
    // The GINA never opens a reader of that name.
    g_SmartKey.SetReaderIgnored("VIDOR");
    g_log.Trace("WlxInitialize, hWlx ", DWORD(ULONG_PTR(hWlx)));
    const int versionClass = GetWindowsVersionClass();
    if (versionClass == kWinXP) WaitForXpShellServices();
    if (versionClass >= kWinNT4) g_pWinlogon = static_cast<PWLX_DISPATCH_VERSION_1_0>(pWinlogonFunctions);
    g_hWlx = hWlx;

    Glb* glb = static_cast<Glb*>(LocalAlloc(LPTR, sizeof(Glb)));
    if (!glb) {
        // Without its context the GINA cannot serve Winlogon; say so instead of failing later.
        g_log.Write(LOG_ERROR, "WlxInitialize", "no memory for the context (%lu)", GetLastError());
        return FALSE;
    }
    glb->signature = kGlbSignature;
    glb->windowStation = lpWinsta;
    glb->LogonState = LOGON_STATE_ACTIVE;
    glb->hWlx = hWlx;
    *pWlxContext = glb;
    g_pGlb = glb;

    if (g_pWinlogon) g_pWinlogon->WlxUseCtrlAltDel(hWlx);
    g_logonAttempts = 0;
    DWORD size = ARRAYSIZE(g_szComputerName);
    if (!GetComputerNameW(g_szComputerName, &size)) g_szComputerName[0] = 0;
    g_MainWnd.Init(g_hInstance);
    g_log.Trace("Initializing end", 0);
    return TRUE;
}
