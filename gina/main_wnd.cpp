#include "main_wnd.h"

#include "gina_context.h"
#include "gina_res.h"
#include "log.h"
#include "settings_store.h"

CMainWnd g_MainWnd;

namespace {
const char kName[] = "CMainWnd";
const UINT_PTR kCloseTimer = 1;  // watches the status flag
const UINT_PTR kStripTimer = 3;
const DWORD kApplicationProfiles = 223;
const COLORREF kStripBlue = RGB(0, 128, 255);
const COLORREF kStripDeepBlue = RGB(0, 0, 255);

unsigned HandleValue(const void* handle) { return unsigned(UINT_PTR(handle)); }
}  // namespace

CMainWnd::~CMainWnd()
{
    // At FreeLibrary the loader lock is held, and a thread cannot finish its exit without
    // it: ask the thread to leave our code, wait a bounded time, and do not wait for its end.
    InterlockedExchange(&m_statusActive, 0);
    if (m_thread) {
        InterlockedExchange(&m_exit, 1);
        PostThreadMessage(m_threadId, WM_NULL, 0, 0);
        if (GetCurrentThreadId() != m_threadId) WaitForSingleObject(m_thread, 1000);
        CloseHandle(m_thread);
        m_thread = nullptr;
        m_threadId = 0;
    }
    for (HANDLE* handle : {&m_monitorStarted, &m_startSemaphore, &m_stopSemaphore})
        if (*handle) {
            CloseHandle(*handle);
            *handle = nullptr;
        }
}

void CMainWnd::Init(HINSTANCE instance)
{
    // Null DACL: the panel runs as the user, the GINA as SYSTEM.
    m_stopSemaphore = CreateSemaphoreA(&m_security, 0, 3, "ovl_do_stop");
    m_startSemaphore = CreateSemaphoreA(&m_security, 0, 3, "ovl_do_start");
    m_pendingRemoval = false;
    if (!StartThread(instance))
        g_log.Write(LOG_ERROR, kName, "CMainWnd::Init, no dispatch thread gle=%X", unsigned(GetLastError()));
    g_SmartKey.AttachDispatchWnd(this);
}

void CMainWnd::SetDispatchWnd(HWND dialog)
{
    CKeyDispatchWnd::SetDispatchWnd(dialog);
    g_log.Write(LOG_PERF, kName, "CMainWnd::SetDispatchWnd %X ", HandleValue(dialog));
    m_dispatchCopy = dialog;
    if (g_SmartKey.IsMonitorRunning()) {
        // A key inserted before this dialog opened must still reach it.
        g_log.Write(LOG_TRACE, kName, "CMainWnd::SetDispatchWnd, FireKey_insertion... %X", HandleValue(dialog));
        g_SmartKey.FireKey_insertion();
    } else {
        SendNotifySelf(WM_START_KEYING, 0, 0);
    }
}

void CMainWnd::RemoveDispatchWnd()
{
    g_log.Write(LOG_PERF, kName, "CMainWnd::RemoveDispatchWnd ");
    CKeyDispatchWnd::SetDispatchWnd(nullptr);
    m_dispatchCopy = nullptr;
    const Acc* acc = g_pGlb ? g_pGlb->pAcc : nullptr;
    // In the session the monitor runs only for a removal action after a key logon.
    const bool keep = g_settings.keyRemoveAction != 0 && (!acc || acc->byKey);
    if (keep) return;
    g_SmartKey.StopMonitoring();
    g_SmartKey.Finalize();
}

void CMainWnd::SetStatusMessage(BOOL show, const WCHAR* text)
{
    if (!show) {
        InterlockedExchange(&m_statusActive, 0);
        return;
    }
    lstrcpynW(m_statusText, text ? text : L"", ARRAYSIZE(m_statusText));
    HWND window = m_statusWnd;
    if (window) {
        // The window belongs to the dispatch thread; never wait long for it.
        DWORD_PTR ignored;
        SendMessageTimeoutW(GetDlgItem(window, IDC_WAIT_TEXT), WM_SETTEXT, 0, LPARAM(m_statusText),
                            SMTO_ABORTIFHUNG, 1000, &ignored);
        InvalidateRect(window, nullptr, TRUE);
    }
    InterlockedExchange(&m_statusActive, 1);
}

BOOL CMainWnd::PreTranslateMessage(HWND, UINT message, WPARAM, LPARAM)
{
    if (message != WM_START_KEYING) return FALSE;
    g_log.Write(LOG_PERF, kName, "CMainWnd::PreTranslateMessage1");
    g_log.Write(LOG_PERF, kName, "start Key-ing...");
    g_SmartKey.Initialize(kApplicationProfiles);  // false when already initialised: fine
    g_SmartKey.StartMonitoring();
    return TRUE;
}

void CMainWnd::SendNotifyTo(UINT message, WPARAM wParam, LPARAM lParam)
{
    g_log.Write(LOG_TRACE, kName, "CMainWnd::SendNotifyTo");
    if (message == WM_KEY_REMOVED) {
        g_log.Write(LOG_TRACE, kName, "CMainWnd::SendNotifyTo  WM_KEY_REMOVED");
        FireKeyRemovalBehaviour();
    }
    CKeyDispatchWnd::SendNotifyTo(message, wParam, lParam);
}

void CMainWnd::OnKeyMessageSelf(UINT message, WPARAM, LPARAM)
{
    if (message != WM_KEY_REMOVED) return;
    g_log.Write(LOG_TRACE, kName, "CMainWnd::OnKeyMessageSelf  WM_KEY_REMOVED");
    FireKeyRemovalBehaviour();
}

void CMainWnd::FireKeyRemovalBehaviour()
{
    Glb* glb = g_pGlb;
    const DWORD state = glb ? glb->LogonState : 0;
    const int action = g_settings.keyRemoveAction;
    g_log.Write(LOG_TRACE, kName, "CMainWnd::FireKeyRemovalBehaviour, state:%d, start_monitor:%d ", int(state),
                action);
    const Acc* acc = glb ? glb->pAcc : nullptr;
    // Only the key the user logged on with counts.
    if (!acc || !g_SmartKey.CompareSerial(acc->keySerial)) return;
    if (state != LOGON_STATE_ACTIVE) {
        // The shell is not up yet (or a logon runs): act once the state is back to 1.
        m_pendingRemoval = true;
        return;
    }
    m_pendingRemoval = false;
    switch (action) {
    case 0:
        g_log.Write(LOG_TRACE, kName, "- Monitoring Active but no Key Removal Behaviour");
        break;
    case 1:
        g_log.Write(LOG_TRACE, kName, "WlxSasNotify GINA_SAS_LOCK");
        if (g_pWinlogon) g_pWinlogon->WlxSasNotify(glb->hWlx, GINA_SAS_LOCK);
        g_log.Write(LOG_TRACE, kName, "WlxSasNotify2");
        break;
    case 2:
        g_log.Write(LOG_TRACE, kName, "WlxSasNotify GINA_SAS_LOGOFF");
        if (g_pWinlogon) g_pWinlogon->WlxSasNotify(glb->hWlx, GINA_SAS_LOGOFF);
        break;
    default:
        g_log.Write(LOG_TRACE, kName, "ERROR WlxLoggedOnSAS - ABSENT KEY BEHAVIOUR !!!!");
        break;
    }
    g_log.Write(LOG_TRACE, kName, "Switch ");
}

void CMainWnd::OnIdle()
{
    CKeyDispatchWnd::OnIdle();
    if (m_statusActive && !m_statusWnd && !m_exit)
        m_statusWnd = CreateDialogParamW(GetInstance(), MAKEINTRESOURCEW(IDD_PLEASE_WAIT), nullptr, StatMsgDlg_proc,
                                         reinterpret_cast<LPARAM>(this));

    const bool running = g_SmartKey.IsMonitorRunning();
    if (running && !m_monitorStarted) {
        m_monitorStarted = CreateSemaphoreA(&m_security, 0, 3, "ovl_MonitorStarted");
    } else if (!running && m_monitorStarted) {
        CloseHandle(m_monitorStarted);
        m_monitorStarted = nullptr;
    }
    // The panel's start request is not waited for: the next dialog that attaches starts it.
    if (m_stopSemaphore && WaitForSingleObject(m_stopSemaphore, 1) == WAIT_OBJECT_0) {
        g_log.Write(LOG_TRACE, kName, "CMainWnd::OnIdle, stop request");
        g_SmartKey.StopMonitoring();
        g_SmartKey.Finalize();
    }

    if (m_pendingRemoval && g_pGlb && g_pGlb->LogonState == LOGON_STATE_ACTIVE) FireKeyRemovalBehaviour();
}

void CMainWnd::OnDestroy()
{
    // The status window belongs to this thread, which is about to end.
    if (HWND status = m_statusWnd) {
        m_statusWnd = nullptr;
        DestroyWindow(status);
    }
    CKeyDispatchWnd::OnDestroy();
}

INT_PTR CALLBACK CMainWnd::StatMsgDlg_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CMainWnd*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        g_log.Write(LOG_TRACE, kName, "CMainWnd::StatMsgDlg_proc init");
        self = reinterpret_cast<CMainWnd*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        HANDLE logo = LogoBitmap.Get();
        if (!logo) logo = LoadImageW(g_hInstance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_SHARED);
        if (logo) SendDlgItemMessageW(window, IDC_WAIT_LOGO, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(logo));
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        SetDlgItemTextW(window, IDC_WAIT_TEXT, self->m_statusText);
        SetTimer(window, kCloseTimer, 10, nullptr);
        self->m_strip = CProgressStrip();
        self->m_strip.Attach(GetDlgItem(window, IDC_WAIT_STRIP), kStripBlue, 2, kStripBlue, kStripDeepBlue);
        self->m_strip.Paint();
        SetTimer(window, kStripTimer, 50, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        if (!self) return FALSE;
        if (wParam == kCloseTimer) {
            if (self->m_statusActive) return TRUE;
            self->m_statusWnd = nullptr;
            KillTimer(window, kCloseTimer);
            KillTimer(window, kStripTimer);
            DestroyWindow(window);
        } else if (wParam == kStripTimer) {
            KillTimer(window, kStripTimer);
            self->m_strip.Step();
            SetTimer(window, kStripTimer, 30, nullptr);
        }
        return TRUE;
    case WM_PAINT:
        if (self) self->m_strip.Paint();
        return FALSE;
    case WM_DESTROY:
        g_log.Write(LOG_TRACE, kName, "CMainWnd::StatMsgDlg_proc destroy");
        if (self) self->m_strip.Detach();
        return FALSE;
    }
    return FALSE;
}
