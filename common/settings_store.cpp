#include "settings_store.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "windows_version.h"

LogonSettings g_settings;

namespace {
const TCHAR kProductKey[] = _T("SOFTWARE\\Ostrel\\");
const TCHAR kPolicies[] = _T("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\system");
const DWORD kDefaultVidorTimeout = 60000;
const DWORD kStringBufferBytes = 200;
// GetProfileInt's default: neither 0 nor a policy value, so "not configured" is visible.
const int kNotConfigured = 77;

struct SettingsPath {
    TCHAR text[64];
    SettingsPath()
    {
        _sntprintf(text, ARRAYSIZE(text) - 1, _T("%sLogon"), kProductKey);
        text[ARRAYSIZE(text) - 1] = 0;
    }
};
const SettingsPath kSettingsPath;

HKEY OpenSettingsKey(REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettingsPath.text, 0, access, &key) == ERROR_SUCCESS) return key;
    key = nullptr;
    if (RegCreateKey(HKEY_LOCAL_MACHINE, kSettingsPath.text, &key) == ERROR_SUCCESS) return key;
    return nullptr;
}

// Only a value of exactly four bytes counts; the caller's default stays otherwise.
bool ReadDword(HKEY key, const TCHAR* name, DWORD& value)
{
    DWORD data = 0, size = sizeof data;
    if (RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        size != sizeof data)
        return false;
    value = data;
    return true;
}

INT32 ReadDwordOrZero(HKEY key, const TCHAR* name)
{
    DWORD value = 0;
    return ReadDword(key, name, value) ? static_cast<INT32>(value) : 0;
}

// The stored text may lack its terminator. A value longer than the 200-byte buffer is
// cut at 200 bytes (rather than left to what a short read happens to leave), then cut
// again to the field.
void ReadText(HKEY key, const TCHAR* name, TCHAR* field, int fieldChars)
{
    TCHAR text[kStringBufferBytes / sizeof(TCHAR) + 1] = {};
    DWORD size = kStringBufferBytes;
    LONG status = RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    if (status == ERROR_MORE_DATA) {
        std::vector<BYTE> whole(size + sizeof(TCHAR), 0);
        DWORD wholeSize = size;
        status = RegQueryValueEx(key, name, nullptr, nullptr, whole.data(), &wholeSize);
        if (status == ERROR_SUCCESS) std::memcpy(text, whole.data(), kStringBufferBytes);
    }
    if (status != ERROR_SUCCESS) std::memset(text, 0, sizeof text);
    text[ARRAYSIZE(text) - 1] = 0;
    lstrcpyn(field, text, fieldChars);
}

bool WriteDword(HKEY key, const TCHAR* name, DWORD value)
{
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

// Without the terminator; a field filled to its end is written whole.
bool WriteText(HKEY key, const TCHAR* name, const TCHAR* field, int fieldChars)
{
    int length = 0;
    while (length < fieldChars && field[length]) ++length;
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(field),
                         static_cast<DWORD>(length * sizeof(TCHAR))) == ERROR_SUCCESS;
}

// The policy value wins when present (zero included); Winlogon's own setting otherwise.
void DeriveLogonPolicyFlags(LogonSettings& settings)
{
    settings.shutdownWithoutLogon = FALSE;
    settings.showLastUserName = TRUE;
    if (!IsNtFamily(GetWindowsVersionClass())) return;

    DWORD shutdownPolicy = 0, dontDisplayPolicy = 0;
    bool haveShutdownPolicy = false, haveDontDisplayPolicy = false;
    HKEY policies = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kPolicies, 0, KEY_READ, &policies) == ERROR_SUCCESS) {
        haveShutdownPolicy = ReadDword(policies, _T("shutdownwithoutlogon"), shutdownPolicy);
        haveDontDisplayPolicy = ReadDword(policies, _T("dontdisplaylastusername"), dontDisplayPolicy);
        RegCloseKey(policies);
    }
    settings.shutdownWithoutLogon =
        haveShutdownPolicy ? shutdownPolicy != 0
                           : GetProfileInt(_T("Winlogon"), _T("ShutdownWithoutLogon"), kNotConfigured) != 0;
    settings.showLastUserName =
        haveDontDisplayPolicy ? dontDisplayPolicy == 0
                              : GetProfileInt(_T("Winlogon"), _T("DontDisplayLastUserName"), kNotConfigured) == 0;
}
}  // namespace

const TCHAR* SettingsKeyPath() { return kSettingsPath.text; }

bool ReadSettings(LogonSettings& settings)
{
    settings.keyRemoveAction = 0;
    HKEY key = OpenSettingsKey(KEY_READ | KEY_SET_VALUE);
    if (!key) {
        settings.vidorTimeout = kDefaultVidorTimeout;
        return false;
    }
    ReadText(key, _T("SelectedDomain"), settings.selectedDomain, ARRAYSIZE(settings.selectedDomain));
    ReadText(key, _T("LoggedWithKey"), settings.loggedWithKey, ARRAYSIZE(settings.loggedWithKey));

    settings.removeKeyAfterLogin = ReadDwordOrZero(key, _T("RemoveKeyAfterLogin"));
    if (!settings.removeKeyAfterLogin) settings.keyRemoveAction = ReadDwordOrZero(key, _T("KeyRemoveAction"));

    settings.logonOnlyByKey = ReadDwordOrZero(key, _T("LogonOnlyByKey"));
    settings.disableRemoteReboot = ReadDwordOrZero(key, _T("DisableRemoteReboot"));
    settings.disableRemoteShutdown = ReadDwordOrZero(key, _T("DisableRemoteShutdown"));
    settings.ignoreKeyWithoutBioId = ReadDwordOrZero(key, _T("IgnoreKeyWithoutBIOID"));

    DWORD vidor = 0;
    const bool haveVidor = ReadDword(key, _T("VidorTimeout"), vidor);
    settings.vidorTimeout = (haveVidor && vidor != 0) ? vidor : kDefaultVidorTimeout;
    RegCloseKey(key);
    // A machine where the panel never saved: the policy flags stay as they were.
    if (!haveVidor) return false;

    DeriveLogonPolicyFlags(settings);
    return true;
}

bool WriteSettings(const LogonSettings* settings)
{
    HKEY key = OpenSettingsKey(KEY_ALL_ACCESS);
    if (!key) return false;
    if (!settings) {
        const bool written = WriteDword(key, _T("temp_case"), 0);
        RegCloseKey(key);
        return written;
    }
    // Each value is tried even when an earlier one failed; the answer is the last one's.
    WriteDword(key, _T("KeyRemoveAction"), settings->removeKeyAfterLogin ? 0 : settings->keyRemoveAction);
    WriteDword(key, _T("RemoveKeyAfterLogin"), settings->removeKeyAfterLogin);
    WriteDword(key, _T("LogonOnlyByKey"), settings->logonOnlyByKey);
    WriteDword(key, _T("IgnoreKeyWithoutBIOID"), settings->ignoreKeyWithoutBioId);
    WriteDword(key, _T("VidorTimeout"), settings->vidorTimeout);
    WriteDword(key, _T("DisableRemoteReboot"), settings->disableRemoteReboot);
    WriteDword(key, _T("DisableRemoteShutdown"), settings->disableRemoteShutdown);
    WriteText(key, _T("SelectedDomain"), settings->selectedDomain, ARRAYSIZE(settings->selectedDomain));
    const bool written =
        WriteText(key, _T("LoggedWithKey"), settings->loggedWithKey, ARRAYSIZE(settings->loggedWithKey));
    RegCloseKey(key);
    return written;
}

// ---- CConfig ----

namespace {
const DWORD kStoreBits = CConfig::kStoreIniFile | CConfig::kStoreClassesRoot | CConfig::kStoreLocalMachine |
                         CConfig::kStoreCurrentUser;
const DWORD kTargetBits = CConfig::kWriteIniFile | CConfig::kWriteClassesRoot | CConfig::kWriteLocalMachine |
                          CConfig::kWriteCurrentUser;

struct RegistryStore {
    DWORD store, target;
    HKEY root;
};
const RegistryStore kRegistryRoots[] = {
    {CConfig::kStoreClassesRoot, CConfig::kWriteClassesRoot, HKEY_CLASSES_ROOT},
    {CConfig::kStoreLocalMachine, CConfig::kWriteLocalMachine, HKEY_LOCAL_MACHINE},
    {CConfig::kStoreCurrentUser, CConfig::kWriteCurrentUser, HKEY_CURRENT_USER},
};

void CopyText(TCHAR* to, int capacity, const TCHAR* from) { lstrcpyn(to, from ? from : _T(""), capacity); }
}  // namespace

CConfig::CConfig(DWORD flags)
{
    TCHAR exe[MAX_PATH + 1] = {};
    GetModuleFileName(nullptr, exe, MAX_PATH);
    TCHAR* dot = _tcsrchr(exe, _T('.'));
    TCHAR* slash = _tcsrchr(exe, _T('\\'));
    if (dot && (!slash || dot > slash)) *dot = 0;
    if (lstrlen(exe) + 4 <= MAX_PATH) lstrcat(exe, _T(".ini"));
    CopyText(iniFile_, ARRAYSIZE(iniFile_), exe);
    CopyText(root_, ARRAYSIZE(root_), _T("Software\\Ostrel"));
    CopyText(section_, ARRAYSIZE(section_), _T("default"));
    CopyText(path_, ARRAYSIZE(path_), root_);
    SetFlags(flags);
}

CConfig::~CConfig() { CloseSubKey(); }

bool CConfig::SetFlags(DWORD flags)
{
    if (!(flags & kStoreBits) || !(flags & kTargetBits)) return false;
    flags_ = flags;
    return true;
}

void CConfig::SetIniFile(const TCHAR* path) { CopyText(iniFile_, ARRAYSIZE(iniFile_), path); }
void CConfig::SetRegistryRoot(const TCHAR* root) { CopyText(root_, ARRAYSIZE(root_), root); }
void CConfig::SetSection(const TCHAR* section) { CopyText(section_, ARRAYSIZE(section_), section); }

bool CConfig::OpenSubKey(const TCHAR* subKey, bool create)
{
    if (!subKey) subKey = _T("");
    const int rootLength = lstrlen(root_), subLength = lstrlen(subKey);
    const int length = rootLength + (rootLength && subLength ? 1 : 0) + subLength;
    if (length > kMaxPath) return false;

    CloseSubKey();
    lstrcpy(path_, root_);
    if (rootLength && subLength) lstrcat(path_, _T("\\"));
    lstrcat(path_, subKey);

    bool opened = false;
    for (int i = 0; i < kRegistryStoreCount; ++i) {
        if (!(flags_ & kRegistryRoots[i].store)) continue;
        LONG status = create ? RegCreateKeyEx(kRegistryRoots[i].root, path_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                              &keys_[i], nullptr)
                             : RegOpenKeyEx(kRegistryRoots[i].root, path_, 0, KEY_READ, &keys_[i]);
        if (status != ERROR_SUCCESS) keys_[i] = nullptr;
        opened = opened || keys_[i];
    }
    return opened;
}

void CConfig::CloseSubKey()
{
    for (HKEY& key : keys_) {
        if (key) RegCloseKey(key);
        key = nullptr;
    }
}

bool CConfig::ReadString(const TCHAR* name, TCHAR* out, DWORD capacity, const TCHAR* defaultValue) const
{
    if (!out || capacity == 0) return false;
    if (flags_ & kStoreIniFile) {
        // A sentinel default tells an absent entry from an empty one.
        const TCHAR kAbsent[] = _T("\x01");
        std::vector<TCHAR> text(capacity + 1, 0);
        GetPrivateProfileString(section_, name, kAbsent, text.data(), capacity, iniFile_);
        if (lstrcmp(text.data(), kAbsent) != 0) {
            lstrcpyn(out, text.data(), capacity);
            return true;
        }
    }
    for (int i = 0; i < kRegistryStoreCount; ++i) {
        if (!(flags_ & kRegistryRoots[i].store) || !keys_[i]) continue;
        DWORD type = 0, size = 0;
        if (RegQueryValueEx(keys_[i], name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        std::vector<BYTE> data(size + sizeof(TCHAR), 0);
        if (RegQueryValueEx(keys_[i], name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) continue;
        lstrcpyn(out, reinterpret_cast<const TCHAR*>(data.data()), capacity);
        return true;
    }
    lstrcpyn(out, defaultValue ? defaultValue : _T(""), capacity);
    return false;
}

bool CConfig::WriteString(const TCHAR* name, const TCHAR* value)
{
    if (!value) value = _T("");
    bool any = false, written = true;
    if (flags_ & kWriteIniFile) {
        any = true;
        written = WritePrivateProfileString(section_, name, value, iniFile_) && written;
    }
    for (int i = 0; i < kRegistryStoreCount; ++i) {
        if (!(flags_ & kRegistryRoots[i].target)) continue;
        any = true;
        written = keys_[i] &&
                  RegSetValueEx(keys_[i], name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                static_cast<DWORD>((lstrlen(value) + 1) * sizeof(TCHAR))) == ERROR_SUCCESS &&
                  written;
    }
    return any && written;
}
