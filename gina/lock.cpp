// The locked workstation.
#include "gina_context.h"
#include "log.h"

extern "C" VOID WINAPI WlxDisplayLockedNotice(PVOID pWlxContext)
{
    g_log.Trace("WlxDisplayLockedNotice", 0);
    if (Glb* glb = static_cast<Glb*>(pWlxContext)) glb->locked = 1;
}

extern "C" int WINAPI WlxWkstaLockedSAS(PVOID pWlxContext, DWORD dwSasType)
{
    g_log.Trace("WlxWkstaLockedSAS, SAS type:", dwSasType);
    return WLX_SAS_ACTION_NONE;  // stays locked until the unlock window exists
}
