// What the exported calls share: this module and the way they report a result.
#pragma once
#include <windows.h>

extern HINSTANCE g_bioModule;

// Sets the calling thread's last error and turns it into the calls' BOOL.
inline BOOL Finish(DWORD error)
{
    SetLastError(error);
    return error == ERROR_SUCCESS;
}
