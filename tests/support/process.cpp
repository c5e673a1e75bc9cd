#include "process.h"

#include <cwchar>
#include <cwctype>
#include <thread>

namespace {
struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    ~Pipe()
    {
        if (read) CloseHandle(read);
        if (write) CloseHandle(write);
    }
    // The child's end is inherited, the test's end is not.
    bool Create(bool childReads)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        if (!CreatePipe(&read, &write, &inherit, 0)) return false;
        return SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0) != FALSE;
    }
};

void DrainInto(HANDLE pipe, std::string& text)
{
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read) text.append(buffer, read);
}

bool SameName(const std::wstring& entry, const std::wstring& name)
{
    size_t equals = entry.find(L'=', 1);  // "=C:=C:\" style entries start with '='
    if (equals != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (std::towupper(entry[i]) != std::towupper(name[i])) return false;
    return true;
}

std::vector<wchar_t> EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes)
{
    std::vector<std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* p = strings; *p; p += std::wcslen(p) + 1) entries.push_back(p);
    FreeEnvironmentStringsW(strings);
    for (const auto& change : changes) {
        for (size_t i = 0; i < entries.size();)
            if (SameName(entries[i], change.first))
                entries.erase(entries.begin() + i);
            else
                ++i;
        if (!change.second.empty()) entries.push_back(change.first + L"=" + change.second);
    }
    std::vector<wchar_t> block;
    for (const std::wstring& entry : entries) block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back(L'\0');
    return block;
}
}  // namespace

std::wstring QuoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

ProcessResult RunProcess(const ProcessRun& run)
{
    ProcessResult result;
    Pipe input, output, error;
    if (!input.Create(true) || !output.Create(false) || !error.Create(false)) {
        result.failure = "cannot create pipes";
        return result;
    }
    std::wstring commandLine = QuoteArgument(run.program);
    for (const std::wstring& argument : run.arguments) commandLine += L" " + QuoteArgument(argument);
    std::vector<wchar_t> environment = EnvironmentBlock(run.environment);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.read;
    startup.hStdOutput = output.write;
    startup.hStdError = error.write;
    PROCESS_INFORMATION process = {};
    DWORD start = GetTickCount();
    if (!CreateProcessW(run.program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), run.workingDirectory.empty() ? nullptr : run.workingDirectory.c_str(),
                        &startup, &process)) {
        result.failure = "CreateProcess failed with error " + std::to_string(GetLastError());
        return result;
    }
    result.started = true;
    // Only the child holds these ends now: its exit closes the pipes.
    CloseHandle(input.read);
    input.read = nullptr;
    CloseHandle(output.write);
    output.write = nullptr;
    CloseHandle(error.write);
    error.write = nullptr;

    std::thread readOutput(DrainInto, output.read, std::ref(result.output));
    std::thread readError(DrainInto, error.read, std::ref(result.errorOutput));
    std::thread writeInput([&] {
        DWORD written = 0;
        if (!run.input.empty()) WriteFile(input.write, run.input.data(), (DWORD)run.input.size(), &written, nullptr);
        CloseHandle(input.write);
        input.write = nullptr;
    });

    if (WaitForSingleObject(process.hProcess, run.timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    result.elapsedMs = GetTickCount() - start;
    writeInput.join();
    readOutput.join();
    readError.join();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}
