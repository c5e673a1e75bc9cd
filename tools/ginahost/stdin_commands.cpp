#include "stdin_commands.h"

#include <windows.h>

#include <string>

#include "text_format.h"
#include "winlogon_host.h"

namespace {
// A console gives UTF-16 through ReadConsoleW; a pipe or file gives bytes.
bool ReadSome(HANDLE input, bool console, std::string& text)
{
    if (console) {
        wchar_t buffer[256];
        DWORD read = 0;
        if (!ReadConsoleW(input, buffer, 255, &read, nullptr) || read == 0) return false;
        buffer[read] = L'\0';
        text = Utf8(buffer);
        return true;
    }
    char buffer[512];
    DWORD read = 0;
    if (!ReadFile(input, buffer, sizeof buffer, &read, nullptr) || read == 0) return false;
    text.assign(buffer, read);
    return true;
}

DWORD WINAPI ReadInput(void* param)
{
    auto* host = static_cast<CWinlogonHost*>(param);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    bool console = GetConsoleMode(input, &mode) != FALSE;
    std::string pending, chunk;
    while (input && input != INVALID_HANDLE_VALUE && ReadSome(input, console, chunk)) {
        pending += chunk;
        size_t end = pending.find_last_of("\r\n");
        if (end == std::string::npos) continue;  // a command is posted once its line is complete
        host->Post(pending.substr(0, end + 1));
        pending.erase(0, end + 1);
    }
    if (!pending.empty()) host->Post(pending);
    host->EndOfInput();
    return 0;
}
}  // namespace

void StartReadingStandardInput(CWinlogonHost& host)
{
    HANDLE thread = CreateThread(nullptr, 0, ReadInput, &host, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        host.EndOfInput();
}
