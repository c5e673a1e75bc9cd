// A SAS in a running session, and log-off.
#include "brief_wait.h"
#include "gina_context.h"
#include "log.h"

extern "C" int WINAPI WlxLoggedOnSAS(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved)
{
    g_log.Trace("WlxLoggedOnSAS, SAS type:", dwSasType);
    switch (dwSasType) {
    case GINA_SAS_LOCK:
        ShowBriefWait();
        return WLX_SAS_ACTION_LOCK_WKSTA;
    case GINA_SAS_LOGOFF:
        ShowBriefWait();
        return WLX_SAS_ACTION_FORCE_LOGOFF;
    default:
        return WLX_SAS_ACTION_NONE;
    }
}

extern "C" VOID WINAPI WlxLogoff(PVOID pWlxContext)
{
    g_log.Trace("WlxLogoff", 0);
    if (Glb* glb = static_cast<Glb*>(pWlxContext)) {
        glb->userToken = nullptr;
        glb->pAcc = nullptr;
        glb->LogonState = LOGON_STATE_LOGGED_OFF;
    }
}
