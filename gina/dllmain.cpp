// Module start: language, diagnostic log, version trace and the logo bitmap.
#include "gina_context.h"
#include "gina_res.h"
#include "lang.h"
#include "log.h"
#include "module_version.h"

namespace {
const WCHAR kSettingsKey[] = L"SOFTWARE\\Ostrel\\Logon";

// The administrator's own logo ("Logo Picture") wins over the built-in bitmap.
void LoadLogo(HINSTANCE instance)
{
    WCHAR path[261] = {};  // 520 bytes, zero-filled: the value may lack its terminator
    HKEY key;
    bool configured = false;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = 520, type = 0;
        configured = RegQueryValueExW(key, L"Logo Picture", nullptr, &type, reinterpret_cast<BYTE*>(path),
                                      &size) == ERROR_SUCCESS &&
                     (type == REG_SZ || type == REG_EXPAND_SZ);
        RegCloseKey(key);
    }
    if (configured) {
        HANDLE bitmap = LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        if (bitmap) {
            LogoBitmap.Set(bitmap, CHandleHolder::GdiObject);
            g_log.Trace(L"Logo loaded from -> ", 0, path, 0);
            return;
        }
        g_log.Trace(L"Load logo failed from -> ", 0, path, 0);
    }
    HANDLE bitmap = LoadImageW(instance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0);
    LogoBitmap.Set(bitmap, CHandleHolder::GdiObject);
    g_log.Write(LOG_TRACE, L"DllMain", bitmap ? L"Logo loaded successfully!" : L"Load logo failed!");
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        g_hInstance = instance;
        g_lang.Load(L"ovl", instance);
        HMODULE reported[] = {instance};
        g_log.Start(kGinaLogName, reported, 1);
        CModuleVersionW version;
        QueryModuleVersionW(instance, nullptr, &version);
        g_log.Write(LOG_TRACE, L"DllMain", L"product: %s", version.productName);
        g_log.Write(LOG_TRACE, L"DllMain", L"version: %s", version.fileVersion);
        LoadLogo(instance);
        DisableThreadLibraryCalls(instance);
        break;
    }
    case DLL_PROCESS_DETACH:
        g_log.Write(LOG_TRACE, L"DllMain", L"DLL_PROCESS_DETACH!");
        break;
    case DLL_THREAD_ATTACH:
        g_log.Write(LOG_TRACE, L"DllMain", L"DLL_THREAD_ATTACH!");
        break;
    case DLL_THREAD_DETACH:
        g_log.Write(LOG_TRACE, L"DllMain", L"DLL_THREAD_DETACH!");
        break;
    }
    return TRUE;
}
