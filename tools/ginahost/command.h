// The commands a person (or a test) gives the host: the events Winlogon would see from
// the keyboard, the shell and the system.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

enum class CommandKind {
    CtrlAltDel,   // cad
    Sas,          // sas <n>
    Lock,         // lock: the user locks from the shell
    Logoff,       // logoff: the user logs off from the shell
    Shutdown,     // shutdown [type]
    Quit,         // quit: shutdown with WLX_SAS_ACTION_SHUTDOWN
    Status,       // status <text> (no text: remove the status message)
    GetStatus,    // getstatus
    ScreenSaver,  // screensaver
    NpLoad,       // npload
    Wait,         // wait <ms>
    State,        // state
    Help,         // help
};

struct Command {
    CommandKind kind = CommandKind::Help;
    DWORD number = 0;   // SAS type, shutdown action or milliseconds
    std::wstring text;  // status text
    std::string line;   // as typed, for the trace
    bool heldNoted = false;  // the trace has said that it waits for the GINA
};

// Parses one command; false with `error` set for anything else.
bool ParseCommand(const std::string& line, Command& command, std::string& error);

// Splits input into command lines at ';' and line breaks, dropping blanks and '#' comments.
std::vector<std::string> SplitCommandLines(const std::string& text);

// Commands that the host handles even while the GINA has control (a dialog is up).
bool RunsWhileGinaBusy(CommandKind kind);

const char* CommandHelp();
