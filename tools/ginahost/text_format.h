// Text helpers for the trace: UTF-16 from the GINA becomes UTF-8, strings are quoted with
// their control characters escaped so one call stays on one line.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

std::string Utf8(const wchar_t* text);
std::string Utf8(const std::wstring& text);

// Command input arrives as bytes: UTF-8 when it is valid UTF-8, else the ANSI code page.
std::wstring WideFromInput(const std::string& bytes);

// "text" with \n, \r, \t, \" and \\ escaped; NULL for a null pointer.
std::string Quoted(const wchar_t* text);

// Lower-case hexadecimal with 0x: handles, pointers, flags and versions.
std::string Hex(std::uintptr_t value);
template <typename T>
std::string Hex(T* pointer)
{
    return Hex(reinterpret_cast<std::uintptr_t>(pointer));
}

const char* BoolText(BOOL value);
