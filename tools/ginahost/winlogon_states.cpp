// CWinlogonHost: the state machine Winlogon runs around the GINA.
#include "winlogon_host.h"

#include "logon_data.h"
#include "text_format.h"
#include "wlx_names.h"

namespace {
const wchar_t kShellDesktop[] = L"Winsta0\\Default";
const wchar_t kStatusTitle[] = L"Please wait";
const wchar_t kApplyingSettings[] = L"Applying your personal settings...";
const wchar_t kLoggingOff[] = L"Logging off...";
}  // namespace

int CWinlogonHost::Run()
{
    EnterState(HostState::LoggedOut);
    while (!finished_) {
        ShowNoticeIfDue();
        Event event = WaitForEvent();
        if (event.isSas)
            HandleSas(event.sasType);
        else
            HandleCommand(event.command);
    }
    return exitCode_;
}

void CWinlogonHost::EnterState(HostState state)
{
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        state_ = state;
    }
    noticeDue_ = state == HostState::LoggedOut || state == HostState::Locked;
    trace_.Host(std::string("state: ") + HostStateName(state));
    stateChanged_.notify_all();
}

// The notice of a state is shown on entering it, unless a SAS is already waiting.
void CWinlogonHost::ShowNoticeIfDue()
{
    if (!noticeDue_) return;
    noticeDue_ = false;
    if (!pendingSas_.empty()) return;
    // Input that is already queued is for the notice's dialog loop.
    if (InputRemains()) window_.Wake();
    if (State() == HostState::LoggedOut)
        calls_.DisplaySasNotice();
    else if (State() == HostState::Locked)
        calls_.DisplayLockedNotice();
}

void CWinlogonHost::HandleSas(DWORD sasType)
{
    switch (State()) {
    case HostState::LoggedOut:
        TryLogon(sasType);
        break;
    case HostState::LoggedOn:
        ApplyLoggedOnAction(calls_.LoggedOnSas(sasType));
        break;
    case HostState::Locked:
        ApplyLockedAction(calls_.WkstaLockedSas(sasType));
        break;
    default:
        break;
    }
}

void CWinlogonHost::TryLogon(DWORD sasType)
{
    CLogonSid logonSid;
    LoggedOutResult result;
    int action = calls_.LoggedOutSas(sasType, logonSid.Sid(), result);
    // Winlogon hands the network logon information to the providers, then frees it.
    FreeMprInfo(result.mprInfo);
    FreeProfile(result.profile);
    if (action == WLX_SAS_ACTION_LOGON) {
        userToken_ = result.token;
        ActivateShell();
    } else if (IsShutdownAction(action)) {
        ShutDown(action);
    } else {
        if (IsSleepAction(action))
            trace_.Host("the computer would go to sleep now");
        else if (action != WLX_SAS_ACTION_NONE)
            trace_.Host("WlxLoggedOutSAS returned " + SasActionName(action) + ", which means nothing when logged out");
        EnterState(HostState::LoggedOut);
    }
}

void CWinlogonHost::ActivateShell()
{
    bool status = HasStatusMessages();
    if (status)
        calls_.DisplayStatusMessage(GetThreadDesktop(GetCurrentThreadId()), 0, kStatusTitle, kApplyingSettings);
    BOOL started = calls_.ActivateUserShell(kShellDesktop, nullptr, NewEnvironmentBlock());
    if (status) calls_.RemoveStatusMessage();
    if (started) {
        EnterState(HostState::LoggedOn);
        return;
    }
    trace_.Host("WlxActivateUserShell failed: Winlogon cancels the logon");
    EndSession();
    EnterState(HostState::LoggedOut);
}

void CWinlogonHost::ApplyLoggedOnAction(int action)
{
    switch (action) {
    case WLX_SAS_ACTION_NONE:
    case WLX_SAS_ACTION_PWD_CHANGED:
        break;
    case WLX_SAS_ACTION_LOCK_WKSTA:
        EnterState(HostState::Locked);
        break;
    case WLX_SAS_ACTION_LOGOFF:
    case WLX_SAS_ACTION_FORCE_LOGOFF:
    case WLX_SAS_ACTION_DELAYED_FORCE_LOGOFF:
        LogOff();
        break;
    case WLX_SAS_ACTION_TASKLIST:
        trace_.Host("task manager would start now");
        break;
    default:
        if (IsShutdownAction(action) || IsSleepAction(action))
            ShutDown(action);
        else
            trace_.Host("WlxLoggedOnSAS returned " + SasActionName(action) + ": Winlogon stays logged on");
    }
}

void CWinlogonHost::ApplyLockedAction(int action)
{
    switch (action) {
    case WLX_SAS_ACTION_UNLOCK_WKSTA:
        EnterState(HostState::LoggedOn);
        break;
    case WLX_SAS_ACTION_LOGOFF:
    case WLX_SAS_ACTION_FORCE_LOGOFF:
        LogOff();
        break;
    default:
        if (action != WLX_SAS_ACTION_NONE)
            trace_.Host("WlxWkstaLockedSAS returned " + SasActionName(action) + ": the workstation stays locked");
        EnterState(HostState::Locked);
    }
}

// Ends the user's session: "Logging off..." (GINA 1.3), WlxLogoff, the token goes.
void CWinlogonHost::EndSession()
{
    bool status = HasStatusMessages();
    if (status) calls_.DisplayStatusMessage(GetThreadDesktop(GetCurrentThreadId()), 0, kStatusTitle, kLoggingOff);
    calls_.Logoff();
    if (status) calls_.RemoveStatusMessage();
    if (userToken_) CloseHandle(userToken_);
    userToken_ = nullptr;
}

void CWinlogonHost::LogOff()
{
    EndSession();
    EnterState(HostState::LoggedOut);
}

void CWinlogonHost::ShutDown(DWORD action)
{
    if (IsSleepAction((int)action)) {
        // Standby and hibernation keep the session: nothing for the GINA to end.
        trace_.Host("the computer would go to sleep now (" + SasActionName((int)action) + "); the session stays");
        return;
    }
    HostState state = State();
    if (state == HostState::LoggedOn || state == HostState::Locked) EndSession();
    calls_.Shutdown(action);
    trace_.Host("the computer would shut down now (" + SasActionName((int)action) + ")");
    exitCode_ = kExitShutDown;
    finished_ = true;
    EnterState(HostState::ShutDown);
}

bool CWinlogonHost::HasStatusMessages() const { return dllVersion_ >= WLX_VERSION_1_3; }

void CWinlogonHost::HandleCommand(const Command& command)
{
    HostState state = State();
    switch (command.kind) {
    case CommandKind::Quit:
    case CommandKind::Shutdown:
        ShutDown(command.number);
        break;
    case CommandKind::Lock:
        if (state != HostState::LoggedOn)
            trace_.Host(std::string("lock: nobody to lock out (state ") + HostStateName(state) + ")");
        else if (calls_.IsLockOk())
            EnterState(HostState::Locked);
        break;
    case CommandKind::Logoff:
        if (state != HostState::LoggedOn)
            trace_.Host(std::string("logoff: no user session to end from the shell (state ") + HostStateName(state) +
                        ")");
        else if (calls_.IsLogoffOk())
            LogOff();
        break;
    case CommandKind::ScreenSaver:
        ScreenSaver();
        break;
    case CommandKind::NpLoad:
        NetworkProviderLoad();
        break;
    case CommandKind::Status:
        StatusCommand(command);
        break;
    case CommandKind::GetStatus:
        GetStatusCommand();
        break;
    default:
        break;
    }
}

void CWinlogonHost::ScreenSaver()
{
    if (State() != HostState::LoggedOn) {
        trace_.Host("screensaver: Winlogon asks the GINA only while a user is logged on");
        return;
    }
    BOOL secure = TRUE;  // a password-protected screen saver
    BOOL run;
    if (calls_.HasScreenSaverNotify()) {
        run = calls_.ScreenSaverNotify(secure);
    } else {
        trace_.Host("the GINA does not export WlxScreenSaverNotify: Winlogon decides with WlxIsLockOk");
        secure = calls_.IsLockOk();
        run = TRUE;
    }
    if (!run) {
        trace_.Host("the screen saver does not start");
        return;
    }
    trace_.Host(secure ? "the screen saver runs; the workstation is locked when it ends" : "the screen saver runs");
    if (secure) EnterState(HostState::Locked);
}

void CWinlogonHost::NetworkProviderLoad()
{
    if (!module_.EntryPoints().NetworkProviderLoad) {
        trace_.Host("npload: the GINA does not export WlxNetworkProviderLoad");
        return;
    }
    WLX_MPR_NOTIFY_INFO info = {};
    calls_.NetworkProviderLoad(info);
    FreeMprInfo(info);
}

void CWinlogonHost::StatusCommand(const Command& command)
{
    if (!HasStatusMessages()) {
        trace_.Host("status messages need GINA version 1.3; this one is " + VersionName(dllVersion_));
        return;
    }
    if (command.text.empty())
        calls_.RemoveStatusMessage();
    else
        calls_.DisplayStatusMessage(GetThreadDesktop(GetCurrentThreadId()), 0, kStatusTitle, command.text.c_str());
}

void CWinlogonHost::GetStatusCommand()
{
    if (!HasStatusMessages()) {
        trace_.Host("status messages need GINA version 1.3; this one is " + VersionName(dllVersion_));
        return;
    }
    DWORD options = 0;
    std::wstring message;
    calls_.GetStatusMessage(options, message);
}

void CWinlogonHost::PrintState()
{
    trace_.Host(std::string("state: ") + HostStateName(State()) + " (GINA " + VersionName(dllVersion_) +
                ", Ctrl+Alt+Del " + (dispatch_.CtrlAltDelEnabled() ? "on" : "off") + ", " +
                std::to_string(dialogs_.OpenCount()) + " dialog(s) open, input timeout " +
                std::to_string(dispatch_.TimeoutSeconds()) + " s)");
}
