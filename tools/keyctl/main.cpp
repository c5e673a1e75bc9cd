// keyctl: manages software keys and key readers from the command line; `keyctl help`
// lists the commands. PIN and data commands go through keyapi32.dll.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "exit_codes.h"
#include "report.h"

namespace {
struct Command {
    const char* name;
    const char* synopsis;
    size_t minArgs, maxArgs;
    std::vector<OptionRule> options;
    int (*run)(const Arguments&);
};

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        {"list", "list                      readers and the state of the key in each", 0, 0, {}, ListReaders},
        {"readers-path", "readers-path              print the readers folder", 0, 0, {}, PrintReadersPath},
        {"add-reader", "add-reader NAME           make a reader folder", 1, 1, {}, AddReader},
        {"remove-reader", "remove-reader NAME [--force]   delete a reader folder (--force: with its key)", 1, 1,
         {{"force", false}}, RemoveReader},
        {"create",
         "create TARGET [--label L] [--pin P] [--puk K | --no-puk] [--capacity BYTES]\n"
         "       [--attempts N] [--puk-attempts N] [--iterations N] [--unformatted] [--force]\n"
         "                            make a new key; without --puk a random PUK is printed",
         1, 1,
         {{"label", true}, {"pin", true}, {"puk", true}, {"no-puk", false}, {"capacity", true}, {"attempts", true},
          {"puk-attempts", true}, {"iterations", true}, {"unformatted", false}, {"force", false}},
         CreateKey},
        {"insert", "insert FILE READER [--move] [--force]   put a copy of a key file (or the file) into a reader",
         2, 2, {{"move", false}, {"force", false}}, InsertKey},
        {"remove", "remove READER [FILE] [--force]   take the key out of a reader, into FILE if given", 1, 2,
         {{"force", false}}, RemoveKey},
        {"show", "show TARGET               id, label, attempts, sizes (never the data)", 1, 1, {}, ShowKey},
        {"set-pin", "set-pin READER PIN        give a key without PIN one", 2, 2, {}, SetPin},
        {"change-pin", "change-pin READER OLD NEW", 3, 3, {}, ChangePin},
        {"remove-pin", "remove-pin READER PIN     the data is then stored plain", 2, 2, {}, RemovePin},
        {"block", "block READER [--finally]  use up the PIN attempts (--finally: the PUK's too)", 1, 1,
         {{"finally", false}}, BlockKey},
        {"unblock", "unblock READER PUK [NEW-PIN]   reset the attempts; no NEW-PIN: no PIN", 2, 3, {}, UnblockKey},
        {"write", "write READER APP FILE [--pin P]   replace an application's data with FILE", 3, 3,
         {{"pin", true}}, WriteApplicationData},
        {"read", "read READER APP FILE [--pin P] [--force]   save an application's data (FILE - : stdout)", 3, 3,
         {{"pin", true}, {"force", false}}, ReadApplicationData},
        {"profiles", "profiles READER [--pin P]   the logon profiles on the key (passwords by length only)", 1, 1,
         {{"pin", true}}, ListProfiles},
        {"add-profile",
         "add-profile READER COMPUTER-OR-\\\\DOMAIN USER PASSWORD [--pin P]\n"
         "                            add a logon profile (\"\" as computer: any computer)",
         4, 4, {{"pin", true}}, AddProfile},
        {"remove-profile", "remove-profile READER INDEX [--pin P]   remove a profile by its number in keyctl profiles",
         2, 2, {{"pin", true}}, RemoveProfile},
    };
    return commands;
}

void PrintHelp()
{
    std::printf("keyctl: software keys and key readers of Ostrel Logon\n\nusage: keyctl COMMAND ...\n\n");
    for (const Command& command : Commands()) std::printf("  keyctl %s\n", command.synopsis);
    std::printf(
        "\nREADER is a reader's name as `keyctl list` shows it; TARGET is a reader or a key file\n"
        "path (with \\ or /, or ending in .key). APP is 223 or logon, 227 or bio, 231 or netware.\n"
        "\nexit codes: 0 done, 1 usage, 2 no such reader, 3 no key, 4 damaged or unformatted key,\n"
        "5 wrong PIN or PUK, 6 blocked, 7 no space on the key, 8 file error or in the way,\n"
        "9 other failure of keyapi32.dll or Windows\n");
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !std::strcmp(argv[1], "help") || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "/?")) {
        PrintHelp();
        return argc < 2 ? kExitUsage : kExitOk;
    }
    for (const Command& command : Commands()) {
        if (std::strcmp(argv[1], command.name) != 0) continue;
        Arguments args;
        std::string error;
        if (!args.Parse(std::vector<std::string>(argv + 2, argv + argc), command.options, error))
            return Fail(kExitUsage, error + "\nusage: keyctl " + command.synopsis);
        const size_t count = args.Positional().size();
        if (count < command.minArgs || count > command.maxArgs)
            return Fail(kExitUsage, std::string("usage: keyctl ") + command.synopsis);
        return command.run(args);
    }
    return Fail(kExitUsage, std::string("unknown command \"") + argv[1] + "\" (keyctl help lists them)");
}
