// The GINA's one context: the global record Winlogon hands back on every call, the
// account record of a logon, the custom SAS codes and the module-wide objects.
#pragma once
#include <windows.h>
#include <lm.h>
// MinGW's header declares the entry points without C linkage; they are exported by
// their plain names.
extern "C" {
#include <winwlx.h>
}

#include "handle_holder.h"
#include "message_box.h"
#include "smart_key_wnd.h"

// Custom SAS codes the GINA sends itself through WlxSasNotify (Winlogon keeps <= 127).
enum GinaSas : DWORD {
    GINA_SAS_LOGON = 250,     // the logon dialog built an account record
    GINA_SAS_SHUTDOWN = 251,  // logon dialog, Shut Down
    GINA_SAS_LOCK = 252,      // the logon key was pulled: lock
    GINA_SAS_LOGOFF = 253,    // the logon key was pulled: log off
    GINA_SAS_RESTART = 256,   // logon dialog, Restart
};

// Glb::LogonState. Key-removal behaviour acts only in LOGON_STATE_ACTIVE.
enum LogonState : DWORD {
    LOGON_STATE_NONE = 0,         // a logon attempt failed; the logon dialog resets to this
    LOGON_STATE_ACTIVE = 1,       // after WlxInitialize and after the shell started
    LOGON_STATE_LOGGED_OFF = 2,   // after WlxIsLogoffOk / WlxLogoff
    LOGON_STATE_LOGGING_ON = 3,   // WlxLoggedOutSAS works on an attempt
};

const DWORD kGlbSignature = 77;
const int kKeyNameChars = 93;

// Logon account record of the current or last attempt. Local heap, never zeroed as a
// whole; the previous record is not freed when a new one is built.
struct Acc {
    LPWSTR userName;
    LPWSTR domain;     // "." when the profile names none
    LPWSTR password;
    LPWSTR userName2;
    WCHAR logonTime[100];      // local time, two blanks, short date
    LPWSTR keyLabel;           // kKeyNameChars: key display name, or "[Key was not presented]"
    USER_INFO_3* userInfo;     // freed with NetApiBufferFree at log-off
    LPWSTR keyReader;          // kKeyNameChars: reader of the logon key, empty for a typed logon
    BYTE keySerial[40];        // 8-byte key serial at the start
    DWORD byKey;               // 1: logged on with a key profile
    DWORD lastError;           // GetLastError() of the last failed LogonUserW
};

// Global context record (pGlb in traces): created once in WlxInitialize, zero-filled,
// handed to Winlogon as the context pointer and never freed.
struct Glb {
    DWORD signature;       // kGlbSignature
    HANDLE userToken;
    Acc* pAcc;
    LPWSTR windowStation;  // Winlogon's pointer, not a copy
    DWORD locked;
    DWORD LogonState;
    DWORD logonResult;     // 0 nothing pending, 1 account ready, else the LogonUserW error
    HANDLE hWlx;
    DWORD noticeShown;
    LPWSTR lastUserName;   // local-heap copy of the last account's user name
};

// Module-wide objects, written only during DllMain and WlxInitialize.
extern HINSTANCE g_hInstance;
extern HANDLE g_hWlx;
extern PWLX_DISPATCH_VERSION_1_0 g_pWinlogon;  // the 1.1 and 1.3 tables extend this one
extern DWORD g_dwWlxVersion;                   // negotiated: WLX_VERSION_1_1 or WLX_VERSION_1_3
extern WCHAR g_szComputerName[50];
extern Glb* g_pGlb;
extern CHandleHolder LogoBitmap;
extern CSmartKey_WndDisp g_SmartKey;  // the process's key monitor, for application 223
extern int g_logonAttempts;

// The log name of the GINA. The caption of its message boxes is kProductCaption.
extern const WCHAR kGinaLogName[];
