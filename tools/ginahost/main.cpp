// ginahost: a stand-in for Winlogon that loads a GINA DLL and drives it; see
// winlogon_host.h for what it does and command.h for what it takes as input.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "host_options.h"
#include "stdin_commands.h"
#include "text_format.h"
#include "winlogon_host.h"

namespace {
std::vector<std::wstring> Arguments()
{
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.push_back(argv[i]);
    LocalFree(argv);
    return args;
}

bool ReadScript(const std::wstring& path, std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) text.append(buffer, read);
    CloseHandle(file);
    return true;
}
}  // namespace

int main()
{
    ProgramOptions options;
    std::string error;
    if (!ParseProgramArguments(Arguments(), options, error)) {
        std::fprintf(stderr, "ginahost: %s\n%s\n", error.c_str(), ProgramUsage());
        return kExitUsage;
    }
    if (options.help) {
        std::printf("%s\n\n%s\n", ProgramUsage(), CommandHelp());
        return 0;
    }
    std::string script;
    if (!options.scriptFile.empty() && !ReadScript(options.scriptFile, script)) {
        std::fprintf(stderr, "ginahost: cannot read the script %s\n", Utf8(options.scriptFile).c_str());
        return kExitUsage;
    }
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) SetConsoleOutputCP(CP_UTF8);

    CWinlogonHost host(options.host);
    for (const std::string& commands : options.commands) host.Post(commands);
    if (!script.empty()) host.Post(script);
    StartReadingStandardInput(host);
    if (!host.Load() || !host.Negotiate() || !host.Initialize()) return host.ExitCode();
    return host.Run();
}
