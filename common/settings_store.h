// The product's machine-wide options: one registry key, HKEY_LOCAL_MACHINE
// "SOFTWARE\\Ostrel\\Logon", read and written as a whole through one record. The panel
// edits them, the GINA and the 9x providers read them, and the GINA writes back how the
// last logon was made. Built in both character sets: the record holds UTF-16 strings in
// the GINA and ANSI strings in the panel and the 9x providers.
//
// Strings are stored without their terminating zero (data size = characters times the
// character size) and read into zero-filled buffers of 200 bytes, so a value read back
// holds at most 100 UTF-16 (200 ANSI) characters before the cut to its field.
#pragma once
#include <windows.h>
#include <tchar.h>

struct LogonSettings {
    INT32 keyRemoveAction;       // KeyRemoveAction: 0 nothing, 1 lock (9x: screen saver), 2 log off
    TCHAR selectedDomain[50];    // SelectedDomain: domain of the last logon, "." for a local account
    INT32 logonOnlyByKey;        // LogonOnlyByKey
    TCHAR loggedWithKey[300];    // LoggedWithKey: reader of the key of the last logon or unlock
    TCHAR lastKeyLabel[300];     // display name of that key; memory only, never stored
    INT32 ignoreKeyWithoutBioId; // IgnoreKeyWithoutBIOID
    UINT32 vidorTimeout;         // VidorTimeout, 60000 when stored as 0 or absent
    BYTE shutdownWithoutLogon;   // from the logon policy (NT only), never stored
    BYTE showLastUserName;       // from the logon policy (NT only), never stored
    INT32 removeKeyAfterLogin;   // RemoveKeyAfterLogin: forces keyRemoveAction to 0 both ways
    INT32 disableRemoteReboot;   // DisableRemoteReboot
    INT32 disableRemoteShutdown; // DisableRemoteShutdown
};

// The process's one record.
extern LogonSettings g_settings;

// Fills the record from the key (created when missing). False when VidorTimeout is
// absent or not a 4-byte value (or the key neither opens nor can be created): then
// vidorTimeout is 60000 and the two policy flags keep the values they had.
bool ReadSettings(LogonSettings& settings);

// Writes the record's stored values; true when the last one (LoggedWithKey) was written.
// Without a record only "temp_case" = 0 is written, to learn whether writing works.
bool WriteSettings(const LogonSettings* settings);

// "SOFTWARE\\Ostrel\\Logon" under HKEY_LOCAL_MACHINE.
const TCHAR* SettingsKeyPath();

// A small configuration accessor over an ini file and the three registry roots. The flag
// word names the stores that may be opened and the one written to; reads search the
// allowed stores in flag order (ini file, HKCR, HKLM, HKCU) and the first that has the
// value wins. The ini file always uses the section; the registry stores use the key
// opened with OpenSubKey (the registry root itself until then).
class CConfig {
public:
    enum : DWORD {
        kStoreIniFile = 0x2,
        kStoreClassesRoot = 0x4,
        kStoreLocalMachine = 0x8,
        kStoreCurrentUser = 0x10,
        kWriteIniFile = 0x20,
        kWriteClassesRoot = 0x40,
        kWriteLocalMachine = 0x80,
        kWriteCurrentUser = 0x100,
    };
    static const int kMaxPath = 260;

    // Defaults: the executable's path with ".ini" for its extension, the registry root
    // "Software\\Ostrel", the section "default"; flags as SetFlags would take them.
    explicit CConfig(DWORD flags = 0);
    ~CConfig();
    CConfig(const CConfig&) = delete;
    CConfig& operator=(const CConfig&) = delete;

    // Refuses (and keeps the old word) a word without a store or without a target.
    bool SetFlags(DWORD flags);
    DWORD Flags() const { return flags_; }

    void SetIniFile(const TCHAR* path);
    const TCHAR* IniFile() const { return iniFile_; }
    void SetRegistryRoot(const TCHAR* root);
    const TCHAR* RegistryRoot() const { return root_; }
    void SetSection(const TCHAR* section);
    const TCHAR* Section() const { return section_; }

    // Opens "<root>\\<subKey>" (the root itself for an empty subKey) in every allowed
    // registry store: read-only, or created with full access. True when it opened in at
    // least one; a path of more than kMaxPath characters is refused and nothing changes.
    bool OpenSubKey(const TCHAR* subKey, bool create);
    void CloseSubKey();
    const TCHAR* SubKeyPath() const { return path_; }

    // Copies the value (or, when no store has it, the default) into out, cut to capacity-1
    // characters. True when a store had it.
    bool ReadString(const TCHAR* name, TCHAR* out, DWORD capacity, const TCHAR* defaultValue) const;
    // REG_SZ with its terminator (or an ini entry) in every target store. The registry
    // target needs its key opened with create.
    bool WriteString(const TCHAR* name, const TCHAR* value);

private:
    static const int kRegistryStoreCount = 3;
    DWORD flags_ = 0;
    TCHAR iniFile_[MAX_PATH + 1] = {};
    TCHAR root_[kMaxPath + 1] = {};
    TCHAR section_[64] = {};
    TCHAR path_[kMaxPath + 1] = {};
    HKEY keys_[kRegistryStoreCount] = {};  // HKCR, HKLM, HKCU
};
