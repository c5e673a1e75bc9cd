// keyapi32.dll entry point.
#include <windows.h>

#include "crypto_provider.h"
#include "reader_table.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    // On FreeLibrary: wipe the data keys of open connections. At process exit the other
    // threads are gone, perhaps holding a lock, and the memory goes with the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        FreeAllReaders();
        ReleaseCryptoProviders();
    }
    return TRUE;
}
