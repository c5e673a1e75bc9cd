#include "key_dispatch_wnd.h"

#include <cstdio>

#include "key_dialogs.h"
#include "key_log.h"
#include "text_convert.h"

namespace {
const UINT_PTR kLoopTimer = 151;
const UINT_PTR kOldWaitTimer = 150;
const UINT kLoopTimerMs = 800;
const UINT kWakeMessage = WM_USER + 1;
const DWORD kFinishDelayMs = 1200;
const int kFinishPolls = 900;
const DWORD kFinishPollMs = 100;
const DWORD kChangePulseMs = 1000;
const int kCaptionChars = 45;
const UINT kCaptionWaitMs = 200;
const TCHAR kEventFormat[] = _T("%s_%d_tkkey166_write");

// Sleeps while still answering messages sent to this thread's windows: a biometric dialog
// owned by the hidden window disables it on opening and waits for the answer.
void SleepAnsweringSends(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (DWORD spent = 0; spent < ms; spent = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_SENDMESSAGE);
        MSG msg;
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool IsKeyMessage(UINT message)
{
    return (message >= WM_KEY_NEEDPIN && message <= WM_KEY_WAIT_FINISH) || message == WM_KEY_DATA_CHANGED;
}
}  // namespace

CKeyDispatchWnd::CKeyDispatchWnd()
{
    InitializeCriticalSection(&m_waitLock);
    // A null DACL: the change event must open from every account (the GINA runs as SYSTEM).
    m_security.nLength = sizeof m_security;
    m_security.bInheritHandle = TRUE;
    m_security.lpSecurityDescriptor = &m_descriptor;
    if (!InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION))
        KeyLog(LOG_ERROR, "CKeyDispatchWnd", "CKeyDispatchWnd::CKeyDispatchWnd, Error init SecureDescriptor gle=%X",
               unsigned(GetLastError()));
    else if (!SetSecurityDescriptorDacl(&m_descriptor, TRUE, nullptr, FALSE))
        KeyLog(LOG_ERROR, "CKeyDispatchWnd", "CKeyDispatchWnd::CKeyDispatchWnd, Error set DACL gle=%X",
               unsigned(GetLastError()));
}

CKeyDispatchWnd::~CKeyDispatchWnd()
{
    StopThread();
    if (m_waitHandle) CloseHandle(m_waitHandle);
    if (m_changeEvent) CloseHandle(m_changeEvent);
    DeleteCriticalSection(&m_waitLock);
}

BOOL CKeyDispatchWnd::PreTranslateMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void CKeyDispatchWnd::SendNotifySelf(UINT message, WPARAM wParam, LPARAM)
{
    SendNotifyMessage(m_hwnd, message, wParam, 0);
}

void CKeyDispatchWnd::SendNotifyTo(UINT message, WPARAM wParam, LPARAM)
{
    SendNotifyMessage(m_target, message, wParam, 0);
}

void CKeyDispatchWnd::OnKeyMessage(UINT message, WPARAM wParam, LPARAM)
{
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::OnKeyMessage %d %d", int(message), int(wParam != 0));
}

void CKeyDispatchWnd::OnIdle()
{
    if (!m_changeEvent || WaitForSingleObject(m_changeEvent, 0) != WAIT_OBJECT_0) return;
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::Notify_, New event!");
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "Notify_ , data on the Key was changed outside");
    SendNotify(WM_KEY_DATA_CHANGED, 0, 0);
}

BOOL CKeyDispatchWnd::Create()
{
    m_hwnd = CreateDialogParam(m_instance, MAKEINTRESOURCE(IDD_KEY_DISPATCH), nullptr, dlg_proc,
                               reinterpret_cast<LPARAM>(this));
    if (!m_hwnd)
        KeyLog(LOG_ERROR, "CKeyDispatchWnd", "CKeyDispatchWnd::Create, no window gle=%X", unsigned(GetLastError()));
    return m_hwnd != nullptr;
}

void CKeyDispatchWnd::OnDestroy()
{
    if (!m_hwnd) return;
    KillTimer(m_hwnd, kOldWaitTimer);
    KillTimer(m_hwnd, kLoopTimer);
    DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}

void CKeyDispatchWnd::OnInitDialog(HWND) {}

HWND CKeyDispatchWnd::GetHwnd() { return m_hwnd; }

bool CKeyDispatchWnd::TargetIsShown() const
{
    HWND target = m_target;
    if (!target || !IsWindow(target)) return false;
    if (IsWindowVisible(target) || GetDlgCtrlID(target) != 0) return true;
    // A caption is asked with a time limit: a target whose thread does not answer must not
    // hold up the key monitor, which sends from its own thread.
    TCHAR caption[kCaptionChars + 1] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeout(target, WM_GETTEXT, ARRAYSIZE(caption), reinterpret_cast<LPARAM>(caption),
                       SMTO_ABORTIFHUNG | SMTO_BLOCK, kCaptionWaitMs, &copied);
    return caption[0] != 0;
}

void CKeyDispatchWnd::SendNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::SendNotify %d (DispHWND:%p, lParam=%X)", int(message),
           static_cast<void*>(m_target), unsigned(lParam));
    if (TargetIsShown())
        SendNotifyTo(message, wParam, 0);
    else
        SendNotifySelf(message, wParam, 0);
    if (message != WM_KEY_WAIT_FINISH) return;
    if (lParam == kWaitWrite) Notify_();
    if (lParam == kWaitRead) CreateNotify_Listner();
}

bool CKeyDispatchWnd::StartThread(HINSTANCE instance)
{
    if (m_hwnd) return true;
    if (m_thread) StopThread();
    m_instance = instance;
    InterlockedExchange(&m_exit, 0);
    m_windowReady = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, thread_proc, this, 0, &m_threadId);
    if (!m_thread) {
        CloseHandle(m_windowReady);
        m_windowReady = nullptr;
        return false;
    }
    // Messages sent right after the start must find the window.
    HANDLE both[2] = {m_windowReady, m_thread};
    WaitForMultipleObjects(2, both, FALSE, INFINITE);
    CloseHandle(m_windowReady);
    m_windowReady = nullptr;
    return m_hwnd != nullptr;
}

void CKeyDispatchWnd::StopThread()
{
    if (!m_thread) return;
    DWORD exitCode = 0;
    // At process exit the thread is already gone: nothing to wait for then.
    if (GetExitCodeThread(m_thread, &exitCode) && exitCode == STILL_ACTIVE) {
        InterlockedExchange(&m_exit, 1);
        PostThreadMessage(m_threadId, kWakeMessage, 0, 0);
        if (GetCurrentThreadId() != m_threadId) WaitForSingleObject(m_thread, INFINITE);
    }
    CloseHandle(m_thread);
    m_thread = nullptr;
    m_threadId = 0;
}

void CKeyDispatchWnd::SetListenerName(const TCHAR* readerName, int applicationId)
{
    if (!readerName) readerName = _T("");
    // Another key or application: the event of the old one no longer concerns us.
    const bool other = lstrcmp(m_listenerName, readerName) != 0 || m_listenerId != applicationId;
    lstrcpyn(m_listenerName, readerName, ARRAYSIZE(m_listenerName));
    m_listenerId = applicationId;
    if ((other || !m_listenerName[0]) && m_changeEvent) {
        CloseHandle(m_changeEvent);
        m_changeEvent = nullptr;
    }
}

void CKeyDispatchWnd::WaitForKeyObject(HANDLE handle, int kind)
{
    EnterCriticalSection(&m_waitLock);
    if (m_waitHandle) {
        KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::WaitForKeyObject, already wait");
        if (m_hwnd) KillTimer(m_hwnd, kOldWaitTimer);
        CloseHandle(m_waitHandle);
    }
    m_waitHandle = handle;
    m_waitKind = kind;
    LeaveCriticalSection(&m_waitLock);
    // Wake the dispatch loop so the wait starts now, not at the next timer turn.
    if (m_threadId) PostThreadMessage(m_threadId, kWakeMessage, 0, 0);
}

bool CKeyDispatchWnd::IsWaiting() const { return m_waitHandle != nullptr; }

void CKeyDispatchWnd::WaitForKey_Finish()
{
    SleepAnsweringSends(kFinishDelayMs);
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::WaitForKey_Finish ...");
    int kind = 0;
    for (int left = kFinishPolls;; --left) {
        if (m_exit) {
            // The host is closing: nobody is left to tell.
            EnterCriticalSection(&m_waitLock);
            if (m_waitHandle) CloseHandle(m_waitHandle);
            m_waitHandle = nullptr;
            LeaveCriticalSection(&m_waitLock);
            return;
        }
        EnterCriticalSection(&m_waitLock);
        DWORD result = m_waitHandle ? WaitForSingleObject(m_waitHandle, 0) : WAIT_FAILED;
        const bool done = result == WAIT_OBJECT_0 || result == WAIT_FAILED || left < 2;
        if (done) {
            if (result == WAIT_OBJECT_0) KeyLog(LOG_TRACE, "CKeyDispatchWnd", "WAIT_OBJECT_0");
            else if (result == WAIT_FAILED) KeyLog(LOG_TRACE, "CKeyDispatchWnd", "WAIT_FAILED");
            else KeyLog(LOG_TRACE, "CKeyDispatchWnd", "ERROR timeout:%d", left);
            if (m_waitHandle) CloseHandle(m_waitHandle);
            m_waitHandle = nullptr;
            kind = m_waitKind;
        }
        LeaveCriticalSection(&m_waitLock);
        if (done) break;
        SleepAnsweringSends(kFinishPollMs);
    }
    SendNotify(WM_KEY_WAIT_FINISH, 0, kind);
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "EXIT");
}

void CKeyDispatchWnd::CreateNotify_Listner()
{
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::CreateNotify_Listner ");
    if (!m_listenerName[0]) {
        if (m_changeEvent) CloseHandle(m_changeEvent);
        m_changeEvent = nullptr;
        return;
    }
    if (m_changeEvent) return;
    TCHAR name[400];
    _sntprintf(name, ARRAYSIZE(name), kEventFormat, m_listenerName, m_listenerId);
    name[ARRAYSIZE(name) - 1] = 0;
    // Reader names may hold backslashes, which event names may not.
    for (TCHAR* c = name; *c; ++c)
        if (*c == _T('\\')) *c = _T('_');
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "Evt name: %s ", CAnsiText(name).c_str());
    m_changeEvent = CreateEvent(&m_security, TRUE, FALSE, name);
    if (!m_changeEvent)
        KeyLog(LOG_ERROR, "CKeyDispatchWnd", "CKeyDispatchWnd::CreateNotify_Listner, error CreateEvent(%s) GLE=%X",
               CAnsiText(name).c_str(), unsigned(GetLastError()));
}

void CKeyDispatchWnd::Notify_()
{
    if (!m_changeEvent) return;
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::Notify_: Data has been Changed");
    // Every other listener sees the event on its next loop turn (at most 800 ms); this
    // process sleeps through the pulse and so does not report its own write.
    SetEvent(m_changeEvent);
    Sleep(kChangePulseMs);
    ResetEvent(m_changeEvent);
}

DWORD WINAPI CKeyDispatchWnd::thread_proc(LPVOID self)
{
    static_cast<CKeyDispatchWnd*>(self)->RunLoop();
    return 0;
}

void CKeyDispatchWnd::RunLoop()
{
    Create();
    if (m_windowReady) SetEvent(m_windowReady);
    if (!m_hwnd) return;
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        if (IsWaiting()) WaitForKey_Finish();
        if (!IsDialogMessage(m_hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        OnIdle();
        if (m_exit) break;
    }
    OnDestroy();
    KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::thread_proc::DialogBoxParam exit !");
}

INT_PTR CALLBACK CKeyDispatchWnd::dlg_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CKeyDispatchWnd*>(GetWindowLongPtr(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CKeyDispatchWnd*>(lParam);
        KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::dlg_proc init (HWND:%p)", static_cast<void*>(window));
        SetWindowLongPtr(window, DWLP_USER, lParam);
        self->m_hwnd = window;
        self->PreTranslateMessage(window, message, wParam, lParam);
        self->OnInitDialog(window);
        SetTimer(window, kLoopTimer, kLoopTimerMs, nullptr);
        return 0;
    }
    if (!self) return 0;
    self->PreTranslateMessage(window, message, wParam, lParam);
    if (IsKeyMessage(message)) {
        KeyLog(LOG_TRACE, "CKeyDispatchWnd", "CKeyDispatchWnd::dlg_proc, WM_KEY message %d", int(message));
        self->OnKeyMessage(message, wParam, lParam);
    }
    return 0;
}
