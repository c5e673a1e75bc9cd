// The key dispatch window: a hidden dialog on a thread of its own. It forwards key
// messages to the host's window (or, when the host has none on screen, to its own
// OnKeyMessage), waits for the end of an asynchronous key operation and turns it into
// WM_KEY_WAIT_FINISH, and tells other processes through a named event per key and
// application that the data on the key changed (WM_KEY_DATA_CHANGED there).
#pragma once
#include <windows.h>
#include <tchar.h>

#include "key_messages.h"

class CKeyDispatchWnd {
public:
    CKeyDispatchWnd();
    CKeyDispatchWnd(const CKeyDispatchWnd&) = delete;
    CKeyDispatchWnd& operator=(const CKeyDispatchWnd&) = delete;

    // Virtual operations, in slot order.
    // Sees every message of the hidden window first.
    virtual BOOL PreTranslateMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void SendNotifySelf(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void SendNotifyTo(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // One turn of the dispatch loop (at least every 800 ms): reports an outside change.
    virtual void OnIdle();
    virtual BOOL Create();
    virtual void OnDestroy();
    virtual void OnInitDialog(HWND window);
    virtual HWND GetHwnd();
    virtual void SendNotify(UINT message, WPARAM wParam, LPARAM lParam);
    virtual ~CKeyDispatchWnd();

    // Starts the dispatch thread (nothing when the window exists) and returns once its
    // window exists (false: it could not be created).
    bool StartThread(HINSTANCE instance);
    // Ends the dispatch thread: sets the exit flag and waits for the thread.
    void StopThread();
    void SetDispatchWnd(HWND target) { m_target = target; }
    HWND GetDispatchWnd() const { return m_target; }
    // The key and application whose outside changes to watch; an empty name forgets them.
    void SetListenerName(const TCHAR* readerName, int applicationId);
    // Takes over `handle` (it is closed when the wait ends or is replaced) and reports
    // WM_KEY_WAIT_FINISH once it is signalled. A second call while one waits replaces it.
    void WaitForKeyObject(HANDLE handle, int kind);
    bool IsWaiting() const;
    void CreateNotify_Listner();
    void Notify_();
    void WaitForKey_Finish();
    HINSTANCE GetInstance() const { return m_instance; }
    bool IsThreadRunning() const { return m_thread != nullptr; }

protected:
    static DWORD WINAPI thread_proc(LPVOID self);
    static INT_PTR CALLBACK dlg_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunLoop();
    bool TargetIsShown() const;

    int m_waitKind = 0;
    volatile LONG m_exit = 0;
    HANDLE m_waitHandle = nullptr;   // none when not waiting
    HANDLE m_changeEvent = nullptr;
    TCHAR m_listenerName[300] = {};
    int m_listenerId = 0;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    HWND m_hwnd = nullptr;
    HINSTANCE m_instance = nullptr;
    HWND volatile m_target = nullptr;
    SECURITY_ATTRIBUTES m_security = {};
    SECURITY_DESCRIPTOR m_descriptor = {};
    HANDLE m_windowReady = nullptr;
    // Guards the wait handle: the host's thread hands it over, the dispatch thread polls
    // and closes it. Held only for the swap and a zero-time poll.
    CRITICAL_SECTION m_waitLock;
};
