// The logged-out screen. The key logon dialog itself comes with the key monitor; until
// then Winlogon waits here for Ctrl+Alt+Del or a custom SAS.
#include "gina_context.h"
#include "log.h"

extern "C" VOID WINAPI WlxDisplaySASNotice(PVOID pWlxContext)
{
    g_log.Trace("WlxDisplaySASNotice", 0);
    Glb* glb = static_cast<Glb*>(pWlxContext);
    if (glb && glb->noticeShown == 0) glb->noticeShown = 1;
}
