#include "gina_calls.h"

#include "gina_module.h"
#include "logon_data.h"
#include "text_format.h"
#include "trace.h"
#include "wlx_names.h"

// Marks the entry point that runs, for the dispatch functions that are valid only inside
// some of them (WlxSetReturnDesktop).
class CGinaCalls::InProgress {
public:
    InProgress(CGinaCalls& calls, const char* name) : calls_(calls), outer_(calls.current_.exchange(name)) {}
    ~InProgress() { calls_.current_ = outer_; }

private:
    CGinaCalls& calls_;
    const char* outer_;
};

namespace {
std::string LuidText(const LUID& luid)
{
    return Hex((std::uintptr_t)(DWORD)luid.HighPart) + ":" + Hex((std::uintptr_t)luid.LowPart);
}
}  // namespace

CGinaCalls::CGinaCalls(const CGinaModule& module, CTrace& trace) : module_(module), trace_(trace) {}

BOOL CGinaCalls::Negotiate(DWORD winlogonVersion, DWORD& dllVersion)
{
    InProgress scope(*this, "WlxNegotiate");
    CTrace::Call call(trace_, CTrace::kGina, "WlxNegotiate(dwWinlogonVersion=" + Hex(winlogonVersion) + ")");
    dllVersion = 0;
    BOOL ok = module_.EntryPoints().Negotiate(winlogonVersion, &dllVersion);
    call.End(std::string(BoolText(ok)) + ", dwDllVersion=" + Hex(dllVersion));
    return ok;
}

BOOL CGinaCalls::Initialize(const wchar_t* windowStation, HANDLE hWlx, void* dispatchTable, const char* tableName)
{
    InProgress scope(*this, "WlxInitialize");
    CTrace::Call call(trace_, CTrace::kGina,
                      "WlxInitialize(lpWinsta=" + Quoted(windowStation) + ", hWlx=" + Hex(hWlx) +
                          ", pvReserved=NULL, pWinlogonFunctions=" + Hex(dispatchTable) + " " + tableName + ")");
    void* context = nullptr;
    // A writable copy, as the prototype allows; it lives as long as the host, because a
    // GINA may keep the pointer rather than the text.
    windowStation_ = windowStation;
    BOOL ok = module_.EntryPoints().Initialize(&windowStation_[0], hWlx, nullptr, dispatchTable, &context);
    // A GINA may have set its context with WlxSetContextPointer instead of returning it.
    if (context) context_ = context;
    call.End(std::string(BoolText(ok)) + ", pWlxContext=" + Hex(context));
    return ok;
}

void CGinaCalls::DisplaySasNotice()
{
    InProgress scope(*this, "WlxDisplaySASNotice");
    CTrace::Call call(trace_, CTrace::kGina, "WlxDisplaySASNotice()");
    module_.EntryPoints().DisplaySASNotice(context_);
    call.End("(void)");
}

int CGinaCalls::LoggedOutSas(DWORD sasType, PSID logonSid, LoggedOutResult& result)
{
    InProgress scope(*this, "WlxLoggedOutSAS");
    CTrace::Call call(trace_, CTrace::kGina, "WlxLoggedOutSAS(dwSasType=" + SasTypeName(sasType) + ")");
    result = LoggedOutResult();
    result.action = module_.EntryPoints().LoggedOutSAS(context_, sasType, &result.authenticationId, logonSid,
                                                       &result.options, &result.token, &result.mprInfo,
                                                       &result.profile);
    std::string text = SasActionName(result.action);
    if (result.action == WLX_SAS_ACTION_LOGON)
        text += ", AuthenticationId=" + LuidText(result.authenticationId) + ", dwOptions=" + Hex(result.options) +
                ", hToken=" + Hex(result.token) + ", " + DescribeMprInfo(result.mprInfo) +
                ", pProfile=" + DescribeProfile(result.profile);
    call.End(text);
    return result.action;
}

BOOL CGinaCalls::ActivateUserShell(const wchar_t* desktop, const wchar_t* mprLogonScript, void* environment)
{
    InProgress scope(*this, "WlxActivateUserShell");
    CTrace::Call call(trace_, CTrace::kGina,
                      "WlxActivateUserShell(pszDesktopName=" + Quoted(desktop) + ", pszMprLogonScript=" +
                          Quoted(mprLogonScript) + ", pEnvironment=" + Hex(environment) + ")");
    std::wstring desktopCopy = desktop;
    std::wstring scriptCopy = mprLogonScript ? mprLogonScript : L"";
    BOOL ok = module_.EntryPoints().ActivateUserShell(context_, &desktopCopy[0],
                                                      mprLogonScript ? &scriptCopy[0] : nullptr, environment);
    call.End(BoolText(ok));
    return ok;
}

int CGinaCalls::LoggedOnSas(DWORD sasType)
{
    InProgress scope(*this, "WlxLoggedOnSAS");
    CTrace::Call call(trace_, CTrace::kGina, "WlxLoggedOnSAS(dwSasType=" + SasTypeName(sasType) + ", pReserved=NULL)");
    int action = module_.EntryPoints().LoggedOnSAS(context_, sasType, nullptr);
    call.End(SasActionName(action));
    return action;
}

void CGinaCalls::DisplayLockedNotice()
{
    InProgress scope(*this, "WlxDisplayLockedNotice");
    CTrace::Call call(trace_, CTrace::kGina, "WlxDisplayLockedNotice()");
    module_.EntryPoints().DisplayLockedNotice(context_);
    call.End("(void)");
}

int CGinaCalls::WkstaLockedSas(DWORD sasType)
{
    InProgress scope(*this, "WlxWkstaLockedSAS");
    CTrace::Call call(trace_, CTrace::kGina, "WlxWkstaLockedSAS(dwSasType=" + SasTypeName(sasType) + ")");
    int action = module_.EntryPoints().WkstaLockedSAS(context_, sasType);
    call.End(SasActionName(action));
    return action;
}

BOOL CGinaCalls::IsLockOk()
{
    InProgress scope(*this, "WlxIsLockOk");
    CTrace::Call call(trace_, CTrace::kGina, "WlxIsLockOk()");
    BOOL ok = module_.EntryPoints().IsLockOk(context_);
    call.End(BoolText(ok));
    return ok;
}

BOOL CGinaCalls::IsLogoffOk()
{
    InProgress scope(*this, "WlxIsLogoffOk");
    CTrace::Call call(trace_, CTrace::kGina, "WlxIsLogoffOk()");
    BOOL ok = module_.EntryPoints().IsLogoffOk(context_);
    call.End(BoolText(ok));
    return ok;
}

void CGinaCalls::Logoff()
{
    InProgress scope(*this, "WlxLogoff");
    CTrace::Call call(trace_, CTrace::kGina, "WlxLogoff()");
    module_.EntryPoints().Logoff(context_);
    call.End("(void)");
}

void CGinaCalls::Shutdown(DWORD shutdownType)
{
    InProgress scope(*this, "WlxShutdown");
    CTrace::Call call(trace_, CTrace::kGina, "WlxShutdown(ShutdownType=" + SasActionName((int)shutdownType) + ")");
    module_.EntryPoints().Shutdown(context_, shutdownType);
    call.End("(void)");
}

bool CGinaCalls::HasScreenSaverNotify() const { return module_.EntryPoints().ScreenSaverNotify != nullptr; }

BOOL CGinaCalls::ScreenSaverNotify(BOOL& secure)
{
    InProgress scope(*this, "WlxScreenSaverNotify");
    CTrace::Call call(trace_, CTrace::kGina, std::string("WlxScreenSaverNotify(*pSecure=") + BoolText(secure) + ")");
    BOOL ok = module_.EntryPoints().ScreenSaverNotify(context_, &secure);
    call.End(std::string(BoolText(ok)) + ", *pSecure=" + BoolText(secure));
    return ok;
}

BOOL CGinaCalls::NetworkProviderLoad(WLX_MPR_NOTIFY_INFO& info)
{
    InProgress scope(*this, "WlxNetworkProviderLoad");
    CTrace::Call call(trace_, CTrace::kGina, "WlxNetworkProviderLoad()");
    info = WLX_MPR_NOTIFY_INFO();
    BOOL ok = module_.EntryPoints().NetworkProviderLoad(context_, &info);
    call.End(std::string(BoolText(ok)) + ", " + DescribeMprInfo(info));
    return ok;
}

BOOL CGinaCalls::DisplayStatusMessage(HDESK desktop, DWORD options, const wchar_t* title, const wchar_t* message)
{
    InProgress scope(*this, "WlxDisplayStatusMessage");
    CTrace::Call call(trace_, CTrace::kGina,
                      "WlxDisplayStatusMessage(hDesktop=" + Hex(desktop) + ", dwOptions=" + Hex(options) +
                          ", pTitle=" + Quoted(title) + ", pMessage=" + Quoted(message) + ")");
    std::wstring titleCopy = title ? title : L"", messageCopy = message ? message : L"";
    BOOL ok = module_.EntryPoints().DisplayStatusMessage(context_, desktop, options, title ? &titleCopy[0] : nullptr,
                                                         message ? &messageCopy[0] : nullptr);
    call.End(BoolText(ok));
    return ok;
}

BOOL CGinaCalls::GetStatusMessage(DWORD& options, std::wstring& message)
{
    InProgress scope(*this, "WlxGetStatusMessage");
    const DWORD kChars = 256;
    CTrace::Call call(trace_, CTrace::kGina, "WlxGetStatusMessage(dwBufferSize=" + std::to_string(kChars) + ")");
    wchar_t buffer[kChars] = L"";
    options = 0;
    BOOL ok = module_.EntryPoints().GetStatusMessage(context_, &options, buffer, kChars);
    buffer[kChars - 1] = L'\0';
    message = buffer;
    call.End(std::string(BoolText(ok)) + ", dwOptions=" + Hex(options) + ", pMessage=" + Quoted(buffer));
    return ok;
}

BOOL CGinaCalls::RemoveStatusMessage()
{
    InProgress scope(*this, "WlxRemoveStatusMessage");
    CTrace::Call call(trace_, CTrace::kGina, "WlxRemoveStatusMessage()");
    BOOL ok = module_.EntryPoints().RemoveStatusMessage(context_);
    call.End(BoolText(ok));
    return ok;
}
