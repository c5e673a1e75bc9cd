// The Winlogon support functions a GINA gets in the dispatch table of WlxInitialize. Each
// call is traced as "WLX<  Name(arguments) -> result". hWlx is the address of this object;
// the functions without hWlx (WlxQueryClientCredentials, WlxQueryInetConnectorCredentials,
// WlxDisconnect) go to the host created last.
#pragma once
#include <windows.h>
#include <winwlx.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "host_options.h"

class CDialogTracker;
class CTrace;

// What the dispatch functions need from the host that owns them.
class IWinlogonEvents {
public:
    virtual void OnSasNotify(DWORD sasType) = 0;  // any thread
    virtual void OnContextPointer(void* context) = 0;
    virtual void* CurrentContext() const = 0;
    virtual const char* GinaCallInProgress() const = 0;

protected:
    ~IWinlogonEvents() = default;
};

class CWinlogonDispatch {
public:
    CWinlogonDispatch(CTrace& trace, CDialogTracker& dialogs, IWinlogonEvents& events, const HostOptions& options);
    ~CWinlogonDispatch();
    CWinlogonDispatch(const CWinlogonDispatch&) = delete;
    CWinlogonDispatch& operator=(const CWinlogonDispatch&) = delete;

    HANDLE Handle() { return this; }
    // The table handed over depends on the version the GINA answered in WlxNegotiate.
    void SetVersion(DWORD dllVersion) { version_ = dllVersion; }
    void* Table() { return &table_; }
    size_t TableSize() const;
    const char* TableName() const;

    bool CtrlAltDelEnabled() const { return ctrlAltDel_; }
    DWORD TimeoutSeconds() const { return timeoutSeconds_; }

    // The support functions.
    void UseCtrlAltDel();
    void SetContextPointer(void* context);
    void SasNotify(DWORD sasType);
    BOOL SetTimeout(DWORD seconds);
    int AssignShellProtection(HANDLE token, HANDLE process, HANDLE thread);
    int ShowMessageBox(HWND owner, LPWSTR text, LPWSTR title, UINT style);
    int ShowDialog(HANDLE instance, LPWSTR name, HWND owner, DLGPROC proc);
    int ShowDialogParam(HANDLE instance, LPWSTR name, HWND owner, DLGPROC proc, LPARAM param);
    int ShowDialogIndirect(HANDLE instance, LPCDLGTEMPLATE dialogTemplate, HWND owner, DLGPROC proc);
    int ShowDialogIndirectParam(HANDLE instance, LPCDLGTEMPLATE dialogTemplate, HWND owner, DLGPROC proc, LPARAM param);
    int SwitchDesktopToUser();
    int SwitchDesktopToWinlogon();
    int ChangePasswordNotify(PWLX_MPR_NOTIFY_INFO info, DWORD changeInfo);
    int ChangePasswordNotifyEx(PWLX_MPR_NOTIFY_INFO info, DWORD changeInfo, PWSTR providerName, PVOID reserved);
    BOOL GetSourceDesktop(PWLX_DESKTOP* desktop);
    BOOL SetReturnDesktop(PWLX_DESKTOP desktop);
    BOOL CreateUserDesktop(HANDLE token, DWORD flags, PWSTR name, PWLX_DESKTOP* desktop);
    BOOL CloseUserDesktop(PWLX_DESKTOP desktop, HANDLE token);
    BOOL SetOption(DWORD option, ULONG_PTR value, ULONG_PTR* oldValue);
    BOOL GetOption(DWORD option, ULONG_PTR* value);
    void Win31Migrate();
    BOOL QueryClientCredentials(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials);
    BOOL QueryInetConnectorCredentials(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials);
    BOOL Disconnect();
    DWORD QueryTerminalServicesData(PWLX_TERMINAL_SERVICES_DATA data, WCHAR* user, WCHAR* domain);

private:
    int RunDialog(const char* function, const std::string& arguments, const std::string& templateName,
                  DLGPROC proc, LPARAM param, const std::function<INT_PTR(DLGPROC, LPARAM)>& open);
    BOOL AnswerCredentials(const char* function, const HostCredentials& configured,
                           PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials);

    CTrace& trace_;
    CDialogTracker& dialogs_;
    IWinlogonEvents& events_;
    const HostOptions& options_;
    WLX_DISPATCH_VERSION_1_3 table_;
    DWORD version_ = WLX_VERSION_1_3;
    std::atomic<bool> ctrlAltDel_{false};
    std::atomic<DWORD> timeoutSeconds_{0};
    std::mutex optionsMutex_;
    std::map<DWORD, ULONG_PTR> optionValues_;
};
