#include "wine_env.h"

#include <windows.h>

#include <cstring>

namespace {
std::string g_emulated;

struct Emulation {
    const char* name;
    int versionClass;
    DWORD platform, major, minor;
};
const Emulation kEmulations[] = {
    {"win95", 1, VER_PLATFORM_WIN32_WINDOWS, 4, 0},  {"win98", 2, VER_PLATFORM_WIN32_WINDOWS, 4, 10},
    {"winme", 3, VER_PLATFORM_WIN32_WINDOWS, 4, 90}, {"nt40", 4, VER_PLATFORM_WIN32_NT, 4, 0},
    {"win2k", 5, VER_PLATFORM_WIN32_NT, 5, 0},       {"winxp", 6, VER_PLATFORM_WIN32_NT, 5, 1},
    {"win2003", 7, VER_PLATFORM_WIN32_NT, 5, 2},     {"vista", 8, VER_PLATFORM_WIN32_NT, 6, 0},
};

const Emulation* Find(const std::string& name)
{
    for (const Emulation& e : kEmulations)
        if (name == e.name) return &e;
    return nullptr;
}
}  // namespace

const std::string& EmulatedWindows() { return g_emulated; }
void SetEmulatedWindows(const std::string& version) { g_emulated = version; }

int EmulatedVersionClass()
{
    const Emulation* e = Find(g_emulated);
    return e ? e->versionClass : 0;
}

bool EmulationInEffect()
{
    const Emulation* e = Find(g_emulated);
    if (!e) return false;
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    return info.dwPlatformId == e->platform && info.dwMajorVersion == e->major && info.dwMinorVersion == e->minor;
}

bool EmulatedWindowsIsOneOf(std::initializer_list<const char*> versions)
{
    for (const char* v : versions)
        if (g_emulated == v) return true;
    return false;
}
