#include "report.h"

#include <cstdio>

#include "exit_codes.h"

namespace {
struct KnownError {
    DWORD code;
    const char* text;
    int exitCode;
};

const KnownError kKnownErrors[] = {
    {DWORD(SCARD_E_UNKNOWN_READER), "no such reader", kExitNoReader},
    {DWORD(SCARD_E_READER_UNAVAILABLE), "the reader folder is gone", kExitNoReader},
    {DWORD(SCARD_E_NO_SMARTCARD), "no key in the reader", kExitNoKey},
    {DWORD(SCARD_W_REMOVED_CARD), "the key was taken out or replaced", kExitNoKey},
    {ERROR_FILE_CORRUPT, "the key file is damaged", kExitBadKey},
    {DWORD(SCARD_E_CARD_UNSUPPORTED), "the key is not formatted", kExitBadKey},
    {DWORD(SCARD_W_WRONG_CHV), "wrong PIN or PUK", kExitWrongPin},
    {DWORD(SCARD_W_CHV_BLOCKED), "blocked", kExitBlocked},
    {DWORD(SCARD_W_SECURITY_VIOLATION), "the PIN is needed (--pin)", kExitWrongPin},
    {DWORD(SCARD_E_NO_MEMORY), "not enough space on the key", kExitNoSpace},
    {DWORD(SCARD_E_UNSUPPORTED_FEATURE), "the key has no PUK", kExitBlocked},
    {DWORD(SCARD_E_INVALID_PARAMETER), "invalid argument (label or PIN too long?)", kExitUsage},
    {ERROR_TIMEOUT, "the key stayed locked by another program", kExitKeyApiError},
};
}  // namespace

int Fail(int code, const std::string& message)
{
    std::fprintf(stderr, "keyctl: %s\n", message.c_str());
    return code;
}

std::string ErrorText(DWORD error)
{
    for (const KnownError& known : kKnownErrors)
        if (known.code == error) return known.text;
    char text[512] = {};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                       nullptr)) {
        std::string message(text);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
            message.pop_back();
        return message;
    }
    char code[32];
    std::snprintf(code, sizeof code, "error 0x%08lX", static_cast<unsigned long>(error));
    return code;
}

int ExitCodeFor(DWORD error)
{
    for (const KnownError& known : kKnownErrors)
        if (known.code == error) return known.exitCode;
    return kExitKeyApiError;
}

int FailWith(const std::string& what, DWORD error) { return Fail(ExitCodeFor(error), what + ": " + ErrorText(error)); }
