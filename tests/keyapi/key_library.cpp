#include "key_library.h"

#include <gtest/gtest.h>

#include "scoped.h"

const KeyLibrary& Key()
{
    static KeyLibrary library = [] {
        KeyLibrary bound;
        HMODULE module = LoadLibraryW((ExeDirW() + L"keyapi32.dll").c_str());
        if (!module) {
            ADD_FAILURE() << "keyapi32.dll not loaded, error " << GetLastError();
            return bound;
        }
#define OV_KEYAPI_BIND(name)                                                                                 \
    bound.name = reinterpret_cast<decltype(bound.name)>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    if (!bound.name) ADD_FAILURE() << "keyapi32.dll lacks " #name;
        KEYAPI_EXPORT_LIST(OV_KEYAPI_BIND)
#undef OV_KEYAPI_BIND
        return bound;
    }();
    return library;
}

std::string ReadApp(KEYAPI_READER reader, DWORD appId, bool* ok)
{
    DWORD size = 0;
    bool done = Key().ReadDataApp(reader, 0, nullptr, &size, appId) != FALSE;
    std::string data(size, '\0');
    DWORD length = size;
    if (done && size) done = Key().ReadDataApp(reader, 0, reinterpret_cast<BYTE*>(&data[0]), &length, appId) != FALSE;
    if (ok) *ok = done;
    return done ? data.substr(0, length) : std::string();
}

bool WriteApp(KEYAPI_READER reader, DWORD appId, const std::string& data, DWORD offset)
{
    DWORD length = DWORD(data.size());
    return Key().WriteDataApp(reader, offset, reinterpret_cast<const BYTE*>(data.data()), &length, appId) != FALSE;
}
