#include "keyapi_library.h"

namespace {
KeyApi g_api;
HMODULE g_module = nullptr;

template <typename Function>
bool Bind(const char* name, Function& function, std::string& error)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(g_module, name)));
    if (!function) error = std::string("keyapi32.dll has no export ") + name;
    return function != nullptr;
}

HMODULE LoadBesideProgram()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length && length < MAX_PATH) {
        std::string library(path, length);
        library = library.substr(0, library.find_last_of('\\') + 1) + "keyapi32.dll";
        if (HMODULE module = LoadLibraryA(library.c_str())) return module;
    }
    return LoadLibraryA("keyapi32.dll");
}
}  // namespace

const KeyApi* LoadKeyApi(std::string& error)
{
    if (g_module) return &g_api;
    g_module = LoadBesideProgram();
    if (!g_module) {
        error = "keyapi32.dll cannot be loaded";
        return nullptr;
    }
    const bool bound = Bind("EnumReaders", g_api.EnumReaders, error) && Bind("InitReader", g_api.InitReader, error) &&
                       Bind("CloseReader", g_api.CloseReader, error) && Bind("InitCard", g_api.InitCard, error) &&
                       Bind("CloseCard", g_api.CloseCard, error) && Bind("VerifyPIN", g_api.VerifyPIN, error) &&
                       Bind("ChangePIN", g_api.ChangePIN, error) && Bind("UnblockPIN", g_api.UnblockPIN, error) &&
                       Bind("ReadDataApp", g_api.ReadDataApp, error) &&
                       Bind("WriteDataApp", g_api.WriteDataApp, error) &&
                       Bind("SetDataSizeApp", g_api.SetDataSizeApp, error) &&
                       Bind("ReadLabel", g_api.ReadLabel, error) &&
                       Bind("GetApplicationInfo", g_api.GetApplicationInfo, error);
    if (!bound) {
        FreeLibrary(g_module);
        g_module = nullptr;
        return nullptr;
    }
    return &g_api;
}
