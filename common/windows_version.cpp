#include "windows_version.h"

#include <windows.h>

int GetWindowsVersionClass(VersionClassTable table)
{
    // The ANSI form exists on every platform, Windows 95 included.
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return kWinUnknown;
    return VersionClassFromOs(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, table);
}
