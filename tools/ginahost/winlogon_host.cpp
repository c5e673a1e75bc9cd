// CWinlogonHost: loading, negotiating, initializing, and the host thread.
#include "winlogon_host.h"

#include "text_format.h"
#include "winlogon_version.h"
#include "wlx_names.h"

namespace {
std::wstring DefaultGinaPath()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    size_t slash = dir.find_last_of(L"\\/");
    dir = slash == std::wstring::npos ? std::wstring() : dir.substr(0, slash + 1);
    return dir + L"ov_gina.dll";
}
}  // namespace

const char* HostStateName(HostState state)
{
    switch (state) {
    case HostState::NotStarted: return "not-started";
    case HostState::LoggedOut: return "logged-out";
    case HostState::LoggedOn: return "logged-on";
    case HostState::Locked: return "locked";
    case HostState::ShutDown: return "shut-down";
    case HostState::Failed: return "failed";
    }
    return "?";
}

CWinlogonHost::CWinlogonHost(HostOptions options)
    : options_(std::move(options)),
      calls_(module_, trace_),
      dialogs_(trace_, [this] { window_.Wake(); }),
      dispatch_(trace_, dialogs_, *this, options_)
{
    trace_.EchoToStdout(options_.traceToStdout);
    if (!options_.traceFile.empty() && !trace_.OpenFile(options_.traceFile))
        std::fprintf(stderr, "ginahost: cannot write the trace file %s\n", Utf8(options_.traceFile).c_str());
    if (options_.ginaPath.empty()) options_.ginaPath = DefaultGinaPath();
}

CWinlogonHost::~CWinlogonHost()
{
    if (thread_) {
        if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
            Post("quit");
            EndOfInput();
            // A GINA dialog that nobody answers would hold the quit back: end them.
            for (int round = 0; round < 20 && WaitForSingleObject(thread_, 500) == WAIT_TIMEOUT; ++round) {
                if (round >= 2) dialogs_.EndAll(IDCANCEL, "tearing the host down");
            }
            if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
                trace_.Host("error: the host thread does not end; terminating it");
                TerminateThread(thread_, 1);
            }
        }
        CloseHandle(thread_);
    }
    if (initialized_) CloseHandle(initialized_);
}

void CWinlogonHost::Fail(int exitCode, const std::string& error)
{
    trace_.Host("error: " + error);
    exitCode_ = exitCode;
    EnterState(HostState::Failed);
}

bool CWinlogonHost::Load()
{
    window_.Create([this] { OnWake(); });
    trace_.Host("loading " + Utf8(options_.ginaPath));
    std::string error;
    if (!module_.Load(options_.ginaPath, error)) {
        Fail(kExitLoadFailed, error);
        return false;
    }
    return true;
}

bool CWinlogonHost::Negotiate()
{
    WinlogonOffer offer = WinlogonOfferForThisWindows();
    if (!offer.hasWinlogon) {
        Fail(kExitNoWinlogon, offer.windows + ": " + offer.note);
        return false;
    }
    offeredVersion_ = options_.winlogonVersion ? options_.winlogonVersion : offer.version;
    trace_.Host(offer.windows + ": Winlogon offers GINA version " + VersionName(offeredVersion_) +
                (options_.winlogonVersion ? " (set with --winlogon-version)" : ""));
    if (!offer.note.empty()) trace_.Host("note: " + offer.note);

    DWORD answered = 0;
    if (!calls_.Negotiate(offeredVersion_, answered)) {
        Fail(kExitNegotiationFailed, "WlxNegotiate refused Winlogon version " + VersionName(offeredVersion_) +
                                         ": Winlogon does not go on with this GINA");
        return false;
    }
    if (answered > offeredVersion_) {
        Fail(kExitNegotiationFailed, "the GINA answered version " + VersionName(answered) +
                                         ", newer than the offered " + VersionName(offeredVersion_));
        return false;
    }
    if (answered < WLX_VERSION_1_0) {
        Fail(kExitNegotiationFailed, "the GINA answered " + Hex(answered) + ", which is no GINA version");
        return false;
    }
    std::vector<std::string> missing = module_.MissingFor(answered);
    if (!missing.empty()) {
        std::string names;
        for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
        Fail(kExitLoadFailed, "a GINA of version " + VersionName(answered) + " must export " + names);
        return false;
    }
    dllVersion_ = answered;
    dispatch_.SetVersion(answered);
    return true;
}

bool CWinlogonHost::Initialize()
{
    if (!calls_.Initialize(L"WinSta0", dispatch_.Handle(), dispatch_.Table(), dispatch_.TableName())) {
        Fail(kExitInitializeFailed, "WlxInitialize failed: Winlogon does not go on with this GINA");
        return false;
    }
    return true;
}

DWORD WINAPI CWinlogonHost::ThreadMain(void* param)
{
    auto* self = static_cast<CWinlogonHost*>(param);
    self->startOk_ = self->Load() && self->Negotiate() && self->Initialize();
    SetEvent(self->initialized_);
    if (self->startOk_) self->Run();
    self->window_.Destroy();
    return (DWORD)self->exitCode_;
}

bool CWinlogonHost::Start()
{
    initialized_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (!thread_) return false;
    HANDLE handles[] = {initialized_, thread_};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    return startOk_;
}

bool CWinlogonHost::Join(DWORD timeoutMs)
{
    return !thread_ || WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0;
}

int CWinlogonHost::ExitCode() const { return exitCode_; }

HostState CWinlogonHost::State() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return state_;
}

bool CWinlogonHost::WaitForState(HostState state, DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> lock(stateMutex_);
    auto done = [&] { return state_ == state || state_ == HostState::ShutDown || state_ == HostState::Failed; };
    stateChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    return state_ == state;
}

void CWinlogonHost::OnContextPointer(void* context) { calls_.SetContext(context); }
