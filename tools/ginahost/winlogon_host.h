// ginahost's core: a stand-in for Winlogon that loads a GINA DLL and drives it through the
// documented GINA interface only, the way Winlogon of the running Windows would.
//
//   CWinlogonHost host(options);
//   host.Load(); host.Negotiate(); host.Initialize();   // on the thread that will be Winlogon's
//   host.Run();                                          // the state machine until shutdown
// or, for tests, all of it on a thread of its own:
//   host.Start();                       // returns once WlxInitialize is done
//   host.Post("cad");                   // any thread; see command.h for the commands
//   host.WaitForState(HostState::LoggedOn, 5000);
//   host.WaitForTrace("GINA> WlxActivateUserShell(", 5000);
//   host.Post("quit"); host.Join(5000);
//
// Every call into the GINA happens on Winlogon's thread (the one that called Load). Input
// (commands, WlxSasNotify from any GINA thread) is queued and handed to that thread through
// a hidden window, so it is taken even while the GINA runs a modal dialog: a SAS then goes
// to the GINA's dialog first (WLX_WM_SAS), and if the dialog does not keep it, the dialog
// ends with WLX_DLG_SAS and the state's Wlx*SAS entry point gets the SAS once the GINA has
// returned. Commands that call the GINA wait until it has returned (SASes typed after them
// do not wait: they are what makes the GINA return); logoff, shutdown and quit end the
// GINA's dialogs with WLX_DLG_USER_LOGOFF, as a logoff or shutdown from the shell does.
//
// States: logged-out (WlxDisplaySASNotice, a SAS -> WlxLoggedOutSAS), logged-on (a SAS ->
// WlxLoggedOnSAS; lock/logoff from the shell), locked (WlxDisplayLockedNotice, a SAS ->
// WlxWkstaLockedSAS), shut-down (after WlxShutdown; Run returns 0).
#pragma once
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "command.h"
#include "dialog_tracker.h"
#include "gina_calls.h"
#include "gina_module.h"
#include "host_options.h"
#include "host_window.h"
#include "trace.h"
#include "winlogon_dispatch.h"

enum class HostState { NotStarted, LoggedOut, LoggedOn, Locked, ShutDown, Failed };
const char* HostStateName(HostState state);  // "logged-out", ...

enum HostExitCode {
    kExitShutDown = 0,
    kExitUsage = 2,
    kExitLoadFailed = 3,
    kExitNoWinlogon = 4,
    kExitNegotiationFailed = 5,
    kExitInitializeFailed = 6,
};

class CWinlogonHost : private IWinlogonEvents {
public:
    explicit CWinlogonHost(HostOptions options);
    ~CWinlogonHost();  // a started host is asked to quit first
    CWinlogonHost(const CWinlogonHost&) = delete;
    CWinlogonHost& operator=(const CWinlogonHost&) = delete;

    // Step by step; the calling thread becomes Winlogon's thread. Each returns false (and
    // sets ExitCode) when Winlogon would not go on with this GINA.
    bool Load();
    bool Negotiate();
    bool Initialize();
    int Run();  // until shutdown; returns the exit code

    // The same on a thread of its own: true once WlxInitialize succeeded.
    bool Start();
    bool Join(DWORD timeoutMs);  // true when the host thread has ended
    int ExitCode() const;

    // Input, from any thread.
    void Post(const std::string& commands);  // one or more, separated by ';' or line breaks
    void EndOfInput();                       // once the queue drains: quit

    // Observation, from any thread.
    HostState State() const;
    bool WaitForState(HostState state, DWORD timeoutMs) const;
    CTrace& Trace() { return trace_; }
    std::vector<std::string> TraceLines() const { return trace_.Lines(); }
    size_t TraceLineCount() const { return trace_.LineCount(); }
    bool WaitForTrace(const std::string& text, DWORD timeoutMs, size_t fromLine = 0) const
    {
        return trace_.WaitFor(text, timeoutMs, fromLine);
    }

    // What was negotiated and handed over.
    DWORD OfferedVersion() const { return offeredVersion_; }
    DWORD DllVersion() const { return dllVersion_; }
    HANDLE WinlogonHandle() { return dispatch_.Handle(); }  // hWlx
    const void* DispatchTable() { return dispatch_.Table(); }
    size_t DispatchTableSize() const { return dispatch_.TableSize(); }
    void* Context() const { return calls_.Context(); }
    bool CtrlAltDelEnabled() const { return dispatch_.CtrlAltDelEnabled(); }

    // Single traced entry points, for tests that drive the GINA by hand (Winlogon's thread).
    CGinaCalls& Gina() { return calls_; }

private:
    struct Event {
        bool isSas = false;
        DWORD sasType = 0;
        Command command;
    };

    // IWinlogonEvents
    void OnSasNotify(DWORD sasType) override;
    void OnContextPointer(void* context) override;
    void* CurrentContext() const override { return calls_.Context(); }
    const char* GinaCallInProgress() const override { return calls_.CallInProgress(); }

    static DWORD WINAPI ThreadMain(void* self);
    void Fail(int exitCode, const std::string& error);

    // Input (winlogon_input.cpp), Winlogon's thread.
    void OnWake();
    bool TakeInput(bool atTopLevel, Command& command);
    Event WaitForEvent();
    void DeliverSas(DWORD sasType, bool fromKeyboard);
    bool InputRemains();
    bool InterruptsGinaDialogs(CommandKind kind) const;

    // The state machine (winlogon_states.cpp), Winlogon's thread.
    void EnterState(HostState state);
    void ShowNoticeIfDue();
    void HandleSas(DWORD sasType);
    void HandleCommand(const Command& command);
    void TryLogon(DWORD sasType);
    void ActivateShell();
    void ApplyLoggedOnAction(int action);
    void ApplyLockedAction(int action);
    void LogOff();
    void EndSession();
    void ShutDown(DWORD action);
    bool HasStatusMessages() const;
    void ScreenSaver();
    void NetworkProviderLoad();
    void StatusCommand(const Command& command);
    void GetStatusCommand();
    void PrintState();

    HostOptions options_;
    CTrace trace_;
    CGinaModule module_;
    CGinaCalls calls_;
    CDialogTracker dialogs_;
    CWinlogonDispatch dispatch_;
    CHostWindow window_;

    DWORD offeredVersion_ = 0;
    DWORD dllVersion_ = 0;
    int exitCode_ = kExitShutDown;
    HANDLE thread_ = nullptr;
    HANDLE initialized_ = nullptr;
    bool startOk_ = false;

    // Input queues, shared with other threads.
    std::mutex inputMutex_;
    std::deque<Command> commands_;
    std::deque<DWORD> sasInbox_;
    bool inputEnded_ = false;

    // Winlogon's thread only.
    std::deque<DWORD> pendingSas_;  // SASes that reached no dialog or ended one: for the state machine
    bool takingInput_ = false;
    bool waiting_ = false;
    DWORD waitUntil_ = 0;
    bool quitIssued_ = false;
    bool noticeDue_ = false;
    bool finished_ = false;
    HANDLE userToken_ = nullptr;

    mutable std::mutex stateMutex_;
    mutable std::condition_variable stateChanged_;
    HostState state_ = HostState::NotStarted;
};
