// Shared by the exported functions: every call reports its outcome through SetLastError.
#pragma once
#include <windows.h>

#include <string>

inline BOOL Finish(DWORD error)
{
    SetLastError(error);
    return error == 0;
}

inline std::string TextOrEmpty(const char* text) { return text ? text : ""; }
