#include "env_report.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "windows_description.h"
#include "windows_version.h"

namespace {
std::string ReadRegString(HKEY root, const char* path, const char* value)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    char data[260] = {};  // registry strings may lack their terminator: read into zeroes
    DWORD size = sizeof data - 1, type = 0;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    return data;
}

bool ReadRegDword(HKEY root, const char* path, const char* value, DWORD* out)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = sizeof *out, type = 0;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD;
}

bool KeyExists(HKEY root, const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string DescribeRunningWindows()
{
    OsFacts facts;
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    facts.hasExtended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
    if (!facts.hasExtended) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return {};
    }
    facts.platformId = info.dwPlatformId;
    facts.major = info.dwMajorVersion;
    facts.minor = info.dwMinorVersion;
    facts.build = info.dwBuildNumber;
    facts.servicePack = info.szCSDVersion;
    if (facts.hasExtended) {
        facts.productType = info.wProductType;
        facts.suiteMask = info.wSuiteMask;
    } else if (facts.platformId == VER_PLATFORM_WIN32_NT) {
        facts.registryProductType = ReadRegString(HKEY_LOCAL_MACHINE,
                                                  "SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                                                  "ProductType");
    }
    facts.hasHotfixQ246009 =
        KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009");
    return DescribeWindows(facts);
}

LANGID SystemLanguageId()
{
    const int versionClass = GetWindowsVersionClass();
    std::string hex;
    if (versionClass == kWin95 || versionClass == kWin98)
        hex = ReadRegString(HKEY_CURRENT_USER, "Control Panel\\Desktop\\ResourceLocale", nullptr);
    else if (versionClass == kWinNT4)
        hex = ReadRegString(HKEY_USERS, ".DEFAULT\\Control Panel\\International\\", "Locale");
    else if (HMODULE kernel = GetModuleHandleA("Kernel32.dll")) {
        using Fn = LANGID(WINAPI*)();
        if (auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetSystemDefaultUILanguage"))))
            return fn();
        return 0;
    }
    return LANGID(std::strtoul(hex.c_str(), nullptr, 16));
}

std::string LanguageName()
{
    const LANGID id = SystemLanguageId();
    if (id == 0) return {};
    char name[128] = {};
    if (!VerLanguageNameA(id, name, sizeof name)) return {};
    return name;
}

std::string ProcessorDescription()
{
    const char* const path = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
    std::string text;
    for (const char* value : {"ProcessorNameString", "Identifier", "VendorIdentifier"}) {
        std::string piece = ReadRegString(HKEY_LOCAL_MACHINE, path, value);
        if (!piece.empty()) text += piece + " ";
    }
    DWORD mhz = 0;
    if (ReadRegDword(HKEY_LOCAL_MACHINE, path, "~MHz", &mhz)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%ld", long(mhz));
        text += buf;
    }
    if (text.size() > 127) text.resize(127);
    return text;
}

std::string MemorySize()
{
    MEMORYSTATUS status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld MB RAM", long(status.dwTotalPhys >> 20));
    return buf;
}
}  // namespace

EnvironmentReport CollectEnvironmentReport()
{
    EnvironmentReport report;
    report.windows = DescribeRunningWindows();
    report.language = LanguageName();
    const std::string ie = ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer\\", "Version");
    report.internetExplorer = "Microsoft Internet Explorer " + ie;
    report.processor = ProcessorDescription();
    report.memory = MemorySize();
    return report;
}
