#include "mspwl32.h"

namespace {
// Open caches are slots; a handle is a tagged slot number, so a stale or foreign handle
// is recognised without dereferencing anything.
const int kSlots = 64;
const ULONG_PTR kHandleTag = 0x50570000;
volatile LONG g_slots[kSlots];

HANDLE TakeSlot()
{
    for (int i = 0; i < kSlots; ++i)
        if (InterlockedCompareExchange(&g_slots[i], 1, 0) == 0)
            return reinterpret_cast<HANDLE>(kHandleTag | static_cast<ULONG_PTR>(i + 1));
    return nullptr;
}

DWORD Answer(DWORD code)
{
    SetLastError(code);
    return code;
}
}  // namespace

extern "C" DWORD WINAPI OpenPasswordCache(HANDLE* cache, LPCSTR user, LPCSTR password, BOOL writable)
{
    if (!cache) return Answer(ERROR_INVALID_PARAMETER);
    *cache = nullptr;
    if (!user || !*user) return Answer(ERROR_INVALID_PARAMETER);
    if (!password) password = "";

    HKEY key = nullptr;
    char stored[256] = {};
    DWORD size = sizeof stored - 1, type = 0;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, PWL_REGISTRY_KEY, 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExA(key, user, nullptr, &type, reinterpret_cast<BYTE*>(stored), &size);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        *cache = TakeSlot();
        return Answer(*cache ? PWL_CREATED : ERROR_NOT_ENOUGH_MEMORY);
    }
    // A stored password longer than the buffer cannot match anything a caller passes.
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && lstrcmpiA(stored, password) == 0) {
        *cache = TakeSlot();
        return Answer(*cache ? PWL_OPENED : ERROR_NOT_ENOUGH_MEMORY);
    }
    return Answer(PWL_WRONG_PASSWORD);
}

extern "C" DWORD WINAPI ClosePasswordCache(HANDLE cache, BOOL discard)
{
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(cache);
    const ULONG_PTR slot = value & 0xFFFF;
    if ((value & ~ULONG_PTR(0xFFFF)) != kHandleTag || slot < 1 || slot > kSlots ||
        InterlockedCompareExchange(&g_slots[slot - 1], 0, 1) != 1)
        return Answer(ERROR_INVALID_HANDLE);
    return Answer(NO_ERROR);
}
