#include "key_messages_bench.h"

#include <sstream>

#include "text_convert.h"

std::string Narrow(const TCHAR* text)
{
    char ansi[600];
    TextToAnsi(text, ansi, sizeof ansi);
    return ansi;
}

std::string KeyMessageName(UINT message)
{
    switch (message) {
    case WM_KEY_NEEDPIN: return "NEEDPIN";
    case WM_KEY_INSERTED: return "INSERTED";
    case WM_KEY_REMOVED: return "REMOVED";
    case WM_KEY_ERROR: return "ERROR";
    case WM_KEY_ABSENT: return "ABSENT";
    case WM_KEY_WAIT_FINISH: return "WAIT_FINISH";
    case WM_KEY_LIB_ERROR: return "LIB_ERROR";
    case WM_KEY_DATA_CHANGED: return "DATA_CHANGED";
    }
    return std::to_string(message);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void MessageLog::Add(UINT message, WPARAM wParam)
{
    const bool named = message >= WM_KEY_NEEDPIN && message <= WM_KEY_ERROR;
    KeyMessage entry{message, named && wParam ? Narrow(reinterpret_cast<const TCHAR*>(wParam)) : std::string(), ""};
    if (noteOnArrival) entry.note = noteOnArrival(message);
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(entry);
}

int MessageLog::Count(UINT message) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int count = 0;
    for (const KeyMessage& m : messages_) count += m.message == message;
    return count;
}

std::vector<KeyMessage> MessageLog::All() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

bool MessageLog::Has(UINT message, const std::string& reader) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const KeyMessage& m : messages_)
        if (m.message == message && (reader.empty() || m.reader == reader)) return true;
    return false;
}

bool MessageLog::WaitFor(UINT message, DWORD timeoutMs, const std::string& reader) const
{
    return PumpUntil([&] { return Has(message, reader); }, timeoutMs);
}

std::string MessageLog::Describe() const
{
    std::ostringstream out;
    out << "messages:";
    for (const KeyMessage& m : All()) {
        out << " " << KeyMessageName(m.message);
        if (!m.reader.empty()) out << "(" << m.reader << ")";
        if (!m.note.empty()) out << "[" << m.note << "]";
    }
    return out.str();
}

void MessageLog::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
}

HostWindow::~HostWindow()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

bool HostWindow::Create(bool visible, const TCHAR* caption)
{
    static const TCHAR kClass[] = _T("OstrelKeyTestHost");
    WNDCLASS wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandle(nullptr);
    wc.lpszClassName = kClass;
    RegisterClass(&wc);  // fails harmlessly when already registered
    hwnd_ = CreateWindow(kClass, caption, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 0, 0, 200, 100, nullptr,
                         nullptr, wc.hInstance, this);
    return hwnd_ != nullptr;
}

LRESULT CALLBACK HostWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCT*>(lParam);
        SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (self && message >= WM_KEY_NEEDPIN && message <= WM_KEY_DATA_CHANGED) {
        self->log_.Add(message, wParam);
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

bool KeyWindowRig::Start()
{
    if (!host.Create() || !dispatch.StartThread(GetModuleHandle(nullptr))) return false;
    dispatch.SetDispatchWnd(host.Handle());
    monitor.AttachDispatchWnd(&dispatch);
    if (!monitor.Initialize(kAppLogonProfiles)) return false;
    monitor.StartMonitoring();
    return true;
}

KeyWindowRig::~KeyWindowRig()
{
    monitor.Finalize();
    dispatch.StopThread();
}
