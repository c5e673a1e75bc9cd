#include "winlogon_dispatch.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "dialog_tracker.h"
#include "logon_data.h"
#include "text_format.h"
#include "trace.h"
#include "winlogon_version.h"
#include "wlx_names.h"

namespace {
std::mutex g_registryMutex;
std::vector<CWinlogonDispatch*> g_live;  // newest last

CWinlogonDispatch* FromHandle(HANDLE hWlx)
{
    std::lock_guard<std::mutex> lock(g_registryMutex);
    for (CWinlogonDispatch* dispatch : g_live)
        if (dispatch == hWlx) return dispatch;
    return nullptr;
}

CWinlogonDispatch* Newest()
{
    std::lock_guard<std::mutex> lock(g_registryMutex);
    return g_live.empty() ? nullptr : g_live.back();
}

// A GINA that passes a stale or foreign hWlx gets a failure instead of a crash in the host.
#define DISPATCH_OR(hWlx, failure)                               \
    CWinlogonDispatch* self = FromHandle(hWlx);                  \
    if (!self) {                                                 \
        std::fprintf(stderr, "ginahost: invalid hWlx %p\n", (void*)(hWlx)); \
        return failure;                                          \
    }

VOID WINAPI UseCtrlAltDelEntry(HANDLE hWlx)
{
    DISPATCH_OR(hWlx, );
    self->UseCtrlAltDel();
}
VOID WINAPI SetContextPointerEntry(HANDLE hWlx, PVOID context)
{
    DISPATCH_OR(hWlx, );
    self->SetContextPointer(context);
}
VOID WINAPI SasNotifyEntry(HANDLE hWlx, DWORD sasType)
{
    DISPATCH_OR(hWlx, );
    self->SasNotify(sasType);
}
BOOL WINAPI SetTimeoutEntry(HANDLE hWlx, DWORD seconds)
{
    DISPATCH_OR(hWlx, FALSE);
    return self->SetTimeout(seconds);
}
int WINAPI AssignShellProtectionEntry(HANDLE hWlx, HANDLE token, HANDLE process, HANDLE thread)
{
    DISPATCH_OR(hWlx, ERROR_INVALID_HANDLE);
    return self->AssignShellProtection(token, process, thread);
}
int WINAPI MessageBoxEntry(HANDLE hWlx, HWND owner, LPWSTR text, LPWSTR title, UINT style)
{
    DISPATCH_OR(hWlx, 0);
    return self->ShowMessageBox(owner, text, title, style);
}
int WINAPI DialogBoxEntry(HANDLE hWlx, HANDLE instance, LPWSTR name, HWND owner, DLGPROC proc)
{
    DISPATCH_OR(hWlx, -1);
    return self->ShowDialog(instance, name, owner, proc);
}
int WINAPI DialogBoxParamEntry(HANDLE hWlx, HANDLE instance, LPWSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    DISPATCH_OR(hWlx, -1);
    return self->ShowDialogParam(instance, name, owner, proc, param);
}
int WINAPI DialogBoxIndirectEntry(HANDLE hWlx, HANDLE instance, LPCDLGTEMPLATE dialogTemplate, HWND owner, DLGPROC proc)
{
    DISPATCH_OR(hWlx, -1);
    return self->ShowDialogIndirect(instance, dialogTemplate, owner, proc);
}
int WINAPI DialogBoxIndirectParamEntry(HANDLE hWlx, HANDLE instance, LPCDLGTEMPLATE dialogTemplate, HWND owner,
                                       DLGPROC proc, LPARAM param)
{
    DISPATCH_OR(hWlx, -1);
    return self->ShowDialogIndirectParam(instance, dialogTemplate, owner, proc, param);
}
int WINAPI SwitchDesktopToUserEntry(HANDLE hWlx)
{
    DISPATCH_OR(hWlx, ERROR_INVALID_HANDLE);
    return self->SwitchDesktopToUser();
}
int WINAPI SwitchDesktopToWinlogonEntry(HANDLE hWlx)
{
    DISPATCH_OR(hWlx, ERROR_INVALID_HANDLE);
    return self->SwitchDesktopToWinlogon();
}
int WINAPI ChangePasswordNotifyEntry(HANDLE hWlx, PWLX_MPR_NOTIFY_INFO info, DWORD changeInfo)
{
    DISPATCH_OR(hWlx, ERROR_INVALID_HANDLE);
    return self->ChangePasswordNotify(info, changeInfo);
}
BOOL WINAPI GetSourceDesktopEntry(HANDLE hWlx, PWLX_DESKTOP* desktop)
{
    DISPATCH_OR(hWlx, FALSE);
    return self->GetSourceDesktop(desktop);
}
BOOL WINAPI SetReturnDesktopEntry(HANDLE hWlx, PWLX_DESKTOP desktop)
{
    DISPATCH_OR(hWlx, FALSE);
    return self->SetReturnDesktop(desktop);
}
BOOL WINAPI CreateUserDesktopEntry(HANDLE hWlx, HANDLE token, DWORD flags, PWSTR name, PWLX_DESKTOP* desktop)
{
    DISPATCH_OR(hWlx, FALSE);
    return self->CreateUserDesktop(token, flags, name, desktop);
}
int WINAPI ChangePasswordNotifyExEntry(HANDLE hWlx, PWLX_MPR_NOTIFY_INFO info, DWORD changeInfo, PWSTR provider,
                                       PVOID reserved)
{
    DISPATCH_OR(hWlx, ERROR_INVALID_HANDLE);
    return self->ChangePasswordNotifyEx(info, changeInfo, provider, reserved);
}
BOOL WINAPI CloseUserDesktopEntry(HANDLE hWlx, PWLX_DESKTOP desktop, HANDLE token)
{
    DISPATCH_OR(hWlx, FALSE);
    return self->CloseUserDesktop(desktop, token);
}
BOOL WINAPI SetOptionEntry(HANDLE hWlx, DWORD option, ULONG_PTR value, ULONG_PTR* oldValue)
{
    DISPATCH_OR(hWlx, FALSE);
    return self->SetOption(option, value, oldValue);
}
BOOL WINAPI GetOptionEntry(HANDLE hWlx, DWORD option, ULONG_PTR* value)
{
    DISPATCH_OR(hWlx, FALSE);
    return self->GetOption(option, value);
}
VOID WINAPI Win31MigrateEntry(HANDLE hWlx)
{
    DISPATCH_OR(hWlx, );
    self->Win31Migrate();
}
BOOL WINAPI QueryClientCredentialsEntry(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials)
{
    CWinlogonDispatch* self = Newest();
    return self ? self->QueryClientCredentials(credentials) : FALSE;
}
BOOL WINAPI QueryInetConnectorCredentialsEntry(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials)
{
    CWinlogonDispatch* self = Newest();
    return self ? self->QueryInetConnectorCredentials(credentials) : FALSE;
}
BOOL WINAPI DisconnectEntry()
{
    CWinlogonDispatch* self = Newest();
    return self ? self->Disconnect() : FALSE;
}
DWORD WINAPI QueryTerminalServicesDataEntry(HANDLE hWlx, PWLX_TERMINAL_SERVICES_DATA data, WCHAR* user, WCHAR* domain)
{
    DISPATCH_OR(hWlx, ERROR_INVALID_HANDLE);
    return self->QueryTerminalServicesData(data, user, domain);
}
#undef DISPATCH_OR

std::string TemplateName(LPCWSTR name)
{
    if (IS_INTRESOURCE(name)) return "#" + std::to_string((unsigned)(ULONG_PTR)name);
    return Quoted(name);
}

// Skips a menu or class field of a dialog template: 0, 0xFFFF plus an ordinal, or a string.
const WORD* SkipNameOrOrdinal(const WORD* p)
{
    if (*p == 0) return p + 1;
    if (*p == 0xFFFF) return p + 2;
    while (*p) ++p;
    return p + 1;
}

// An in-memory template is named by its caption, so the trace still says which dialog it is.
std::string InMemoryTemplateName(LPCDLGTEMPLATE dialogTemplate)
{
    if (!dialogTemplate) return "NULL";
    const WORD* p = reinterpret_cast<const WORD*>(dialogTemplate);
    bool extended = p[0] == 1 && p[1] == 0xFFFF;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(dialogTemplate) + (extended ? 26 : 18));
    p = SkipNameOrOrdinal(p);  // menu
    p = SkipNameOrOrdinal(p);  // window class
    return "in-memory " + Quoted(reinterpret_cast<const wchar_t*>(p));
}

std::string DesktopText(const WLX_DESKTOP* desktop)
{
    if (!desktop) return "NULL";
    return "{Flags=" + Hex(desktop->Flags) + ", hDesktop=" + Hex(desktop->hDesktop) +
           ", pszDesktopName=" + Quoted(desktop->pszDesktopName) + "}";
}

// A WLX_DESKTOP and its name in one LocalAlloc block: the GINA frees it with one LocalFree.
PWLX_DESKTOP NewDesktopRecord(const std::wstring& name)
{
    size_t bytes = sizeof(WLX_DESKTOP) + (name.size() + 1) * sizeof(wchar_t);
    auto* desktop = static_cast<PWLX_DESKTOP>(LocalAlloc(LPTR, bytes));
    if (!desktop) return nullptr;
    desktop->Size = sizeof(WLX_DESKTOP);
    desktop->Flags = WLX_DESKTOP_NAME | WLX_DESKTOP_HANDLE;
    desktop->hDesktop = GetThreadDesktop(GetCurrentThreadId());
    desktop->pszDesktopName = reinterpret_cast<PWSTR>(desktop + 1);
    CopyMemory(desktop->pszDesktopName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    return desktop;
}

std::wstring CurrentDesktopName()
{
    wchar_t name[128] = L"Default";
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof name, nullptr);
    return name;
}

PWSTR LocalCopy(const std::wstring& text)
{
    auto* copy = static_cast<PWSTR>(LocalAlloc(LMEM_FIXED, (text.size() + 1) * sizeof(wchar_t)));
    if (copy) CopyMemory(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return copy;
}

std::string OptionValueText(DWORD option, ULONG_PTR value)
{
    if (option == WLX_OPTION_USE_CTRL_ALT_DEL || option == WLX_OPTION_USE_SMART_CARD ||
        option == WLX_OPTION_SMART_CARD_PRESENT || option == WLX_OPTION_IGNORE_AUTO_LOGON ||
        option == WLX_OPTION_NO_SWITCH_ON_SAS)
        return BoolText(value != 0);
    if (option == WLX_OPTION_DISPATCH_TABLE_SIZE || option == WLX_OPTION_FORCE_LOGOFF_TIME)
        return std::to_string((unsigned long long)value);
    return Hex(value);
}
}  // namespace

CWinlogonDispatch::CWinlogonDispatch(CTrace& trace, CDialogTracker& dialogs, IWinlogonEvents& events,
                                     const HostOptions& options)
    : trace_(trace), dialogs_(dialogs), events_(events), options_(options)
{
    table_ = WLX_DISPATCH_VERSION_1_3{
        UseCtrlAltDelEntry,         SetContextPointerEntry,       SasNotifyEntry,
        SetTimeoutEntry,            AssignShellProtectionEntry,   MessageBoxEntry,
        DialogBoxEntry,             DialogBoxParamEntry,          DialogBoxIndirectEntry,
        DialogBoxIndirectParamEntry, SwitchDesktopToUserEntry,    SwitchDesktopToWinlogonEntry,
        ChangePasswordNotifyEntry,  GetSourceDesktopEntry,        SetReturnDesktopEntry,
        CreateUserDesktopEntry,     ChangePasswordNotifyExEntry,  CloseUserDesktopEntry,
        SetOptionEntry,             GetOptionEntry,               Win31MigrateEntry,
        QueryClientCredentialsEntry, QueryInetConnectorCredentialsEntry, DisconnectEntry,
        QueryTerminalServicesDataEntry,
    };
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_live.push_back(this);
}

CWinlogonDispatch::~CWinlogonDispatch()
{
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_live.erase(std::remove(g_live.begin(), g_live.end(), this), g_live.end());
}

size_t CWinlogonDispatch::TableSize() const { return DispatchTableSizeFor(version_); }
const char* CWinlogonDispatch::TableName() const { return DispatchTableNameFor(version_); }

void CWinlogonDispatch::UseCtrlAltDel()
{
    ctrlAltDel_ = true;
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxUseCtrlAltDel()").End("(void)");
}

void CWinlogonDispatch::SetContextPointer(void* context)
{
    events_.OnContextPointer(context);
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxSetContextPointer(pWlxContext=" + Hex(context) + ")").End("(void)");
}

void CWinlogonDispatch::SasNotify(DWORD sasType)
{
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxSasNotify(dwSasType=" + SasTypeName(sasType) + ")").End("(void)");
    events_.OnSasNotify(sasType);
}

BOOL CWinlogonDispatch::SetTimeout(DWORD seconds)
{
    timeoutSeconds_ = seconds;
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxSetTimeout(Timeout=" + std::to_string(seconds) + ")").End("TRUE");
    return TRUE;
}

int CWinlogonDispatch::AssignShellProtection(HANDLE token, HANDLE process, HANDLE thread)
{
    CTrace::Call(trace_, CTrace::kWinlogon,
                 "WlxAssignShellProtection(hToken=" + Hex(token) + ", hProcess=" + Hex(process) +
                     ", hThread=" + Hex(thread) + ")")
        .End("0");
    return 0;
}

int CWinlogonDispatch::ShowMessageBox(HWND owner, LPWSTR text, LPWSTR title, UINT style)
{
    CTrace::Call call(trace_, CTrace::kWinlogon,
                      "WlxMessageBox(hwnd=" + Hex(owner) + ", text=" + Quoted(text) + ", title=" + Quoted(title) +
                          ", style=" + Hex(style) + ")");
    call.Announce();  // the box waits for a person: say so now
    int result = MessageBoxW(owner, text, title, style);
    call.End(result ? MessageBoxResultName(result) : "0 (error " + std::to_string(GetLastError()) + ")");
    return result;
}

int CWinlogonDispatch::RunDialog(const char* function, const std::string& arguments, const std::string& templateName,
                                 DLGPROC proc, LPARAM param, const std::function<INT_PTR(DLGPROC, LPARAM)>& open)
{
    CTrace::Call call(trace_, CTrace::kWinlogon, std::string(function) + "(" + arguments + ")");
    INT_PTR result = dialogs_.Run(templateName, proc, param, timeoutSeconds_, open);
    std::string text = DialogResultName(result);
    if (result == -1) text += " (error " + std::to_string(GetLastError()) + ")";
    call.End(text);
    return (int)result;
}

int CWinlogonDispatch::ShowDialog(HANDLE instance, LPWSTR name, HWND owner, DLGPROC proc)
{
    return RunDialog("WlxDialogBox",
                     "hInst=" + Hex(instance) + ", lpszTemplate=" + TemplateName(name) + ", hwndOwner=" + Hex(owner),
                     TemplateName(name), proc, 0, [&](DLGPROC hostProc, LPARAM hostParam) {
                         return DialogBoxParamW((HINSTANCE)instance, name, owner, hostProc, hostParam);
                     });
}

int CWinlogonDispatch::ShowDialogParam(HANDLE instance, LPWSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    return RunDialog("WlxDialogBoxParam",
                     "hInst=" + Hex(instance) + ", lpszTemplate=" + TemplateName(name) + ", hwndOwner=" + Hex(owner) +
                         ", dwInitParam=" + Hex(param),
                     TemplateName(name), proc, param, [&](DLGPROC hostProc, LPARAM hostParam) {
                         return DialogBoxParamW((HINSTANCE)instance, name, owner, hostProc, hostParam);
                     });
}

int CWinlogonDispatch::ShowDialogIndirect(HANDLE instance, LPCDLGTEMPLATE dialogTemplate, HWND owner, DLGPROC proc)
{
    std::string name = InMemoryTemplateName(dialogTemplate);
    return RunDialog("WlxDialogBoxIndirect",
                     "hInst=" + Hex(instance) + ", hDialogTemplate=" + name + ", hwndOwner=" + Hex(owner), name, proc,
                     0, [&](DLGPROC hostProc, LPARAM hostParam) {
                         return DialogBoxIndirectParamW((HINSTANCE)instance, dialogTemplate, owner, hostProc,
                                                        hostParam);
                     });
}

int CWinlogonDispatch::ShowDialogIndirectParam(HANDLE instance, LPCDLGTEMPLATE dialogTemplate, HWND owner,
                                              DLGPROC proc, LPARAM param)
{
    std::string name = InMemoryTemplateName(dialogTemplate);
    return RunDialog("WlxDialogBoxIndirectParam",
                     "hInst=" + Hex(instance) + ", hDialogTemplate=" + name + ", hwndOwner=" + Hex(owner) +
                         ", dwInitParam=" + Hex(param),
                     name, proc, param, [&](DLGPROC hostProc, LPARAM hostParam) {
                         return DialogBoxIndirectParamW((HINSTANCE)instance, dialogTemplate, owner, hostProc,
                                                        hostParam);
                     });
}

// One desktop here: switching is a no-op that succeeds, as it would for a GINA on the
// desktop it already is on.
int CWinlogonDispatch::SwitchDesktopToUser()
{
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxSwitchDesktopToUser()").End("0");
    return 0;
}

int CWinlogonDispatch::SwitchDesktopToWinlogon()
{
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxSwitchDesktopToWinlogon()").End("0");
    return 0;
}

int CWinlogonDispatch::ChangePasswordNotify(PWLX_MPR_NOTIFY_INFO info, DWORD changeInfo)
{
    CTrace::Call(trace_, CTrace::kWinlogon,
                 "WlxChangePasswordNotify(pMprInfo={" + (info ? DescribeMprInfo(*info) : std::string("NULL")) +
                     "}, dwChangeInfo=" + Hex(changeInfo) + ")")
        .End("0");
    return 0;
}

int CWinlogonDispatch::ChangePasswordNotifyEx(PWLX_MPR_NOTIFY_INFO info, DWORD changeInfo, PWSTR providerName,
                                              PVOID reserved)
{
    CTrace::Call(trace_, CTrace::kWinlogon,
                 "WlxChangePasswordNotifyEx(pMprInfo={" + (info ? DescribeMprInfo(*info) : std::string("NULL")) +
                     "}, dwChangeInfo=" + Hex(changeInfo) + ", ProviderName=" + Quoted(providerName) +
                     ", Reserved=" + Hex(reserved) + ")")
        .End("0");
    return 0;
}

BOOL CWinlogonDispatch::GetSourceDesktop(PWLX_DESKTOP* desktop)
{
    CTrace::Call call(trace_, CTrace::kWinlogon, "WlxGetSourceDesktop()");
    PWLX_DESKTOP record = desktop ? NewDesktopRecord(CurrentDesktopName()) : nullptr;
    if (desktop) *desktop = record;
    call.End(std::string(BoolText(record != nullptr)) + ", *ppDesktop=" + DesktopText(record));
    return record != nullptr;
}

BOOL CWinlogonDispatch::SetReturnDesktop(PWLX_DESKTOP desktop)
{
    CTrace::Call call(trace_, CTrace::kWinlogon, "WlxSetReturnDesktop(pDesktop=" + DesktopText(desktop) + ")");
    const char* inProgress = events_.GinaCallInProgress();
    bool allowed = inProgress && (std::string(inProgress) == "WlxLoggedOnSAS" ||
                                  std::string(inProgress) == "WlxWkstaLockedSAS");
    call.End(allowed ? "TRUE" : "FALSE (only valid during WlxLoggedOnSAS or WlxWkstaLockedSAS)");
    return allowed;
}

BOOL CWinlogonDispatch::CreateUserDesktop(HANDLE token, DWORD flags, PWSTR name, PWLX_DESKTOP* desktop)
{
    CTrace::Call call(trace_, CTrace::kWinlogon,
                      "WlxCreateUserDesktop(hToken=" + Hex(token) + ", Flags=" + Hex(flags) +
                          ", pszDesktopName=" + Quoted(name) + ")");
    // One desktop here: the GINA gets a record of the current one under the name it asked for.
    PWLX_DESKTOP record = desktop ? NewDesktopRecord(name ? name : L"") : nullptr;
    if (desktop) *desktop = record;
    call.End(std::string(BoolText(record != nullptr)) + ", *ppDesktop=" + DesktopText(record));
    return record != nullptr;
}

BOOL CWinlogonDispatch::CloseUserDesktop(PWLX_DESKTOP desktop, HANDLE token)
{
    CTrace::Call(trace_, CTrace::kWinlogon,
                 "WlxCloseUserDesktop(pDesktop=" + DesktopText(desktop) + ", hToken=" + Hex(token) + ")")
        .End("TRUE");
    return TRUE;
}

BOOL CWinlogonDispatch::SetOption(DWORD option, ULONG_PTR value, ULONG_PTR* oldValue)
{
    CTrace::Call call(trace_, CTrace::kWinlogon,
                      "WlxSetOption(Option=" + WlxOptionName(option) + ", Value=" + OptionValueText(option, value) + ")");
    ULONG_PTR old = 0;
    BOOL ok = TRUE;
    switch (option) {
    case WLX_OPTION_USE_CTRL_ALT_DEL:
        old = ctrlAltDel_.exchange(value != 0);
        break;
    case WLX_OPTION_CONTEXT_POINTER:
        old = reinterpret_cast<ULONG_PTR>(events_.CurrentContext());
        events_.OnContextPointer(reinterpret_cast<void*>(value));
        break;
    case WLX_OPTION_USE_SMART_CARD:
    case WLX_OPTION_FORCE_LOGOFF_TIME:
    case WLX_OPTION_IGNORE_AUTO_LOGON:
    case WLX_OPTION_NO_SWITCH_ON_SAS: {
        std::lock_guard<std::mutex> lock(optionsMutex_);
        old = optionValues_[option];
        optionValues_[option] = value;
        break;
    }
    default:  // unknown, or one of the read-only WLX_OPTION_SMART_CARD_* / DISPATCH_TABLE_SIZE
        ok = FALSE;
    }
    if (ok && oldValue) *oldValue = old;
    call.End(ok ? "TRUE, OldValue=" + OptionValueText(option, old) : "FALSE");
    return ok;
}

BOOL CWinlogonDispatch::GetOption(DWORD option, ULONG_PTR* value)
{
    CTrace::Call call(trace_, CTrace::kWinlogon, "WlxGetOption(Option=" + WlxOptionName(option) + ")");
    ULONG_PTR answer = 0;
    BOOL ok = TRUE;
    switch (option) {
    case WLX_OPTION_USE_CTRL_ALT_DEL: answer = ctrlAltDel_; break;
    case WLX_OPTION_CONTEXT_POINTER: answer = reinterpret_cast<ULONG_PTR>(events_.CurrentContext()); break;
    case WLX_OPTION_USE_SMART_CARD:
    case WLX_OPTION_FORCE_LOGOFF_TIME:
    case WLX_OPTION_IGNORE_AUTO_LOGON:
    case WLX_OPTION_NO_SWITCH_ON_SAS: {
        std::lock_guard<std::mutex> lock(optionsMutex_);
        answer = optionValues_[option];
        break;
    }
    case WLX_OPTION_SMART_CARD_PRESENT: answer = FALSE; break;  // no reader here
    case WLX_OPTION_DISPATCH_TABLE_SIZE: answer = TableSize(); break;
    default: ok = FALSE;  // WLX_OPTION_SMART_CARD_INFO only exists during a smart card SAS
    }
    if (ok && value) *value = answer;
    call.End(ok ? "TRUE, Value=" + OptionValueText(option, answer) : "FALSE");
    return ok;
}

void CWinlogonDispatch::Win31Migrate()
{
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxWin31Migrate()").End("(void)");
}

BOOL CWinlogonDispatch::AnswerCredentials(const char* function, const HostCredentials& configured,
                                          PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials)
{
    CTrace::Call call(trace_, CTrace::kWinlogon, std::string(function) + "(pCred=" + Hex(credentials) + ")");
    if (!configured.configured || !credentials) {
        call.End("FALSE (no credentials configured)");
        return FALSE;
    }
    credentials->dwType = WLX_CREDENTIAL_TYPE_V1_0;
    credentials->pszUserName = LocalCopy(configured.user);
    credentials->pszDomain = LocalCopy(configured.domain);
    credentials->pszPassword = LocalCopy(configured.password);
    credentials->fPromptForPassword = FALSE;
    call.End("TRUE, user=" + Quoted(configured.user.c_str()) + ", domain=" + Quoted(configured.domain.c_str()) +
             ", password=(" + std::to_string(configured.password.size()) + " chars), fPromptForPassword=FALSE");
    return TRUE;
}

BOOL CWinlogonDispatch::QueryClientCredentials(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials)
{
    return AnswerCredentials("WlxQueryClientCredentials", options_.clientCredentials, credentials);
}

BOOL CWinlogonDispatch::QueryInetConnectorCredentials(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 credentials)
{
    return AnswerCredentials("WlxQueryInetConnectorCredentials", options_.inetCredentials, credentials);
}

BOOL CWinlogonDispatch::Disconnect()
{
    CTrace::Call(trace_, CTrace::kWinlogon, "WlxDisconnect()").End("FALSE (console session: nothing to disconnect)");
    return FALSE;
}

DWORD CWinlogonDispatch::QueryTerminalServicesData(PWLX_TERMINAL_SERVICES_DATA data, WCHAR* user, WCHAR* domain)
{
    CTrace::Call call(trace_, CTrace::kWinlogon,
                      "WlxQueryTerminalServicesData(UserName=" + Quoted(user) + ", Domain=" + Quoted(domain) + ")");
    if (!data) {
        call.End("ERROR_INVALID_PARAMETER");
        return ERROR_INVALID_PARAMETER;
    }
    // No Terminal Services user configuration here: empty profile path and home directory.
    ZeroMemory(data, sizeof *data);
    call.End("0 (ERROR_SUCCESS), ProfilePath=\"\", HomeDir=\"\", HomeDirDrive=\"\"");
    return ERROR_SUCCESS;
}
