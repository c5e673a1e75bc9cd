#include "dialog_tracker.h"

#include <winwlx.h>

#include <atomic>

#include "text_format.h"
#include "trace.h"
#include "wlx_names.h"

struct DialogFrame {
    CDialogTracker* tracker;
    DLGPROC ginaProc;
    LPARAM initParam;
    std::string name;
    DWORD timeoutMs;
    DWORD threadId;
    DWORD openedTick = 0;
    HWND hwnd = nullptr;
    std::atomic<bool> ended{false};
    std::atomic<bool> sasHandled{false};
};

namespace {
// An id the GINA's own timers are unlikely to use ('OV').
const UINT_PTR kTimeoutTimerId = 0x4F56;
const wchar_t kFrameProperty[] = L"OstrelGinaHostDialogFrame";

// Ends a dialog on its own thread: EndDialog belongs to the thread that runs the dialog.
UINT EndDialogMessage()
{
    static const UINT message = RegisterWindowMessageW(L"OstrelGinaHostEndDialog");
    return message;
}

// The dialog being created on this thread: its first messages arrive before WM_INITDIALOG
// could hand over the frame.
thread_local DialogFrame* t_creating = nullptr;

// Input idle time for WlxSetTimeout: keyboard and mouse input on a thread that runs a timed
// dialog restarts the count.
std::atomic<DWORD> g_lastInputTick{0};
thread_local HHOOK t_inputHook = nullptr;
thread_local int t_inputHookUsers = 0;

LRESULT CALLBACK InputActivityHook(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && wParam == PM_REMOVE &&
        ((msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) ||
         (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)))
        g_lastInputTick = GetTickCount();
    return CallNextHookEx(t_inputHook, code, wParam, lParam);
}

class InputActivityWatch {
public:
    explicit InputActivityWatch(bool wanted) : active_(wanted)
    {
        if (active_ && t_inputHookUsers++ == 0)
            t_inputHook = SetWindowsHookExW(WH_GETMESSAGE, InputActivityHook, nullptr, GetCurrentThreadId());
    }
    ~InputActivityWatch()
    {
        if (active_ && --t_inputHookUsers == 0 && t_inputHook) {
            UnhookWindowsHookEx(t_inputHook);
            t_inputHook = nullptr;
        }
    }

private:
    bool active_;
};

std::string WindowCaption(HWND hwnd)
{
    wchar_t text[256] = L"";
    GetWindowTextW(hwnd, text, 256);
    return Quoted(text);
}
}  // namespace

CDialogTracker::CDialogTracker(CTrace& trace, std::function<void()> onDialogUp)
    : trace_(trace), onDialogUp_(std::move(onDialogUp))
{
}

INT_PTR CDialogTracker::Run(const std::string& templateName, DLGPROC ginaProc, LPARAM initParam,
                            DWORD timeoutSeconds, const Opener& open)
{
    auto frame = std::make_shared<DialogFrame>();
    frame->tracker = this;
    frame->ginaProc = ginaProc;
    frame->initParam = initParam;
    frame->name = templateName;
    frame->timeoutMs = timeoutSeconds * 1000;
    frame->threadId = GetCurrentThreadId();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_.push_back(frame);
    }
    InputActivityWatch watch(timeoutSeconds != 0);
    DialogFrame* outerCreating = t_creating;
    t_creating = frame.get();
    INT_PTR result = open(HostDialogProc, reinterpret_cast<LPARAM>(frame.get()));
    t_creating = outerCreating;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < open_.size(); ++i)
            if (open_[i] == frame) open_.erase(open_.begin() + i);
    }
    return result;
}

INT_PTR CALLBACK CDialogTracker::HostDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* frame = static_cast<DialogFrame*>(GetPropW(hwnd, kFrameProperty));
    if (!frame) {
        frame = t_creating;
        if (!frame) return FALSE;
        t_creating = nullptr;  // a dialog the GINA opens from WM_INITDIALOG gets its own frame
        SetPropW(hwnd, kFrameProperty, frame);
        frame->hwnd = hwnd;
    }
    switch (message) {
    case WM_INITDIALOG: {
        INT_PTR result = frame->ginaProc(hwnd, message, wParam, frame->initParam);
        frame->tracker->Opened(*frame);
        return result;
    }
    case WM_TIMER:
        if (wParam == kTimeoutTimerId) {
            frame->tracker->CheckTimeout(*frame);
            return TRUE;
        }
        break;
    case WLX_WM_SAS: {
        INT_PTR handled = frame->ginaProc(hwnd, message, wParam, lParam);
        frame->sasHandled = handled != FALSE;
        return handled;
    }
    case WM_DESTROY:
        RemovePropW(hwnd, kFrameProperty);
        break;
    default:
        if (message == EndDialogMessage()) {
            frame->ended = true;
            EndDialog(hwnd, (INT_PTR)wParam);
            return TRUE;
        }
    }
    return frame->ginaProc(hwnd, message, wParam, lParam);
}

void CDialogTracker::Opened(DialogFrame& frame)
{
    frame.openedTick = GetTickCount();
    trace_.Host("dialog " + frame.name + " is up: hwnd=" + Hex(frame.hwnd) + ", caption " + WindowCaption(frame.hwnd));
    if (frame.timeoutMs) SetTimer(frame.hwnd, kTimeoutTimerId, frame.timeoutMs, nullptr);
    if (onDialogUp_) onDialogUp_();
}

void CDialogTracker::CheckTimeout(DialogFrame& frame)
{
    DWORD now = GetTickCount();
    DWORD lastInput = g_lastInputTick;
    DWORD since = (int)(lastInput - frame.openedTick) > 0 ? lastInput : frame.openedTick;
    DWORD idle = now - since;
    KillTimer(frame.hwnd, kTimeoutTimerId);
    if (idle < frame.timeoutMs) {
        SetTimer(frame.hwnd, kTimeoutTimerId, frame.timeoutMs - idle, nullptr);
        return;
    }
    if (frame.ended) return;
    frame.ended = true;
    trace_.Host("dialog " + frame.name + " ends after " + std::to_string(frame.timeoutMs / 1000) +
                " s without input: " + DialogResultName(WLX_DLG_INPUT_TIMEOUT));
    EndDialog(frame.hwnd, WLX_DLG_INPUT_TIMEOUT);
}

std::vector<std::shared_ptr<DialogFrame>> CDialogTracker::LiveDialogs() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::shared_ptr<DialogFrame>> live;
    for (const auto& frame : open_)
        if (frame->hwnd && IsWindow(frame->hwnd) && !frame->ended) live.push_back(frame);
    return live;
}

CDialogTracker::SasOutcome CDialogTracker::OfferSas(DWORD sasType)
{
    std::vector<std::shared_ptr<DialogFrame>> live = LiveDialogs();
    if (live.empty()) return SasOutcome::NoDialog;
    DialogFrame& innermost = *live.back();
    innermost.sasHandled = false;
    SendMessageW(innermost.hwnd, WLX_WM_SAS, sasType, 0);
    if (innermost.sasHandled) {
        trace_.Host("SAS " + SasTypeName(sasType) + ": dialog " + innermost.name +
                    " handled it (WLX_WM_SAS returned TRUE) and stays open");
        return SasOutcome::Handled;
    }
    for (auto it = live.rbegin(); it != live.rend(); ++it) {
        trace_.Host("SAS " + SasTypeName(sasType) + " ends dialog " + (*it)->name + ": " +
                    DialogResultName(WLX_DLG_SAS));
        SendMessageW((*it)->hwnd, EndDialogMessage(), WLX_DLG_SAS, 0);
    }
    return SasOutcome::EndedDialogs;
}

size_t CDialogTracker::OpenCount() const { return LiveDialogs().size(); }

void CDialogTracker::EndAll(INT_PTR result, const std::string& reason)
{
    std::vector<std::shared_ptr<DialogFrame>> live = LiveDialogs();
    for (auto it = live.rbegin(); it != live.rend(); ++it) {
        trace_.Host(reason + " ends dialog " + (*it)->name + ": " + DialogResultName(result));
        SendMessageTimeoutW((*it)->hwnd, EndDialogMessage(), (WPARAM)result, 0, SMTO_NORMAL, 2000, nullptr);
    }
}
