// key_writer: a process that keeps writing one key, for the durability tests.
//   key_writer READER PIN alternate APP SIZE   writes SIZE x 'A', then SIZE x 'B', ... until killed
//   key_writer READER PIN own APP COUNT        writes "APP:1".."APP:COUNT" to APP, each time first
//                                              checking that APP still holds what it wrote last;
//                                              exit code 3 when another writer lost its write
// Exit codes: 0 done, 2 the key could not be opened or written, 3 a write was lost.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "keyapi32.h"

namespace {
#define BIND(name) auto name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(GetProcAddress(library, #name)))

std::string Read(decltype(&::ReadDataApp) readDataApp, KEYAPI_READER reader, DWORD app)
{
    DWORD size = 0;
    if (!readDataApp(reader, 0, nullptr, &size, app)) return "<unreadable>";
    std::string data(size, '\0');
    if (size && !readDataApp(reader, 0, reinterpret_cast<BYTE*>(&data[0]), &size, app)) return "<unreadable>";
    return data.substr(0, size);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) return 1;
    HMODULE library = LoadLibraryA("keyapi32.dll");
    if (!library) return 2;
    BIND(InitReader);
    BIND(InitCard);
    BIND(VerifyPIN);
    BIND(WriteDataApp);
    BIND(ReadDataApp);
    KEYAPI_READER reader = InitReader(argv[1]);
    if (!reader || InitCard(reader, KEYAPI_APP_LOGON) <= 0 || !VerifyPIN(reader, argv[2])) return 2;
    const DWORD app = std::strtoul(argv[4], nullptr, 10);
    const unsigned long number = std::strtoul(argv[5], nullptr, 10);

    if (!std::strcmp(argv[3], "alternate")) {
        const std::string contents[2] = {std::string(number, 'A'), std::string(number, 'B')};
        for (unsigned long i = 0;; ++i) {
            DWORD length = DWORD(number);
            if (!WriteDataApp(reader, 0, reinterpret_cast<const BYTE*>(contents[(i + 1) % 2].data()), &length, app))
                return 2;
        }
    }
    std::string last = Read(ReadDataApp, reader, app);
    for (unsigned long i = 1; i <= number; ++i) {
        if (Read(ReadDataApp, reader, app) != last) {
            std::printf("lost: expected \"%s\"\n", last.c_str());
            return 3;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%lu:%lu", static_cast<unsigned long>(app), i);
        last = text;
        DWORD length = DWORD(last.size());
        if (!WriteDataApp(reader, 0, reinterpret_cast<const BYTE*>(last.data()), &length, app)) return 2;
    }
    return 0;
}
