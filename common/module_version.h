// Version resource of a module: path, numeric file version ("2.05", "2.22.0.5"),
// description, product name and product version. Every field defaults to "Unknown".
#pragma once
#include <windows.h>
#include <tchar.h>

template <typename Char>
struct CModuleVersionT {
    Char path[MAX_PATH];
    Char fileVersion[64];
    Char description[256];
    Char productName[256];
    Char productVersion[256];
};
using CModuleVersionA = CModuleVersionT<char>;
using CModuleVersionW = CModuleVersionT<wchar_t>;
using CModuleVersion = CModuleVersionT<TCHAR>;

// The module is `module` when given, else the file `fileName` found by SearchPath,
// else the process executable. Texts come from the first translation listed; the
// query stops at the first missing item of ProductName, ProductVersion,
// FileDescription, LegalCopyright, and the numeric version is filled only when all
// four exist. Returns true when the numeric version was filled.
bool QueryModuleVersionA(HMODULE module, const char* fileName, CModuleVersionA* out);
bool QueryModuleVersionW(HMODULE module, const wchar_t* fileName, CModuleVersionW* out);

#ifdef UNICODE
#define QueryModuleVersion QueryModuleVersionW
#else
#define QueryModuleVersion QueryModuleVersionA
#endif
