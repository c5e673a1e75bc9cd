// keyctl read, write: raw application data through keyapi32.dll (the profile commands
// read and replace it the same way).
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "commands.h"
#include "exit_codes.h"
#include "file_io.h"
#include "report.h"
#include "targets.h"

namespace {
int OpenApplication(const Arguments& args, KeySession& session, DWORD& appId)
{
    if (const int code = ParseApplication(args.Positional()[1], appId)) return code;
    if (const int code = session.Open(args.Positional()[0], appId, false)) return code;
    return session.Verify(args.Value("pin"));
}
}  // namespace

int ReadKeyData(const KeySession& session, DWORD appId, std::vector<uint8_t>& data)
{
    const KeyApi& api = session.Api();
    DWORD size = 0;
    if (!api.ReadDataApp(session.Handle(), 0, nullptr, &size, appId)) return FailWith("read", GetLastError());
    data.assign(size, 0);
    DWORD length = size;
    if (size && !api.ReadDataApp(session.Handle(), 0, data.data(), &length, appId))
        return FailWith("read", GetLastError());
    data.resize(length);
    return kExitOk;
}

int ReplaceKeyData(const KeySession& session, DWORD appId, const std::vector<uint8_t>& data)
{
    const KeyApi& api = session.Api();
    DWORD oldSize = 0;
    if (!api.ReadDataApp(session.Handle(), 0, nullptr, &oldSize, appId)) return FailWith("write", GetLastError());
    // Each step replaces the key file whole: the new bytes first, then a longer old tail goes.
    DWORD length = DWORD(data.size());
    if (length && !api.WriteDataApp(session.Handle(), 0, data.data(), &length, appId))
        return FailWith("write", GetLastError());
    if (oldSize > data.size() && !api.SetDataSizeApp(session.Handle(), DWORD(data.size()), appId))
        return FailWith("write", GetLastError());
    return kExitOk;
}

int ReadApplicationData(const Arguments& args)
{
    KeySession session;
    DWORD appId = 0;
    if (const int code = OpenApplication(args, session, appId)) return code;
    std::vector<uint8_t> data;
    if (const int code = ReadKeyData(session, appId, data)) return code;

    const std::string& destination = args.Positional()[2];
    if (destination == "-") {
        _setmode(_fileno(stdout), _O_BINARY);
        if (!data.empty()) std::fwrite(data.data(), 1, data.size(), stdout);
        std::fflush(stdout);
        return kExitOk;
    }
    if (const DWORD error = WriteWholeFile(destination, data, args.Has("force")))
        return error == ERROR_FILE_EXISTS ? Fail(kExitFileError, destination + " exists (--force overwrites it)")
                                          : FailWith("cannot write " + destination, error);
    std::printf("%lu bytes of application %lu written to %s\n", static_cast<unsigned long>(data.size()),
                static_cast<unsigned long>(appId), destination.c_str());
    return kExitOk;
}

int WriteApplicationData(const Arguments& args)
{
    const std::string& source = args.Positional()[2];
    std::vector<uint8_t> data;
    if (const DWORD error = ReadWholeFile(source, data)) return FailWith("cannot read " + source, error);
    KeySession session;
    DWORD appId = 0;
    if (const int code = OpenApplication(args, session, appId)) return code;
    if (const int code = ReplaceKeyData(session, appId, data)) return code;
    std::printf("%lu bytes written to application %lu\n", static_cast<unsigned long>(data.size()),
                static_cast<unsigned long>(appId));
    return kExitOk;
}
