#include "settings.h"

#include <windows.h>

#include <cstring>

#include "windows_family.h"

const char kSettingsKey[] = "SOFTWARE\\Ostrel\\KeyApi";

namespace {
const int kCommonAppData = 0x0023;  // CSIDL_COMMON_APPDATA
const char kDefaultSubfolder[] = "\\Ostrel\\Key readers";

bool ReadSetting(const char* name, std::string& value)
{
    HKEY key;
    const REGSAM view = RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
              (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0;
    std::string text;
    if (ok) {
        text.assign(size + 1, '\0');  // the stored text may lack its terminator
        ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size) == ERROR_SUCCESS;
        text.resize(ok ? std::strlen(text.c_str()) : 0);
    }
    RegCloseKey(key);
    if (!ok) return false;
    if (type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH * 2];
        const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
        if (length && length <= sizeof expanded) text = expanded;
    }
    value = text;
    return true;
}

// SHGetFolderPathA is in shell32 from 2000 on and in shfolder.dll before; bound at run time.
bool CommonAppData(std::string& folder)
{
    typedef HRESULT(WINAPI * GetFolderPath)(HWND, int, HANDLE, DWORD, LPSTR);
    const char* const modules[] = {"shell32.dll", "shfolder.dll"};
    for (const char* name : modules) {
        HMODULE module = LoadLibraryA(name);
        if (!module) continue;
        GetFolderPath get = reinterpret_cast<GetFolderPath>(GetProcAddress(module, "SHGetFolderPathA"));
        char path[MAX_PATH];
        const bool ok = get && SUCCEEDED(get(nullptr, kCommonAppData, nullptr, 0, path));
        FreeLibrary(module);
        if (ok) {
            folder = path;
            return true;
        }
    }
    return false;
}
}  // namespace

std::string ReadersFolder()
{
    std::string folder;
    if (!ReadSetting("ReadersPath", folder) || folder.empty()) {
        if (!CommonAppData(folder)) {
            char windows[MAX_PATH];
            GetWindowsDirectoryA(windows, sizeof windows);
            folder = windows;
        }
        folder += kDefaultSubfolder;
    }
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::string DefaultPuk()
{
    std::string puk;
    return ReadSetting("DefaultPUK", puk) ? puk : std::string();
}
