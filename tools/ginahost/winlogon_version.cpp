#include "winlogon_version.h"

#include <winwlx.h>

WinlogonOffer WinlogonOfferForThisWindows()
{
    WinlogonOffer offer;
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    bool nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    offer.windows = std::string(nt ? "Windows NT " : "Windows ") + std::to_string(info.dwMajorVersion) + "." +
                    std::to_string(info.dwMinorVersion) + " (build " + std::to_string(LOWORD(info.dwBuildNumber)) + ")";
    if (!nt) {
        offer.note = "Windows 9x has no Winlogon: a GINA is never loaded on this platform";
        return offer;
    }
    offer.hasWinlogon = true;
    if (info.dwMajorVersion < 4)
        offer.version = WLX_VERSION_1_0;
    else if (info.dwMajorVersion == 4)
        offer.version = WLX_VERSION_1_1;
    else
        offer.version = WLX_VERSION_1_3;
    if (info.dwMajorVersion >= 6)
        offer.note = "this Windows no longer loads GINA DLLs; offering what Windows Server 2003 offers";
    return offer;
}

size_t DispatchTableSizeFor(DWORD dllVersion)
{
    switch (dllVersion) {
    case WLX_VERSION_1_0: return sizeof(WLX_DISPATCH_VERSION_1_0);
    case WLX_VERSION_1_1: return sizeof(WLX_DISPATCH_VERSION_1_1);
    case WLX_VERSION_1_2: return sizeof(WLX_DISPATCH_VERSION_1_2);
    default: return sizeof(WLX_DISPATCH_VERSION_1_3);
    }
}

const char* DispatchTableNameFor(DWORD dllVersion)
{
    switch (dllVersion) {
    case WLX_VERSION_1_0: return "WLX_DISPATCH_VERSION_1_0";
    case WLX_VERSION_1_1: return "WLX_DISPATCH_VERSION_1_1";
    case WLX_VERSION_1_2: return "WLX_DISPATCH_VERSION_1_2";
    default: return "WLX_DISPATCH_VERSION_1_3";
    }
}
