// Starts the user's shell after a logon.
#include "gina_context.h"
#include "log.h"

extern "C" BOOL WINAPI WlxActivateUserShell(PVOID pWlxContext, PWSTR pszDesktopName, PWSTR pszMprLogonScript,
                                            PVOID pEnvironment)
{
    g_log.Trace(L"WlxActivateUserShell", 0, pszDesktopName ? pszDesktopName : L"", 0);
    return FALSE;  // no shell can be started before a logon exists
}
