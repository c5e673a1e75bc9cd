#include "command.h"

#include <winwlx.h>

#include <cstdlib>
#include <cstring>

#include "text_format.h"

namespace {
std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool ParseNumber(const std::string& text, DWORD& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    if (*end) return false;
    value = parsed;
    return true;
}

struct ShutdownName {
    const char* name;
    DWORD action;
};
const ShutdownName kShutdownTypes[] = {
    {"shutdown", WLX_SAS_ACTION_SHUTDOWN},
    {"poweroff", WLX_SAS_ACTION_SHUTDOWN_POWER_OFF},
    {"reboot", WLX_SAS_ACTION_SHUTDOWN_REBOOT},
    {"sleep", WLX_SAS_ACTION_SHUTDOWN_SLEEP},
    {"sleep2", WLX_SAS_ACTION_SHUTDOWN_SLEEP2},
    {"hibernate", WLX_SAS_ACTION_SHUTDOWN_HIBERNATE},
};

bool ParseShutdownType(const std::string& text, DWORD& action)
{
    for (const ShutdownName& type : kShutdownTypes)
        if (text == type.name) {
            action = type.action;
            return true;
        }
    return ParseNumber(text, action);
}

const struct {
    const char* word;
    CommandKind kind;
} kWords[] = {
    {"cad", CommandKind::CtrlAltDel},     {"sas", CommandKind::Sas},
    {"lock", CommandKind::Lock},          {"logoff", CommandKind::Logoff},
    {"shutdown", CommandKind::Shutdown},  {"quit", CommandKind::Quit},
    {"status", CommandKind::Status},      {"getstatus", CommandKind::GetStatus},
    {"screensaver", CommandKind::ScreenSaver}, {"npload", CommandKind::NpLoad},
    {"wait", CommandKind::Wait},          {"state", CommandKind::State},
    {"help", CommandKind::Help},
};
}  // namespace

bool ParseCommand(const std::string& line, Command& command, std::string& error)
{
    std::string trimmed = Trim(line);
    size_t space = trimmed.find_first_of(" \t");
    std::string word = trimmed.substr(0, space);
    std::string argument = space == std::string::npos ? std::string() : Trim(trimmed.substr(space));
    command = Command();
    command.line = trimmed;

    bool known = false;
    for (const auto& entry : kWords)
        if (word == entry.word) {
            command.kind = entry.kind;
            known = true;
        }
    if (!known) {
        error = "unknown command '" + trimmed + "' (type help)";
        return false;
    }
    switch (command.kind) {
    case CommandKind::Sas:
        if (!ParseNumber(argument, command.number)) {
            error = "sas needs a SAS type number, e.g. 'sas 250'";
            return false;
        }
        return true;
    case CommandKind::Wait:
        if (!ParseNumber(argument, command.number)) {
            error = "wait needs milliseconds, e.g. 'wait 500'";
            return false;
        }
        return true;
    case CommandKind::Shutdown:
        command.number = WLX_SAS_ACTION_SHUTDOWN;
        if (!argument.empty() && !ParseShutdownType(argument, command.number)) {
            error = "unknown shutdown type '" + argument + "' (shutdown, poweroff, reboot, sleep, sleep2, hibernate)";
            return false;
        }
        return true;
    case CommandKind::Quit:
        command.number = WLX_SAS_ACTION_SHUTDOWN;
        break;
    case CommandKind::Status:
        command.text = WideFromInput(argument);
        return true;
    default:
        break;
    }
    if (!argument.empty()) {
        error = "'" + word + "' takes no argument";
        return false;
    }
    return true;
}

std::vector<std::string> SplitCommandLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string current;
    auto finish = [&] {
        std::string line = Trim(current);
        if (!line.empty() && line[0] != '#') lines.push_back(line);
        current.clear();
    };
    for (char c : text) {
        if (c == ';' || c == '\n' || c == '\r')
            finish();
        else
            current += c;
    }
    finish();
    return lines;
}

bool RunsWhileGinaBusy(CommandKind kind)
{
    return kind == CommandKind::CtrlAltDel || kind == CommandKind::Sas || kind == CommandKind::Wait ||
           kind == CommandKind::State || kind == CommandKind::Help;
}

const char* CommandHelp()
{
    return "commands (separate several with ';'):\n"
           "  cad             Ctrl+Alt+Del (ignored until the GINA asked for it)\n"
           "  sas <n>         any SAS type, e.g. 'sas 250' for a custom one\n"
           "  lock            the user locks the workstation from the shell (WlxIsLockOk)\n"
           "  logoff          the user logs off from the shell (WlxIsLogoffOk, WlxLogoff)\n"
           "  shutdown [type] shut down: shutdown, poweroff, reboot, sleep, sleep2, hibernate or a number\n"
           "  quit            shutdown with WLX_SAS_ACTION_SHUTDOWN\n"
           "  status <text>   WlxDisplayStatusMessage; 'status' alone: WlxRemoveStatusMessage\n"
           "  getstatus       WlxGetStatusMessage\n"
           "  screensaver     the screen saver is about to start (WlxScreenSaverNotify)\n"
           "  npload          WlxNetworkProviderLoad\n"
           "  wait <ms>       hold the following commands back for a while\n"
           "  state           print the state\n"
           "  help            this list\n"
           "cad, sas, wait, state and help act at once, even while a GINA dialog is up; the others\n"
           "wait until the GINA returns to Winlogon (a SAS typed after them still goes through);\n"
           "logoff (of a logged-on user), shutdown and quit end the GINA's open dialogs with\n"
           "WLX_DLG_USER_LOGOFF, as a logoff or shutdown from the shell does.";
}
