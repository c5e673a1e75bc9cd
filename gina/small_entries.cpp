// Entry points that only acknowledge, report or hand a message on.
#include "gina_context.h"
#include "log.h"
#include "main_wnd.h"

extern "C" BOOL WINAPI WlxIsLockOk(PVOID pWlxContext)
{
    g_log.Trace("WlxIsLockOk", 0);
    return TRUE;
}

extern "C" BOOL WINAPI WlxIsLogoffOk(PVOID pWlxContext)
{
    g_log.Trace("WlxIsLogoffOk", 0);
    Glb* glb = static_cast<Glb*>(pWlxContext);
    if (glb) {
        glb->LogonState = LOGON_STATE_LOGGED_OFF;
        glb->noticeShown = 0;
    }
    return TRUE;
}

extern "C" BOOL WINAPI WlxDisplayStatusMessage(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions, PWSTR pTitle,
                                               PWSTR pMessage)
{
    g_log.Trace(L"WlxDisplayStatusMessage: ", dwOptions, pMessage ? pMessage : L"", 0);
    g_MainWnd.SetStatusMessage(TRUE, pMessage);
    return TRUE;
}

extern "C" BOOL WINAPI WlxRemoveStatusMessage(PVOID pWlxContext)
{
    // The window stays until the logon dialog or the shell start takes it down.
    g_log.Trace("WlxRemoveStatusMessage..", 0);
    return TRUE;
}

extern "C" BOOL WINAPI WlxGetStatusMessage(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage, DWORD dwBufferSize)
{
    g_log.Trace("WlxGetStatusMessage...", dwBufferSize);
    // The unit of dwBufferSize is not documented; counting it as bytes is safe either way.
    const DWORD needed = (lstrlenW(kProductCaption) + 1) * sizeof(WCHAR);
    if (pMessage && dwBufferSize >= needed) lstrcpyW(pMessage, kProductCaption);
    return TRUE;
}

extern "C" BOOL WINAPI WlxNetworkProviderLoad(PVOID pWlxContext, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo)
{
    g_log.Trace("WlxNetworkProviderLoad...", 0);
    return TRUE;
}

extern "C" BOOL WINAPI WlxScreenSaverNotify(PVOID pWlxContext, BOOL* pSecure)
{
    g_log.Trace("WlxScreenSaverNotify", (pSecure && *pSecure) ? 1 : 0);
    return TRUE;
}
