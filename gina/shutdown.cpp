// Winlogon's last call before the system goes down.
#include "gina_context.h"
#include "log.h"

extern "C" VOID WINAPI WlxShutdown(PVOID pWlxContext, DWORD ShutdownType)
{
    g_log.Trace("WlxShutdown (finalizing CSmartkey)", ShutdownType);
    g_SmartKey.Finalize();
    g_log.Trace("WlxShutdown (finalized)", ShutdownType);
}
