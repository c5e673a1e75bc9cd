#include "module_version.h"

#include <cstdio>

#include <string>
#include <vector>

#include "log_format.h"

namespace {
// Thin A/W dispatch so the query is written once.
struct AnsiApi {
    using Char = char;
    static DWORD ModuleFileName(HMODULE m, char* b, DWORD n) { return GetModuleFileNameA(m, b, n); }
    static DWORD Search(const char* name, char* b, DWORD n) { return SearchPathA(nullptr, name, nullptr, n, b, nullptr); }
    static DWORD InfoSize(const char* p) { DWORD h; return GetFileVersionInfoSizeA(p, &h); }
    static BOOL Info(const char* p, DWORD n, void* d) { return GetFileVersionInfoA(p, 0, n, d); }
    static BOOL Query(void* d, const char* k, void** v, UINT* n) { return VerQueryValueA(d, k, v, n); }
    static int Print(char* b, size_t n, const char* f, unsigned a, unsigned c, const char* item)
    {
        return _snprintf(b, n, f, a, c, item);
    }
    static const char* Unknown() { return "Unknown"; }
    static const char* SubBlock() { return "\\StringFileInfo\\%04x%04x\\%s"; }
    static const char* Translation() { return "\\VarFileInfo\\Translation"; }
    static const char* Root() { return "\\"; }
    static void Copy(char* dst, size_t cap, const char* src) { lstrcpynA(dst, src, int(cap)); }
    static void CopyAnsi(char* dst, size_t cap, const char* src) { lstrcpynA(dst, src, int(cap)); }
};

struct WideApi {
    using Char = wchar_t;
    static DWORD ModuleFileName(HMODULE m, wchar_t* b, DWORD n) { return GetModuleFileNameW(m, b, n); }
    static DWORD Search(const wchar_t* name, wchar_t* b, DWORD n) { return SearchPathW(nullptr, name, nullptr, n, b, nullptr); }
    static DWORD InfoSize(const wchar_t* p) { DWORD h; return GetFileVersionInfoSizeW(p, &h); }
    static BOOL Info(const wchar_t* p, DWORD n, void* d) { return GetFileVersionInfoW(p, 0, n, d); }
    static BOOL Query(void* d, const wchar_t* k, void** v, UINT* n) { return VerQueryValueW(d, k, v, n); }
    static int Print(wchar_t* b, size_t n, const wchar_t* f, unsigned a, unsigned c, const wchar_t* item)
    {
        return _snwprintf(b, n, f, a, c, item);
    }
    static const wchar_t* Unknown() { return L"Unknown"; }
    static const wchar_t* SubBlock() { return L"\\StringFileInfo\\%04x%04x\\%s"; }
    static const wchar_t* Translation() { return L"\\VarFileInfo\\Translation"; }
    static const wchar_t* Root() { return L"\\"; }
    static void Copy(wchar_t* dst, size_t cap, const wchar_t* src) { lstrcpynW(dst, src, int(cap)); }
    static void CopyAnsi(wchar_t* dst, size_t cap, const char* src)
    {
        MultiByteToWideChar(CP_ACP, 0, src, -1, dst, int(cap));
        dst[cap - 1] = L'\0';
    }
};

template <typename Api>
bool Query(HMODULE module, const typename Api::Char* fileName, CModuleVersionT<typename Api::Char>* out)
{
    using Char = typename Api::Char;
    for (Char* field : {out->path, out->fileVersion, out->description, out->productName, out->productVersion})
        Api::Copy(field, 64, Api::Unknown());

    Char path[MAX_PATH] = {};
    DWORD found = 0;
    if (module) found = Api::ModuleFileName(module, path, MAX_PATH);
    else if (fileName) found = Api::Search(fileName, path, MAX_PATH);
    if (!module && !fileName) found = Api::ModuleFileName(nullptr, path, MAX_PATH);
    if (found == 0 || found >= MAX_PATH) return false;
    Api::Copy(out->path, MAX_PATH, path);

    DWORD size = Api::InfoSize(path);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!Api::Info(path, size, data.data())) return false;

    WORD* translation = nullptr;
    UINT length = 0;
    if (!Api::Query(data.data(), Api::Translation(), reinterpret_cast<void**>(&translation), &length) ||
        length < 2 * sizeof(WORD))
        return false;

    struct Item { const Char* key; Char* target; size_t capacity; };
    Char productName[16], productVersion[16], fileDescription[16], legalCopyright[16];
    Api::CopyAnsi(productName, 16, "ProductName");
    Api::CopyAnsi(productVersion, 16, "ProductVersion");
    Api::CopyAnsi(fileDescription, 16, "FileDescription");
    Api::CopyAnsi(legalCopyright, 16, "LegalCopyright");
    const Item items[] = {
        {productName, out->productName, ARRAYSIZE(out->productName)},
        {productVersion, out->productVersion, ARRAYSIZE(out->productVersion)},
        {fileDescription, out->description, ARRAYSIZE(out->description)},
        {legalCopyright, nullptr, 0},
    };
    for (const Item& item : items) {
        Char key[128];
        Api::Print(key, ARRAYSIZE(key), Api::SubBlock(), translation[0], translation[1], item.key);
        Char* value = nullptr;
        UINT chars = 0;
        if (!Api::Query(data.data(), key, reinterpret_cast<void**>(&value), &chars) || !value) return false;
        if (item.target) Api::Copy(item.target, item.capacity, value);
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    if (!Api::Query(data.data(), Api::Root(), reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return false;
    Api::CopyAnsi(out->fileVersion, ARRAYSIZE(out->fileVersion),
                  FormatFileVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str());
    return true;
}
}  // namespace

bool QueryModuleVersionA(HMODULE module, const char* fileName, CModuleVersionA* out)
{
    return Query<AnsiApi>(module, fileName, out);
}

bool QueryModuleVersionW(HMODULE module, const wchar_t* fileName, CModuleVersionW* out)
{
    return Query<WideApi>(module, fileName, out);
}
