// keyctl set-pin, change-pin, remove-pin, block, unblock: through keyapi32.dll.
#include <cstdio>
#include <string>

#include "commands.h"
#include "exit_codes.h"
#include "report.h"
#include "targets.h"

namespace {
// Longer than any PIN or PUK can be, so it is always wrong.
const std::string kNeverRight(65, 'x');

int Change(const std::string& reader, const std::string& oldPin, const std::string& newPin, const char* done)
{
    KeySession session;
    if (const int code = session.Open(reader, KEYAPI_APP_LOGON, false)) return code;
    if (!session.Api().ChangePIN(session.Handle(), oldPin.c_str(), newPin.c_str())) {
        const DWORD error = GetLastError();
        if (error == DWORD(SCARD_W_WRONG_CHV) && oldPin.empty())
            return Fail(kExitWrongPin, "the key has a PIN already: use change-pin");
        return FailWith("PIN", error);
    }
    std::printf("%s\n", done);
    return kExitOk;
}
}  // namespace

int SetPin(const Arguments& args) { return Change(args.Positional()[0], "", args.Positional()[1], "PIN set"); }

int ChangePin(const Arguments& args)
{
    return Change(args.Positional()[0], args.Positional()[1], args.Positional()[2], "PIN changed");
}

int RemovePin(const Arguments& args) { return Change(args.Positional()[0], args.Positional()[1], "", "PIN removed"); }

int BlockKey(const Arguments& args)
{
    const std::string& reader = args.Positional()[0];
    const bool finally = args.Has("finally");
    KeySession session;
    if (const int code = session.Open(reader, KEYAPI_APP_LOGON, true)) return code;
    const KeyApi& api = session.Api();
    if (api.VerifyPIN(session.Handle(), "")) return Fail(kExitBadKey, "the key has no PIN to block");
    int status = session.Status();
    while (status > 0) {
        api.VerifyPIN(session.Handle(), kNeverRight.c_str());
        status = api.InitCard(session.Handle(), KEYAPI_APP_LOGON);
    }
    while (finally && status == KEYAPI_BLOCKED) {
        if (!api.UnblockPIN(session.Handle(), kNeverRight.c_str(), "") && GetLastError() != DWORD(SCARD_W_WRONG_CHV))
            break;  // no PUK at all: blocked is final already
        status = api.InitCard(session.Handle(), KEYAPI_APP_LOGON);
    }
    if (status == KEYAPI_FINALLY_BLOCKED) {
        std::printf("key finally blocked\n");
        return kExitOk;
    }
    if (status != KEYAPI_BLOCKED) return FailWith("cannot block the key", GetLastError());
    std::printf("PIN blocked\n");
    return kExitOk;
}

int UnblockKey(const Arguments& args)
{
    const std::vector<std::string>& p = args.Positional();
    KeySession session;
    if (const int code = session.Open(p[0], KEYAPI_APP_LOGON, true)) return code;
    const std::string newPin = p.size() > 2 ? p[2] : "";
    if (!session.Api().UnblockPIN(session.Handle(), p[1].c_str(), newPin.c_str()))
        return FailWith("unblock", GetLastError());
    std::printf(newPin.empty() ? "unblocked, the key has no PIN now\n" : "unblocked, new PIN set\n");
    return kExitOk;
}
