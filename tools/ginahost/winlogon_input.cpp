// CWinlogonHost: input. Commands and WlxSasNotify calls arrive on any thread and are taken
// on Winlogon's thread, either at the top level of the state machine or, while the GINA has
// control, from the message loop the GINA is running (its dialogs, its message boxes).
#include "winlogon_host.h"

#include "text_format.h"
#include "wlx_names.h"

void CWinlogonHost::Post(const std::string& text)
{
    std::vector<Command> parsed;
    for (const std::string& line : SplitCommandLines(text)) {
        Command command;
        std::string error;
        if (ParseCommand(line, command, error))
            parsed.push_back(command);
        else
            trace_.Host(error);
    }
    {
        std::lock_guard<std::mutex> lock(inputMutex_);
        commands_.insert(commands_.end(), parsed.begin(), parsed.end());
    }
    window_.Wake();
}

void CWinlogonHost::EndOfInput()
{
    {
        std::lock_guard<std::mutex> lock(inputMutex_);
        inputEnded_ = true;
    }
    window_.Wake();
}

void CWinlogonHost::OnSasNotify(DWORD sasType)
{
    {
        std::lock_guard<std::mutex> lock(inputMutex_);
        sasInbox_.push_back(sasType);
    }
    window_.Wake();
}

bool CWinlogonHost::InterruptsGinaDialogs(CommandKind kind) const
{
    if (kind == CommandKind::Shutdown || kind == CommandKind::Quit) return true;
    HostState state = State();
    return kind == CommandKind::Logoff && (state == HostState::LoggedOn || state == HostState::Locked);
}

bool CWinlogonHost::InputRemains()
{
    std::lock_guard<std::mutex> lock(inputMutex_);
    return !commands_.empty() || !sasInbox_.empty();
}

// A wake-up dispatched by a loop the GINA runs: take what may be taken while it has control.
void CWinlogonHost::OnWake()
{
    Command unused;
    TakeInput(false, unused);
}

void CWinlogonHost::DeliverSas(DWORD sasType, bool fromKeyboard)
{
    if (fromKeyboard && sasType == WLX_SAS_TYPE_CTRL_ALT_DEL && !dispatch_.CtrlAltDelEnabled()) {
        trace_.Host("Ctrl+Alt+Del ignored: the GINA has not called WlxUseCtrlAltDel "
                    "(nor set WLX_OPTION_USE_CTRL_ALT_DEL)");
        return;
    }
    if (dialogs_.OfferSas(sasType) == CDialogTracker::SasOutcome::Handled) return;
    pendingSas_.push_back(sasType);
}

// Takes queued input in order. SASes, waits, 'state' and 'help' are handled here; the first
// command that needs the state machine is returned at the top level. While the GINA has
// control such commands are held back, but SASes after them still go through: they are
// what makes the GINA return.
bool CWinlogonHost::TakeInput(bool atTopLevel, Command& command)
{
    // A message box the GINA opens while handling WLX_WM_SAS runs a loop that wakes us again.
    if (takingInput_) return false;
    takingInput_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{takingInput_};

    size_t index = 0;  // other threads only append, so entries before it stay put
    for (;;) {
        std::deque<DWORD> notified;
        {
            std::lock_guard<std::mutex> lock(inputMutex_);
            notified.swap(sasInbox_);
        }
        for (DWORD sasType : notified) DeliverSas(sasType, false);
        // A SAS that ended a dialog goes to the state machine before any later command.
        if (!pendingSas_.empty()) return false;

        Command next;
        {
            std::lock_guard<std::mutex> lock(inputMutex_);
            if (index >= commands_.size()) {
                if (!commands_.empty() || !inputEnded_ || quitIssued_) return false;
                // Once everything typed is done, the end of input stands for 'quit'.
                quitIssued_ = true;
                trace_.Host("end of input: quit");
                Command quit;
                quit.kind = CommandKind::Quit;
                quit.number = WLX_SAS_ACTION_SHUTDOWN;
                quit.line = "quit";
                commands_.push_back(quit);
            }
            next = commands_[index];
        }
        if (next.kind == CommandKind::Wait) {
            DWORD now = GetTickCount();
            if (!waiting_) {
                waiting_ = true;
                waitUntil_ = now + next.number;
                trace_.Host("command: " + next.line);
            }
            if ((int)(waitUntil_ - now) > 0) {
                window_.WakeAfter(waitUntil_ - now);
                return false;
            }
            waiting_ = false;
        } else if (!atTopLevel && !RunsWhileGinaBusy(next.kind)) {
            // A logoff or shutdown from the shell or the system does not wait for a person to
            // answer the GINA: Winlogon interrupts its dialogs.
            if (InterruptsGinaDialogs(next.kind)) dialogs_.EndAll(WLX_DLG_USER_LOGOFF, "'" + next.line + "'");
            if (!next.heldNoted) {
                const char* call = calls_.CallInProgress();
                trace_.Host("'" + next.line + "' waits until the GINA returns" +
                            (call ? std::string(" from ") + call : std::string()));
                std::lock_guard<std::mutex> lock(inputMutex_);
                commands_[index].heldNoted = true;
            }
            ++index;
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(inputMutex_);
            commands_.erase(commands_.begin() + index);
        }
        switch (next.kind) {
        case CommandKind::Wait:
            break;
        case CommandKind::CtrlAltDel:
            trace_.Host("command: " + next.line);
            DeliverSas(WLX_SAS_TYPE_CTRL_ALT_DEL, true);
            break;
        case CommandKind::Sas:
            trace_.Host("command: " + next.line);
            DeliverSas(next.number, false);
            break;
        case CommandKind::State:
            PrintState();
            break;
        case CommandKind::Help: {
            std::string help = CommandHelp();
            for (size_t start = 0; start < help.size();) {
                size_t end = help.find('\n', start);
                if (end == std::string::npos) end = help.size();
                trace_.Host(help.substr(start, end - start));
                start = end + 1;
            }
            break;
        }
        default:
            trace_.Host("command: " + next.line);
            command = next;
            return true;
        }
    }
}

CWinlogonHost::Event CWinlogonHost::WaitForEvent()
{
    Event event;
    for (;;) {
        Command command;
        bool gotCommand = TakeInput(true, command);
        if (!pendingSas_.empty()) {
            event.isSas = true;
            event.sasType = pendingSas_.front();
            pendingSas_.pop_front();
        } else if (gotCommand) {
            event.command = command;
        } else {
            MSG msg;
            if (GetMessageW(&msg, nullptr, 0, 0) > 0 && !window_.IsWake(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            continue;
        }
        // What is left is for the loop of the GINA call this event leads to.
        if (InputRemains() || !pendingSas_.empty()) window_.Wake();
        return event;
    }
}
