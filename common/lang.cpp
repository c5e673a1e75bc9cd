#include "lang.h"

#include <cstdio>
#include <cstdlib>

CLanguage g_lang;

bool CLanguage::Load(const TCHAR* prefix, HMODULE module)
{
    Unload();
    TCHAR fileName[MAX_PATH];
    _sntprintf(fileName, MAX_PATH, _T("%s_lang.dll"), prefix);
    fileName[MAX_PATH - 1] = 0;

    language_ = LoadLibrary(fileName);
    if (!language_ && module) {
        // Beside the module that asked (the GINA in system32, the applet beside its pages).
        // Drive and directory both: with the directory alone a module on another drive
        // than the current one would never find its language.
        TCHAR modulePath[MAX_PATH], drive[_MAX_DRIVE], dir[_MAX_DIR], besideModule[MAX_PATH];
        if (GetModuleFileName(module, modulePath, MAX_PATH)) {
            _tsplitpath(modulePath, drive, dir, nullptr, nullptr);
            _sntprintf(besideModule, MAX_PATH, _T("%s%s%s"), drive, dir, fileName);
            besideModule[MAX_PATH - 1] = 0;
            language_ = LoadLibrary(besideModule);
        }
    }
    fallback_ = module ? module : GetModuleHandle(nullptr);
    return language_ || fallback_;
}

void CLanguage::Unload()
{
    if (language_) FreeLibrary(language_);
    language_ = nullptr;
    fallback_ = nullptr;
}

int CLanguage::Text(UINT id, TCHAR* buf, int capacity) const
{
    if (!buf || capacity <= 0) return 0;
    buf[0] = 0;
    const HMODULE order[] = {language_, GetModuleHandle(nullptr), fallback_};
    for (HMODULE source : order) {
        if (!source) continue;
        int length = LoadString(source, id, buf, capacity);
        if (length > 0) return length;
    }
    buf[0] = 0;
    return 0;
}

int CLanguage::FormatV(TCHAR* buf, int capacity, UINT id, va_list args) const
{
    if (!buf || capacity <= 0) return 0;
    TCHAR format[1025];
    Text(id, format, ARRAYSIZE(format));
    int n = _vsntprintf(buf, capacity - 1, format, args);
    if (n < 0) n = capacity - 1;
    buf[n] = 0;
    return n;
}

int CLanguage::Format(TCHAR* buf, int capacity, UINT id, ...) const
{
    va_list args;
    va_start(args, id);
    int n = FormatV(buf, capacity, id, args);
    va_end(args);
    return n;
}

const TCHAR* FormatText(UINT id, ...)
{
    static TCHAR shared[1024];
    va_list args;
    va_start(args, id);
    g_lang.FormatV(shared, ARRAYSIZE(shared), id, args);
    va_end(args);
    return shared;
}
