// The GINA's long-lived key receiver: routes key messages to the dialog on screen,
// starts and stops the key monitor, applies the key-removal action, answers the
// administration panel's semaphores and shows Winlogon's status messages.
#pragma once
#include <windows.h>

#include "key_dispatch_wnd.h"
#include "progress_strip.h"

// Sent to the own hidden window: start the key monitor on the dispatch thread.
const UINT WM_START_KEYING = WM_USER + 11;

class CMainWnd : public CKeyDispatchWnd {
public:
    CMainWnd() = default;
    ~CMainWnd() override;

    BOOL PreTranslateMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void SendNotifyTo(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        OnKeyMessageSelf(message, wParam, lParam);
    }
    void OnIdle() override;
    void OnDestroy() override;
    // The attached dialog, not the own hidden window.
    HWND GetHwnd() override { return m_dispatchCopy; }

    // Once, from WlxInitialize.
    void Init(HINSTANCE instance);
    // A dialog that reacts to keys comes on screen / goes away (Winlogon's thread).
    void SetDispatchWnd(HWND dialog);
    void RemoveDispatchWnd();
    void SetStatusMessage(BOOL show, const WCHAR* text);
    void OnKeyMessageSelf(UINT message, WPARAM wParam, LPARAM lParam);
    void FireKeyRemovalBehaviour();

    static INT_PTR CALLBACK StatMsgDlg_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // For observation.
    bool IsRemovalPending() const { return m_pendingRemoval; }
    HWND StatusWindow() const { return m_statusWnd; }

private:
    HWND volatile m_dispatchCopy = nullptr;
    volatile bool m_pendingRemoval = false;
    HANDLE m_monitorStarted = nullptr;
    HANDLE m_startSemaphore = nullptr;
    HANDLE m_stopSemaphore = nullptr;
    HWND volatile m_statusWnd = nullptr;
    WCHAR m_statusText[500] = {};
    volatile LONG m_statusActive = 0;
    CProgressStrip m_strip;  // dispatch thread only
};

extern CMainWnd g_MainWnd;
