#include "windows_family.h"

#include <windows.h>

bool IsWindows9x() { return (GetVersion() & 0x80000000u) != 0; }

bool RunsUnderWow64()
{
#ifdef _WIN64
    return false;
#else
    typedef BOOL(WINAPI * IsWow64)(HANDLE, PBOOL);
    IsWow64 query = reinterpret_cast<IsWow64>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    return query && query(GetCurrentProcess(), &wow64) && wow64;
#endif
}
