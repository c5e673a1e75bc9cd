// How the host is set up: which GINA, what Winlogon offers, what the dispatch functions
// answer, where the trace goes. ParseProgramArguments reads them from ginahost's command line.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct HostCredentials {
    bool configured = false;
    std::wstring user, domain, password;
};

struct HostOptions {
    std::wstring ginaPath;           // empty: ov_gina.dll beside the program
    DWORD winlogonVersion = 0;       // 0: what this Windows' Winlogon offers
    HostCredentials clientCredentials;  // answers WlxQueryClientCredentials
    HostCredentials inetCredentials;    // answers WlxQueryInetConnectorCredentials
    std::wstring traceFile;
    bool traceToStdout = true;
};

struct ProgramOptions {
    HostOptions host;
    std::vector<std::string> commands;  // --commands, in order
    std::wstring scriptFile;            // --script
    bool help = false;
};

bool ParseProgramArguments(const std::vector<std::wstring>& args, ProgramOptions& options, std::string& error);

// "user,domain,password": the password is everything after the second comma.
bool ParseCredentials(const std::wstring& text, HostCredentials& credentials);

const char* ProgramUsage();
