#include "targets.h"

#include "exit_codes.h"
#include "report.h"

int FindReader(const std::string& name, ReaderPlace& place)
{
    for (const ReaderPlace& candidate : ScanReaders()) {
        if (lstrcmpiA(candidate.name.c_str(), name.c_str()) == 0) {
            place = candidate;
            return kExitOk;
        }
    }
    return Fail(kExitNoReader, "no reader named \"" + name + "\" (keyctl list shows the readers)");
}

int ResolveTarget(const std::string& text, KeyTarget& target)
{
    for (const ReaderPlace& candidate : ScanReaders()) {
        if (lstrcmpiA(candidate.name.c_str(), text.c_str()) == 0) {
            target.reader = true;
            target.name = candidate.name;
            target.keyPath = candidate.KeyPath();
            return kExitOk;
        }
    }
    const bool looksLikePath = text.find_first_of("\\/") != std::string::npos ||
                               (text.size() > 4 && lstrcmpiA(text.c_str() + text.size() - 4, ".key") == 0);
    if (!looksLikePath)
        return Fail(kExitNoReader, "no reader named \"" + text + "\" (a key file path needs \\ or .key)");
    target.reader = false;
    target.name = text;
    target.keyPath = text;
    return kExitOk;
}

int ParseApplication(const std::string& text, DWORD& appId)
{
    static const struct {
        const char* name;
        DWORD id;
    } apps[] = {{"223", KEYAPI_APP_LOGON},          {"logon", KEYAPI_APP_LOGON},
                {"227", KEYAPI_APP_BIO_TEMPLATE},   {"bio", KEYAPI_APP_BIO_TEMPLATE},
                {"231", KEYAPI_APP_NETWARE},        {"netware", KEYAPI_APP_NETWARE}};
    for (const auto& app : apps) {
        if (lstrcmpiA(text.c_str(), app.name) == 0) {
            appId = app.id;
            return kExitOk;
        }
    }
    return Fail(kExitUsage, "unknown application \"" + text + "\" (223/logon, 227/bio, 231/netware)");
}

KeySession::~KeySession()
{
    if (!handle_) return;
    api_->CloseCard(handle_, 0);
    api_->CloseReader(handle_);
}

int KeySession::Open(const std::string& readerName, DWORD appId, bool allowBlocked)
{
    std::string error;
    api_ = LoadKeyApi(error);
    if (!api_) return Fail(kExitKeyApiError, error);
    handle_ = api_->InitReader(readerName.c_str());
    if (!handle_) return FailWith("reader \"" + readerName + "\"", GetLastError());
    status_ = api_->InitCard(handle_, appId);
    const DWORD initError = GetLastError();
    switch (status_) {
    case KEYAPI_NO_KEY: return Fail(kExitNoKey, "no key in reader \"" + readerName + "\"");
    case KEYAPI_NOT_FORMATTED: return Fail(kExitBadKey, "the key in \"" + readerName + "\" is not formatted");
    case KEYAPI_KEY_ERROR: return FailWith("the key in \"" + readerName + "\" cannot be used", initError);
    case KEYAPI_READER_ERROR: return FailWith("reader \"" + readerName + "\"", initError);
    case KEYAPI_FINALLY_BLOCKED: return Fail(kExitBlocked, "the key is finally blocked: format it again");
    case KEYAPI_BLOCKED:
        if (!allowBlocked) return Fail(kExitBlocked, "the PIN is blocked: unblock it with the PUK");
        return kExitOk;
    default: return kExitOk;
    }
}

int KeySession::Verify(const std::string& pin)
{
    if (api_->VerifyPIN(handle_, pin.c_str())) return kExitOk;
    const DWORD error = GetLastError();
    if (error == DWORD(SCARD_W_WRONG_CHV) && pin.empty()) return Fail(kExitWrongPin, "the key has a PIN: give --pin");
    return FailWith("PIN", error);
}
