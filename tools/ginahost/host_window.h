// A hidden window on Winlogon's thread. Other threads wake the host through it, and every
// message loop on that thread dispatches to it, the GINA's modal dialogs and message boxes
// included: that is how commands reach the host while the GINA has control.
// (A plain hidden window: message-only windows do not exist on NT 4.0.)
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>

class CHostWindow {
public:
    CHostWindow() = default;
    ~CHostWindow();
    CHostWindow(const CHostWindow&) = delete;
    CHostWindow& operator=(const CHostWindow&) = delete;

    // On Winlogon's thread; `onWake` runs there for every Wake() and elapsed WakeAfter().
    bool Create(std::function<void()> onWake);
    void Wake();                // any thread
    void WakeAfter(DWORD ms);   // Winlogon's thread
    // For a loop that wants to look at the input itself instead of dispatching: true for
    // this window's wake-ups (and stops a wake-up timer).
    bool IsWake(const MSG& msg) const;
    void Destroy();             // Winlogon's thread
    HWND Handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    std::atomic<HWND> hwnd_{nullptr};
    std::function<void()> onWake_;
};
