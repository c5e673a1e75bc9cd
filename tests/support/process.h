// Runs a program for a test: feeds its standard input, captures standard output and error,
// and ends it when it takes too long. Tests already run inside Wine, so another Windows
// program is started with CreateProcess like on Windows.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

struct ProcessRun {
    std::wstring program;                  // path of the .exe
    std::vector<std::wstring> arguments;   // quoted as needed
    std::string input;                     // written to standard input, which is then closed
    // Variables set (or, with an empty value, removed) in the child's environment only.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    std::wstring workingDirectory;         // empty: the test's
    DWORD timeoutMs = 30000;
};

struct ProcessResult {
    bool started = false;
    bool timedOut = false;  // the program was ended after timeoutMs
    DWORD exitCode = 0;
    std::string output;       // standard output
    std::string errorOutput;  // standard error
    std::string failure;      // why it did not start
    DWORD elapsedMs = 0;
};

ProcessResult RunProcess(const ProcessRun& run);

// One argument as CommandLineToArgvW / the C runtime will read it back.
std::wstring QuoteArgument(const std::wstring& argument);
