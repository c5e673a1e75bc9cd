// Answers a SAS while nobody is logged on.
#include "gina_context.h"
#include "log.h"

extern "C" int WINAPI WlxLoggedOutSAS(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId,
                                      PSID pLogonSid, PDWORD pdwOptions, PHANDLE phToken,
                                      PWLX_MPR_NOTIFY_INFO pNprNotifyInfo, PVOID* pProfile)
{
    g_log.Trace("WlxLoggedOutSAS, SAS type:", dwSasType);
    switch (dwSasType) {
    case GINA_SAS_SHUTDOWN: return WLX_SAS_ACTION_SHUTDOWN_POWER_OFF;
    case GINA_SAS_RESTART: return WLX_SAS_ACTION_SHUTDOWN_REBOOT;
    default: return WLX_SAS_ACTION_NONE;  // no logon path yet: stay logged out
    }
}
