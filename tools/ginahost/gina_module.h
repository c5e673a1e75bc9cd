// The GINA DLL and its entry points, looked up by their undecorated names as Winlogon does.
#pragma once
#include <windows.h>
#include <winwlx.h>

#include <string>
#include <vector>

struct GinaEntryPoints {
    decltype(&WlxNegotiate) Negotiate = nullptr;
    decltype(&WlxInitialize) Initialize = nullptr;
    decltype(&WlxDisplaySASNotice) DisplaySASNotice = nullptr;
    decltype(&WlxLoggedOutSAS) LoggedOutSAS = nullptr;
    decltype(&WlxActivateUserShell) ActivateUserShell = nullptr;
    decltype(&WlxLoggedOnSAS) LoggedOnSAS = nullptr;
    decltype(&WlxDisplayLockedNotice) DisplayLockedNotice = nullptr;
    decltype(&WlxWkstaLockedSAS) WkstaLockedSAS = nullptr;
    decltype(&WlxIsLockOk) IsLockOk = nullptr;
    decltype(&WlxIsLogoffOk) IsLogoffOk = nullptr;
    decltype(&WlxLogoff) Logoff = nullptr;
    decltype(&WlxShutdown) Shutdown = nullptr;
    decltype(&WlxScreenSaverNotify) ScreenSaverNotify = nullptr;  // optional
    decltype(&WlxStartApplication) StartApplication = nullptr;    // optional
    decltype(&WlxNetworkProviderLoad) NetworkProviderLoad = nullptr;
    decltype(&WlxDisplayStatusMessage) DisplayStatusMessage = nullptr;
    decltype(&WlxGetStatusMessage) GetStatusMessage = nullptr;
    decltype(&WlxRemoveStatusMessage) RemoveStatusMessage = nullptr;
};

class CGinaModule {
public:
    CGinaModule() = default;
    ~CGinaModule();
    CGinaModule(const CGinaModule&) = delete;
    CGinaModule& operator=(const CGinaModule&) = delete;

    bool Load(const std::wstring& path, std::string& error);
    bool IsLoaded() const { return module_ != nullptr; }
    HMODULE Handle() const { return module_; }
    const GinaEntryPoints& EntryPoints() const { return entry_; }

    // The entry points a GINA answering `dllVersion` must export but this one lacks:
    // the 1.0 set always, WlxNetworkProviderLoad from 1.1, the status-message calls from 1.3.
    std::vector<std::string> MissingFor(DWORD dllVersion) const;

private:
    HMODULE module_ = nullptr;
    GinaEntryPoints entry_;
};
