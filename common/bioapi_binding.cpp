#include "bioapi_binding.h"

#include <cstddef>
#include <cstdio>
#include <tchar.h>

namespace {
const TCHAR kLibrary[] = _T("OVBioAPI.dll");

struct Export {
    const char* name;
    size_t offset;
};
#define OV_EXPORT(name) {#name, offsetof(BioApiFunctions, name)}
const Export kExports[] = {
    OV_EXPORT(BioEnumReaders), OV_EXPORT(BioInitReader),   OV_EXPORT(BioCloseReader),    OV_EXPORT(BioVerifyBIR),
    OV_EXPORT(BioGetBIR_GUI),  OV_EXPORT(BioVerifyBIR_GUI), OV_EXPORT(BioCaptureBIR),    OV_EXPORT(BioCompareBIRS),
    OV_EXPORT(BioCaptureBIR_GUI), OV_EXPORT(BioGetBIR),
};
#undef OV_EXPORT
}  // namespace

bool CBioApiLibrary::Load(const TCHAR* directory)
{
    Unload();
    module_ = LoadLibrary(kLibrary);
    if (!module_ && directory && lstrlen(directory) <= 239) {
        TCHAR path[MAX_PATH];
        const int length = lstrlen(directory);
        const bool endsInBackslash = length > 0 && directory[length - 1] == _T('\\');
        _sntprintf(path, MAX_PATH - 1, endsInBackslash ? _T("%s%s") : _T("%s\\%s"), directory, kLibrary);
        path[MAX_PATH - 1] = 0;
        module_ = LoadLibrary(path);
    }
    if (!module_) return false;

    for (const Export& e : kExports) {
        FARPROC address = GetProcAddress(module_, e.name);
        if (!address) {
            const DWORD error = GetLastError();
            Unload();
            SetLastError(error);
            return false;
        }
        *reinterpret_cast<FARPROC*>(reinterpret_cast<BYTE*>(&api_) + e.offset) = address;
    }
    return true;
}

void CBioApiLibrary::Unload()
{
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    api_ = BioApiFunctions{};
}
