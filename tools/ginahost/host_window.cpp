#include "host_window.h"

namespace {
const wchar_t kClassName[] = L"OstrelGinaHostWindow";
const UINT kWakeMessage = WM_APP + 1;
const UINT_PTR kWakeTimerId = 1;
}  // namespace

CHostWindow::~CHostWindow()
{
    // A window belongs to its thread: another thread cannot destroy it, its end does.
    HWND hwnd = hwnd_;
    if (hwnd && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId()) Destroy();
}

void CHostWindow::Destroy()
{
    if (HWND hwnd = hwnd_.exchange(nullptr)) DestroyWindow(hwnd);
}

bool CHostWindow::IsWake(const MSG& msg) const
{
    if (!msg.hwnd || msg.hwnd != hwnd_) return false;
    if (msg.message == WM_TIMER && msg.wParam == kWakeTimerId) KillTimer(msg.hwnd, kWakeTimerId);
    return msg.message == kWakeMessage || (msg.message == WM_TIMER && msg.wParam == kWakeTimerId);
}

bool CHostWindow::Create(std::function<void()> onWake)
{
    onWake_ = std::move(onWake);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);  // fails harmlessly when a previous host registered it
    HWND hwnd = CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return false;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    hwnd_ = hwnd;
    return true;
}

void CHostWindow::Wake()
{
    if (HWND hwnd = hwnd_) PostMessageW(hwnd, kWakeMessage, 0, 0);
}

void CHostWindow::WakeAfter(DWORD ms)
{
    if (HWND hwnd = hwnd_) SetTimer(hwnd, kWakeTimerId, ms ? ms : 1, nullptr);
}

LRESULT CALLBACK CHostWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CHostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (message == kWakeMessage || (message == WM_TIMER && wParam == kWakeTimerId))) {
        if (message == WM_TIMER) KillTimer(hwnd, kWakeTimerId);
        self->onWake_();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
