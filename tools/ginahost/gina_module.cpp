#include "gina_module.h"

#include "text_format.h"

namespace {
struct Requirement {
    const char* name;
    DWORD since;
};
const Requirement kRequired[] = {
    {"WlxNegotiate", WLX_VERSION_1_0},           {"WlxInitialize", WLX_VERSION_1_0},
    {"WlxDisplaySASNotice", WLX_VERSION_1_0},    {"WlxLoggedOutSAS", WLX_VERSION_1_0},
    {"WlxActivateUserShell", WLX_VERSION_1_0},   {"WlxLoggedOnSAS", WLX_VERSION_1_0},
    {"WlxDisplayLockedNotice", WLX_VERSION_1_0}, {"WlxWkstaLockedSAS", WLX_VERSION_1_0},
    {"WlxIsLockOk", WLX_VERSION_1_0},            {"WlxIsLogoffOk", WLX_VERSION_1_0},
    {"WlxLogoff", WLX_VERSION_1_0},              {"WlxShutdown", WLX_VERSION_1_0},
    {"WlxNetworkProviderLoad", WLX_VERSION_1_1}, {"WlxDisplayStatusMessage", WLX_VERSION_1_3},
    {"WlxGetStatusMessage", WLX_VERSION_1_3},    {"WlxRemoveStatusMessage", WLX_VERSION_1_3},
};

template <typename Fn>
void Resolve(HMODULE module, Fn& slot, const char* name)
{
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

CGinaModule::~CGinaModule()
{
    if (module_) FreeLibrary(module_);
}

bool CGinaModule::Load(const std::wstring& path, std::string& error)
{
    module_ = LoadLibraryW(path.c_str());
    if (!module_) {
        error = "cannot load " + Utf8(path) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    Resolve(module_, entry_.Negotiate, "WlxNegotiate");
    Resolve(module_, entry_.Initialize, "WlxInitialize");
    Resolve(module_, entry_.DisplaySASNotice, "WlxDisplaySASNotice");
    Resolve(module_, entry_.LoggedOutSAS, "WlxLoggedOutSAS");
    Resolve(module_, entry_.ActivateUserShell, "WlxActivateUserShell");
    Resolve(module_, entry_.LoggedOnSAS, "WlxLoggedOnSAS");
    Resolve(module_, entry_.DisplayLockedNotice, "WlxDisplayLockedNotice");
    Resolve(module_, entry_.WkstaLockedSAS, "WlxWkstaLockedSAS");
    Resolve(module_, entry_.IsLockOk, "WlxIsLockOk");
    Resolve(module_, entry_.IsLogoffOk, "WlxIsLogoffOk");
    Resolve(module_, entry_.Logoff, "WlxLogoff");
    Resolve(module_, entry_.Shutdown, "WlxShutdown");
    Resolve(module_, entry_.ScreenSaverNotify, "WlxScreenSaverNotify");
    Resolve(module_, entry_.StartApplication, "WlxStartApplication");
    Resolve(module_, entry_.NetworkProviderLoad, "WlxNetworkProviderLoad");
    Resolve(module_, entry_.DisplayStatusMessage, "WlxDisplayStatusMessage");
    Resolve(module_, entry_.GetStatusMessage, "WlxGetStatusMessage");
    Resolve(module_, entry_.RemoveStatusMessage, "WlxRemoveStatusMessage");
    if (!entry_.Negotiate) {
        error = Utf8(path) + " is not a GINA: it does not export WlxNegotiate";
        return false;
    }
    return true;
}

std::vector<std::string> CGinaModule::MissingFor(DWORD dllVersion) const
{
    std::vector<std::string> missing;
    for (const Requirement& r : kRequired)
        if (dllVersion >= r.since && !GetProcAddress(module_, r.name)) missing.push_back(r.name);
    return missing;
}
