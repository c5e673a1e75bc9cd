// Between the token library's ANSI texts and the build's TCHAR texts.
#pragma once
#include <windows.h>
#include <tchar.h>

// Both copy what fits into capacity-1 characters (a longer text is cut, never dropped)
// and always terminate.
inline void AnsiToText(const char* from, TCHAR* to, int capacity)
{
    if (capacity <= 0) return;
    if (!from) from = "";
#ifdef UNICODE
    // Every ANSI byte makes at most one UTF-16 unit, so capacity-1 bytes always fit.
    const int bytes = lstrlenA(from) < capacity - 1 ? lstrlenA(from) : capacity - 1;
    const int made = bytes ? MultiByteToWideChar(CP_ACP, 0, from, bytes, to, capacity - 1) : 0;
    to[made > 0 ? made : 0] = 0;
#else
    lstrcpynA(to, from, capacity);
#endif
    to[capacity - 1] = 0;
}

inline void TextToAnsi(const TCHAR* from, char* to, int capacity)
{
    if (capacity <= 0) return;
#ifdef UNICODE
    if (!from) from = L"";
    // A character may take two bytes: cut characters until the rest fits.
    int made = 0;
    for (int chars = lstrlenW(from) < capacity - 1 ? lstrlenW(from) : capacity - 1; chars > 0; --chars) {
        made = WideCharToMultiByte(CP_ACP, 0, from, chars, to, capacity - 1, nullptr, nullptr);
        if (made > 0) break;
    }
    to[made > 0 ? made : 0] = 0;
#else
    lstrcpynA(to, from ? from : "", capacity);
#endif
    to[capacity - 1] = 0;
}

// A build text as ANSI for a log line.
class CAnsiText {
public:
    explicit CAnsiText(const TCHAR* text) { TextToAnsi(text, buffer_, sizeof buffer_); }
    const char* c_str() const { return buffer_; }

private:
    char buffer_[300];
};
