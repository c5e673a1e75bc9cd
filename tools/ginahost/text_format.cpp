#include "text_format.h"

#include <cstdio>

std::string Utf8(const wchar_t* text)
{
    if (!text || !*text) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(size - 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}

std::string Utf8(const std::wstring& text) { return Utf8(text.c_str()); }

std::wstring WideFromInput(const std::string& bytes)
{
    if (bytes.empty()) return std::wstring();
    UINT codePage = CP_UTF8;
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), nullptr, 0);
    if (size <= 0) {
        codePage = CP_ACP;
        size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
    }
    std::wstring out(size, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), &out[0], size);
    return out;
}

std::string Quoted(const wchar_t* text)
{
    if (!text) return "NULL";
    std::string out = "\"";
    for (char c : Utf8(text)) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out + "\"";
}

std::string Hex(std::uintptr_t value)
{
    char buffer[24];
    // Split in two halves: msvcrt's printf has no portable length modifier for uintptr_t.
    unsigned long long wide = value;
    unsigned long high = (unsigned long)(wide >> 32), low = (unsigned long)(wide & 0xFFFFFFFFul);
    if (high)
        std::snprintf(buffer, sizeof buffer, "0x%lx%08lx", high, low);
    else
        std::snprintf(buffer, sizeof buffer, "0x%lx", low);
    return buffer;
}

const char* BoolText(BOOL value) { return value ? "TRUE" : "FALSE"; }
