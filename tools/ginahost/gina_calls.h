// Calls into the GINA, each traced as "GINA> Name(arguments) -> results". Winlogon's
// thread only. Every call after WlxInitialize passes the current context pointer.
#pragma once
#include <windows.h>
#include <winwlx.h>

#include <atomic>
#include <string>

class CGinaModule;
class CTrace;

// The outputs of WlxLoggedOutSAS; Winlogon owns (and later frees) what the GINA filled in.
struct LoggedOutResult {
    int action = 0;
    LUID authenticationId = {};
    DWORD options = 0;
    HANDLE token = nullptr;
    WLX_MPR_NOTIFY_INFO mprInfo = {};
    void* profile = nullptr;
};

class CGinaCalls {
public:
    CGinaCalls(const CGinaModule& module, CTrace& trace);

    void* Context() const { return context_; }
    void SetContext(void* context) { context_ = context; }
    // The entry point running on Winlogon's thread right now, or nullptr.
    const char* CallInProgress() const { return current_; }

    BOOL Negotiate(DWORD winlogonVersion, DWORD& dllVersion);
    BOOL Initialize(const wchar_t* windowStation, HANDLE hWlx, void* dispatchTable, const char* tableName);
    void DisplaySasNotice();
    int LoggedOutSas(DWORD sasType, PSID logonSid, LoggedOutResult& result);
    BOOL ActivateUserShell(const wchar_t* desktop, const wchar_t* mprLogonScript, void* environment);
    int LoggedOnSas(DWORD sasType);
    void DisplayLockedNotice();
    int WkstaLockedSas(DWORD sasType);
    BOOL IsLockOk();
    BOOL IsLogoffOk();
    void Logoff();
    void Shutdown(DWORD shutdownType);
    bool HasScreenSaverNotify() const;
    BOOL ScreenSaverNotify(BOOL& secure);
    BOOL NetworkProviderLoad(WLX_MPR_NOTIFY_INFO& info);
    BOOL DisplayStatusMessage(HDESK desktop, DWORD options, const wchar_t* title, const wchar_t* message);
    BOOL GetStatusMessage(DWORD& options, std::wstring& message);
    BOOL RemoveStatusMessage();

private:
    class InProgress;
    const CGinaModule& module_;
    CTrace& trace_;
    std::atomic<void*> context_{nullptr};
    std::wstring windowStation_;
    std::atomic<const char*> current_{nullptr};
};
