// What the fixture GINA and the tests that drive it share: dialog and control ids, and the
// environment variables that tell the fixture how to behave (read at every call, so tests
// set them in-process and child processes inherit them).
#pragma once

// Dialogs from resources (WlxDialogBoxParam / WlxDialogBox).
#define IDD_FIXTURE_NOTICE 101
#define IDD_FIXTURE_LOCKED 102
#define IDC_NOTICE_TEXT 1001
#define IDC_LOCKED_TEXT 1002

// The logon dialog (in memory, WlxDialogBoxIndirectParam).
#define IDC_LOGON_USER 2001
#define IDC_LOGON_PASSWORD 2002
#define IDC_LOGON_STATUS 2003

// The logged-on options dialog (in memory, WlxDialogBoxIndirect).
#define IDC_OPTIONS_LOCK 3001
#define IDC_OPTIONS_LOGOFF 3002
#define IDC_OPTIONS_SHUTDOWN 3003

#define FIXTURE_WELCOME_TITLE L"Ostrel Logon fixture"

#ifdef __cplusplus
namespace fixture_env {
// Negotiation: the highest version the fixture speaks (default 0x10003), the lowest it
// needs (default 0x10001: it refuses 1.0), or an answer forced regardless of the offer.
constexpr const wchar_t* kMaxVersion = L"OVFIX_MAX_VERSION";
constexpr const wchar_t* kMinVersion = L"OVFIX_MIN_VERSION";
constexpr const wchar_t* kAnswerVersion = L"OVFIX_ANSWER_VERSION";
// How WlxInitialize asks for Ctrl+Alt+Del: "use" (WlxUseCtrlAltDel, default), "option"
// (WlxSetOption), "none".
constexpr const wchar_t* kCtrlAltDel = L"OVFIX_CAD";
// "setpointer": WlxInitialize hands its context over with WlxSetContextPointer, not *pWlxContext.
constexpr const wchar_t* kContext = L"OVFIX_CONTEXT";
// Seconds for WlxSetTimeout in WlxInitialize.
constexpr const wchar_t* kTimeout = L"OVFIX_TIMEOUT";
// "0": the notices open no dialog.
constexpr const wchar_t* kNoticeDialog = L"OVFIX_NOTICE_DIALOG";
// SAS types the notice dialog keeps (returns TRUE to WLX_WM_SAS), e.g. "250,251".
constexpr const wchar_t* kNoticeKeeps = L"OVFIX_NOTICE_KEEPS";
// "<ms>,<type>": the notice dialog calls WlxSasNotify from a thread of its own after <ms>.
constexpr const wchar_t* kSasNotify = L"OVFIX_SASNOTIFY";
// Actions the Wlx*SAS entry points return, one per call, the last one repeating:
// names without WLX_SAS_ACTION_ (LOGON, NONE, LOCK_WKSTA, ...) or numbers.
constexpr const wchar_t* kLoggedOutActions = L"OVFIX_LOGGEDOUT_ACTIONS";  // default LOGON
constexpr const wchar_t* kLoggedOnActions = L"OVFIX_LOGGEDON_ACTIONS";    // default NONE
constexpr const wchar_t* kLockedActions = L"OVFIX_LOCKED_ACTIONS";        // default UNLOCK_WKSTA
// "1": WlxLoggedOutSAS asks with the logon dialog; WlxLoggedOnSAS with the options dialog.
constexpr const wchar_t* kLogonDialog = L"OVFIX_LOGON_DIALOG";
constexpr const wchar_t* kOptionsDialog = L"OVFIX_OPTIONS_DIALOG";
// "1": WlxActivateUserShell greets the user with WlxMessageBox.
constexpr const wchar_t* kWelcomeBox = L"OVFIX_WELCOME_BOX";
// "0": WlxIsLockOk / WlxIsLogoffOk / WlxActivateUserShell say FALSE.
constexpr const wchar_t* kLockOk = L"OVFIX_LOCK_OK";
constexpr const wchar_t* kLogoffOk = L"OVFIX_LOGOFF_OK";
constexpr const wchar_t* kShellOk = L"OVFIX_SHELL_OK";
}  // namespace fixture_env
#endif
