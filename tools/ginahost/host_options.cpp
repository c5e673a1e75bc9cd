#include "host_options.h"

#include <cwchar>
#include <cwctype>

#include "text_format.h"

bool ParseCredentials(const std::wstring& text, HostCredentials& credentials)
{
    size_t first = text.find(L',');
    if (first == std::wstring::npos) return false;
    size_t second = text.find(L',', first + 1);
    if (second == std::wstring::npos) return false;
    credentials.user = text.substr(0, first);
    credentials.domain = text.substr(first + 1, second - first - 1);
    credentials.password = text.substr(second + 1);
    credentials.configured = !credentials.user.empty();
    return credentials.configured;
}

bool ParseProgramArguments(const std::vector<std::wstring>& args, ProgramOptions& options, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        auto value = [&](std::wstring& out) {
            if (i + 1 >= args.size()) {
                error = Utf8(arg) + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::wstring text;
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            options.help = true;
        } else if (arg == L"--gina") {
            if (!value(options.host.ginaPath)) return false;
        } else if (arg == L"--winlogon-version") {
            if (!value(text)) return false;
            wchar_t* end = nullptr;
            unsigned long version = std::wcstoul(text.c_str(), &end, 0);
            if (*end || version == 0) {
                error = "--winlogon-version needs a version such as 0x10003";
                return false;
            }
            options.host.winlogonVersion = version;
        } else if (arg == L"--client-credentials" || arg == L"--inet-credentials") {
            if (!value(text)) return false;
            HostCredentials& target =
                arg == L"--client-credentials" ? options.host.clientCredentials : options.host.inetCredentials;
            if (!ParseCredentials(text, target)) {
                error = Utf8(arg) + " needs user,domain,password";
                return false;
            }
        } else if (arg == L"--trace") {
            if (!value(options.host.traceFile)) return false;
        } else if (arg == L"--quiet") {
            options.host.traceToStdout = false;
        } else if (arg == L"--commands") {
            if (!value(text)) return false;
            options.commands.push_back(Utf8(text));
        } else if (arg == L"--script") {
            if (!value(options.scriptFile)) return false;
        } else {
            error = "unknown option " + Utf8(arg);
            return false;
        }
    }
    return true;
}

const char* ProgramUsage()
{
    return "usage: ginahost [options]\n"
           "Loads a GINA DLL and drives it the way Winlogon does; commands come from --commands,\n"
           "--script and then standard input (end of input: quit).\n"
           "  --gina <path>                 the GINA (default: ov_gina.dll beside ginahost.exe)\n"
           "  --winlogon-version <v>        offer this version in WlxNegotiate (e.g. 0x10000)\n"
           "  --client-credentials u,d,p    answer WlxQueryClientCredentials with these\n"
           "  --inet-credentials u,d,p      answer WlxQueryInetConnectorCredentials with these\n"
           "  --commands \"cad;wait 500;quit\" commands to run first\n"
           "  --script <file>               commands from a file, one a line\n"
           "  --trace <file>                write the trace to a file as well\n"
           "  --quiet                       no trace on standard output\n"
           "exit codes: 0 shut down, 2 usage, 3 GINA not loadable, 4 no Winlogon on this Windows,\n"
           "5 negotiation failed, 6 WlxInitialize failed";
}
