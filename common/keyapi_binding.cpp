#include "keyapi_binding.h"

#include <cstddef>
#include <cstdio>
#include <tchar.h>

namespace {
struct Export {
    const char* name;
    size_t offset;      // of the pointer in KeyApiFunctions
    bool ntOnly;        // the 9x providers do without it
};

#define OV_EXPORT(name, ntOnly) {#name, offsetof(KeyApiFunctions, name), ntOnly}
const Export kExports[] = {
    OV_EXPORT(EnumReaders, false),    OV_EXPORT(InitReader, false),     OV_EXPORT(CloseReader, false),
    OV_EXPORT(InitCard, false),       OV_EXPORT(CloseCard, false),      OV_EXPORT(Disconnect, true),
    OV_EXPORT(VerifyPIN, false),      OV_EXPORT(ChangePIN, false),      OV_EXPORT(UnblockPIN, false),
    OV_EXPORT(ReadData, false),       OV_EXPORT(WriteData, false),      OV_EXPORT(DeleteData, false),
    OV_EXPORT(SetDataSize, false),    OV_EXPORT(GetRandom, false),      OV_EXPORT(GetReaderName, false),
    OV_EXPORT(GetReaderType, false),  OV_EXPORT(IsDataExist, false),    OV_EXPORT(IsDataExisting, true),
    OV_EXPORT(GetCardID, false),      OV_EXPORT(GetCardType, false),    OV_EXPORT(EnumApplications, false),
    OV_EXPORT(GetApplicationInfo, false), OV_EXPORT(ReadLabel, false),  OV_EXPORT(WriteLabel, false),
    OV_EXPORT(ReadDataApp, false),    OV_EXPORT(WriteDataApp, false),   OV_EXPORT(SetDataSizeApp, false),
    OV_EXPORT(ReadBIR, false),        OV_EXPORT(WriteBIR, false),       OV_EXPORT(SetBIRSize, false),
    OV_EXPORT(DeleteBIR, false),      OV_EXPORT(AnyReadersChanges, false), OV_EXPORT(ExternalAuth, false),
    OV_EXPORT(ChangeIssuerKey, false), OV_EXPORT(FormatCard, false),    OV_EXPORT(UnformatCard, false),
};
#undef OV_EXPORT
}  // namespace

bool CKeyApiLibrary::Load(const TCHAR* directory, bool withoutNtOnlyExports)
{
    Unload();
    if (directory) {
        TCHAR path[MAX_PATH];
        _sntprintf(path, MAX_PATH - 1, _T("%s\\keyapi32.dll"), directory);
        path[MAX_PATH - 1] = 0;
        module_ = LoadLibrary(path);
    } else {
        module_ = LoadLibrary(_T("keyapi32.dll"));
    }
    if (!module_) return false;

    for (const Export& e : kExports) {
        if (e.ntOnly && withoutNtOnlyExports) continue;
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

void CKeyApiLibrary::Unload()
{
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    api_ = KeyApiFunctions{};
}
