// Entry point: remembers the module, whose resources hold the dialogs.
#include "bioapi_module.h"

HINSTANCE g_bioModule = nullptr;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_bioModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
