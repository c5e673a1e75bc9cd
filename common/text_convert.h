// Between the token library's ANSI texts and the build's TCHAR texts.
#pragma once
#include <windows.h>
#include <tchar.h>

// Copies at most capacity-1 characters and always terminates.
inline void AnsiToText(const char* from, TCHAR* to, int capacity)
{
    if (capacity <= 0) return;
#ifdef UNICODE
    if (!MultiByteToWideChar(CP_ACP, 0, from ? from : "", -1, to, capacity)) to[0] = 0;
#else
    lstrcpynA(to, from ? from : "", capacity);
#endif
    to[capacity - 1] = 0;
}

inline void TextToAnsi(const TCHAR* from, char* to, int capacity)
{
    if (capacity <= 0) return;
#ifdef UNICODE
    if (!WideCharToMultiByte(CP_ACP, 0, from ? from : L"", -1, to, capacity, nullptr, nullptr)) to[0] = 0;
#else
    lstrcpynA(to, from ? from : "", capacity);
#endif
    to[capacity - 1] = 0;
}
