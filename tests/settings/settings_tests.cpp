// The settings store and the configuration accessor against the real registry of the
// test prefix, built in both character sets and run under emulated Windows 98, NT 4.0,
// 2000 and XP (the policy-derived flags exist on NT only). Every value a test touches is
// put back as it was.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scoped.h"
#include "settings_store.h"
#include "wine_env.h"

namespace {
typedef std::basic_string<TCHAR> tstring;

const wchar_t kSettingsKey[] = L"SOFTWARE\\Ostrel\\Logon";
const wchar_t kPoliciesKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\system";
const wchar_t* const kStoredValues[] = {
    L"KeyRemoveAction", L"RemoveKeyAfterLogin", L"LogonOnlyByKey", L"IgnoreKeyWithoutBIOID",
    L"VidorTimeout",    L"DisableRemoteReboot", L"DisableRemoteShutdown", L"SelectedDomain",
    L"LoggedWithKey",   L"temp_case"};
const DWORD kAbsent = 0xFFFFFFFF;  // in tables: the value is not there

void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(k);
}

// kAbsent deletes the value.
void SetDword(const wchar_t* key, const wchar_t* name, DWORD value)
{
    if (value != kAbsent) return SetValue(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &value, sizeof value);
    HKEY k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
    RegDeleteValueW(k, name);
    RegCloseKey(k);
}


// The value as stored: type and raw bytes; false when absent.
bool ReadRaw(const wchar_t* key, const wchar_t* name, DWORD& type, std::string& data)
{
    HKEY k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool found = RegQueryValueExW(k, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        data.assign(size, '\0');
        found = RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    RegCloseKey(k);
    return found;
}

// The text a string value holds. The registry itself adds the terminator a caller left
// out when one follows the counted data in memory (NT does, and Wine with it), so a
// single trailing zero is the registry's, not the writer's.
std::wstring StoredText(const wchar_t* name, DWORD* type)
{
    std::string data;
    if (!ReadRaw(kSettingsKey, name, *type, data)) return L"<absent>";
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    if (!text.empty() && text.back() == 0) text.pop_back();
    return text;
}

DWORD StoredDword(const wchar_t* name)
{
    DWORD type = 0;
    std::string data;
    if (!ReadRaw(kSettingsKey, name, type, data)) return kAbsent;
    EXPECT_EQ(DWORD(REG_DWORD), type) << name;
    EXPECT_EQ(4u, data.size()) << name;
    DWORD value = 0;
    memcpy(&value, data.data(), data.size() < 4 ? data.size() : 4);
    return value;
}

// A Winlogon setting as GetProfileInt sees it, put back at scope end.
class ScopedWinlogonSetting {
public:
    ScopedWinlogonSetting(const wchar_t* name, const wchar_t* value) : name_(name)
    {
        wchar_t old[64] = {};
        GetProfileStringW(L"Winlogon", name, L"\x01", old, ARRAYSIZE(old));
        existed_ = lstrcmpW(old, L"\x01") != 0;
        old_ = old;
        WriteProfileStringW(L"Winlogon", name, value);
    }
    ~ScopedWinlogonSetting() { WriteProfileStringW(L"Winlogon", name_.c_str(), existed_ ? old_.c_str() : nullptr); }

private:
    std::wstring name_, old_;
    bool existed_ = false;
};

LogonSettings Filled(TCHAR fill)
{
    LogonSettings s;
    memset(&s, 0x5A, sizeof s);
    for (TCHAR& c : s.selectedDomain) c = fill;
    for (TCHAR& c : s.loggedWithKey) c = fill;
    for (TCHAR& c : s.lastKeyLabel) c = fill;
    return s;
}

LogonSettings Empty()
{
    LogonSettings s;
    memset(&s, 0, sizeof s);
    return s;
}

tstring Repeat(TCHAR c, size_t n) { return tstring(n, c); }

std::string Show(const tstring& text)
{
    std::string out;
    for (TCHAR c : text) out += (c >= 32 && c < 127) ? char(c) : '?';
    return out + " (" + std::to_string(text.size()) + " chars)";
}

// Every value of the settings key, the policies and the Winlogon settings this store
// reads starts absent and is put back afterwards.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const wchar_t* name : kStoredValues)
            guards_.emplace_back(new ScopedRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, name));
        for (const wchar_t* name : {L"shutdownwithoutlogon", L"dontdisplaylastusername"})
            guards_.emplace_back(new ScopedRegValue(HKEY_LOCAL_MACHINE, kPoliciesKey, name));
        winlogon_.emplace_back(new ScopedWinlogonSetting(L"ShutdownWithoutLogon", nullptr));
        winlogon_.emplace_back(new ScopedWinlogonSetting(L"DontDisplayLastUserName", nullptr));
    }
    void TearDown() override
    {
        winlogon_.clear();
        guards_.clear();
    }
    // Settings saved once by the panel: the read then succeeds.
    void SavedOnce() { SetDword(kSettingsKey, L"VidorTimeout", 60000); }

    std::vector<std::unique_ptr<ScopedRegValue>> guards_;
    std::vector<std::unique_ptr<ScopedWinlogonSetting>> winlogon_;
};
}  // namespace

TEST_F(SettingsStore, RemoveKeyAfterLoginForcesTheRemovalActionToNothingOnReadAndWrite)
{
    struct Case {
        DWORD removeKeyAfterLogin, storedAction;
        INT32 readAction;
        INT32 recordAction;  // what a caller then puts into the record before writing
        DWORD writtenAction;
    } cases[] = {
        {1, 2, 0, 2, 0},
        {1, 1, 0, 1, 0},
        {0, 2, 2, 2, 2},
        {0, 1, 1, 1, 1},
        {kAbsent, 2, 2, 2, 2},
        {kAbsent, kAbsent, 0, 0, 0},
        {7, 2, 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("RemoveKeyAfterLogin " + std::to_string(c.removeKeyAfterLogin) + ", KeyRemoveAction " +
                     std::to_string(c.storedAction));
        SavedOnce();
        SetDword(kSettingsKey, L"RemoveKeyAfterLogin", c.removeKeyAfterLogin);
        SetDword(kSettingsKey, L"KeyRemoveAction", c.storedAction);
        LogonSettings s = Filled(_T('x'));
        EXPECT_TRUE(ReadSettings(s));
        EXPECT_EQ(c.readAction, s.keyRemoveAction);
        EXPECT_EQ(c.removeKeyAfterLogin == kAbsent ? 0 : INT32(c.removeKeyAfterLogin), s.removeKeyAfterLogin);

        s.keyRemoveAction = c.recordAction;
        EXPECT_TRUE(WriteSettings(&s));
        EXPECT_EQ(c.writtenAction, StoredDword(L"KeyRemoveAction"));
        EXPECT_EQ(c.removeKeyAfterLogin == kAbsent ? 0 : c.removeKeyAfterLogin, StoredDword(L"RemoveKeyAfterLogin"));
    }
}

TEST_F(SettingsStore, VidorTimeoutZeroOrAbsentReadsAs60000AndOnlyAbsenceFailsTheRead)
{
    struct Case {
        const char* what;
        DWORD type;
        std::string bytes;  // empty with REG_NONE: absent
        bool read;
        UINT32 vidor;
    } cases[] = {
        {"absent", REG_NONE, "", false, 60000},
        {"zero", REG_DWORD, std::string(4, '\0'), true, 60000},
        {"12345", REG_DWORD, std::string("\x39\x30\0\0", 4), true, 12345},
        {"two bytes", REG_BINARY, std::string("\x39\x30", 2), false, 60000},
        {"eight bytes", REG_BINARY, std::string(8, '\x01'), false, 60000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedRegValue reset(HKEY_LOCAL_MACHINE, kSettingsKey, L"VidorTimeout");
        if (c.type != REG_NONE)
            SetValue(HKEY_LOCAL_MACHINE, kSettingsKey, L"VidorTimeout", c.type, c.bytes.data(), DWORD(c.bytes.size()));
        // Values the read must leave alone when it fails: the two policy flags.
        LogonSettings s = Filled(_T('x'));
        s.shutdownWithoutLogon = 0xA5;
        s.showLastUserName = 0x5A;
        EXPECT_EQ(c.read, ReadSettings(s));
        EXPECT_EQ(c.vidor, s.vidorTimeout);
        if (!c.read) {
            EXPECT_EQ(0xA5, s.shutdownWithoutLogon);
            EXPECT_EQ(0x5A, s.showLastUserName);
        }
        // The rest of the record was still read.
        EXPECT_EQ(0, s.logonOnlyByKey);
        EXPECT_EQ(tstring(), tstring(s.selectedDomain));

        EXPECT_TRUE(WriteSettings(&s));
        EXPECT_EQ(DWORD(c.vidor), StoredDword(L"VidorTimeout")) << "written back";
    }
}

TEST_F(SettingsStore, AFreshProcessWithoutVidorTimeoutKeepsShutDownOffAndTheUserNameHidden)
{
    // Policy and Winlogon both allow everything, yet nothing is derived.
    SetDword(kPoliciesKey, L"shutdownwithoutlogon", 1);
    SetDword(kPoliciesKey, L"dontdisplaylastusername", 0);
    LogonSettings fresh = Empty();
    EXPECT_FALSE(ReadSettings(fresh));
    EXPECT_EQ(0, fresh.shutdownWithoutLogon);
    EXPECT_EQ(0, fresh.showLastUserName);
}

TEST_F(SettingsStore, PolicyValueWinsOverWinlogonAndWinlogonDecidesWithoutIt)
{
    const bool nt = EmulatedVersionClass() >= 4;
    struct Case {
        DWORD shutdownPolicy;
        const wchar_t* shutdownWinlogon;  // null: absent
        bool shutdownAllowed;
        DWORD dontDisplayPolicy;
        const wchar_t* dontDisplayWinlogon;
        bool showLastUser;
    } cases[] = {
        // Neither configured: GetProfileInt's 77 allows shutdown and hides the user name.
        {kAbsent, nullptr, true, kAbsent, nullptr, false},
        {0, L"1", false, 1, L"0", false},
        {0, nullptr, false, 0, nullptr, true},
        {1, L"0", true, 0, L"1", true},
        {5, nullptr, true, 5, nullptr, false},
        {kAbsent, L"0", false, kAbsent, L"0", true},
        {kAbsent, L"1", true, kAbsent, L"1", false},
        {kAbsent, L"2", true, kAbsent, L"2", false},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(row++) + (nt ? " (NT)" : " (9x)"));
        ScopedRegValue policyShutdown(HKEY_LOCAL_MACHINE, kPoliciesKey, L"shutdownwithoutlogon");
        ScopedRegValue policyDontDisplay(HKEY_LOCAL_MACHINE, kPoliciesKey, L"dontdisplaylastusername");
        SetDword(kPoliciesKey, L"shutdownwithoutlogon", c.shutdownPolicy);
        SetDword(kPoliciesKey, L"dontdisplaylastusername", c.dontDisplayPolicy);
        ScopedWinlogonSetting shutdown(L"ShutdownWithoutLogon", c.shutdownWinlogon);
        ScopedWinlogonSetting dontDisplay(L"DontDisplayLastUserName", c.dontDisplayWinlogon);
        SavedOnce();

        LogonSettings s = Filled(_T('x'));
        ASSERT_TRUE(ReadSettings(s));
        // Windows 9x has no such policy: shutdown is never offered, the name always shown.
        EXPECT_EQ(nt ? c.shutdownAllowed : false, s.shutdownWithoutLogon != 0);
        EXPECT_EQ(nt ? c.showLastUser : true, s.showLastUserName != 0);
        EXPECT_LE(s.shutdownWithoutLogon, 1);
        EXPECT_LE(s.showLastUserName, 1);
    }
}

TEST_F(SettingsStore, StringsAreStoredWithoutTerminatorAndReadBackCutToBufferAndField)
{
    // The read buffer holds 200 bytes: 100 UTF-16 or 200 ANSI characters.
    const size_t bufferChars = 200 / sizeof(TCHAR);
    struct Case {
        size_t domainChars, keyChars;
    } cases[] = {{0, 0}, {1, 1}, {49, 99}, {50, 100}, {60, 101}, {120, 150}, {49, 299}};
    for (const Case& c : cases) {
        SCOPED_TRACE("domain " + std::to_string(c.domainChars) + ", key " + std::to_string(c.keyChars));
        LogonSettings s = Empty();
        const tstring domain = Repeat(_T('D'), c.domainChars), key = Repeat(_T('K'), c.keyChars);
        lstrcpyn(s.selectedDomain, domain.c_str(), ARRAYSIZE(s.selectedDomain));
        lstrcpyn(s.loggedWithKey, key.c_str(), ARRAYSIZE(s.loggedWithKey));
        s.vidorTimeout = 60000;
        ASSERT_TRUE(WriteSettings(&s));

        const size_t storedDomain = std::min<size_t>(c.domainChars, 49), storedKey = std::min<size_t>(c.keyChars, 299);
        DWORD type = 0;
        EXPECT_EQ(std::wstring(storedDomain, L'D'), StoredText(L"SelectedDomain", &type));
        EXPECT_EQ(DWORD(REG_SZ), type);
        EXPECT_EQ(std::wstring(storedKey, L'K'), StoredText(L"LoggedWithKey", &type));
        EXPECT_EQ(DWORD(REG_SZ), type);

        LogonSettings back = Filled(_T('x'));
        ASSERT_TRUE(ReadSettings(back));
        EXPECT_EQ(Show(Repeat(_T('D'), std::min(storedDomain, size_t(49)))), Show(back.selectedDomain));
        EXPECT_EQ(Show(Repeat(_T('K'), std::min({storedKey, bufferChars, size_t(299)}))), Show(back.loggedWithKey));
    }
}

TEST_F(SettingsStore, ValuesWrittenByOthersAreReadWhateverTheirTerminatorAndLength)
{
    struct Case {
        const char* what;
        std::wstring stored;
        bool withTerminator;
        tstring domain;
    } cases[] = {
        {"regedit-style, terminated", L"OSTREL", true, _T("OSTREL")},
        {"not terminated", L"OSTREL", false, _T("OSTREL")},
        {"a dot", L".", false, _T(".")},
        {"longer than the buffer", std::wstring(300, L'L'), true, Repeat(_T('L'), 49)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SavedOnce();
        SetValue(HKEY_LOCAL_MACHINE, kSettingsKey, L"SelectedDomain", REG_SZ, c.stored.c_str(),
                 DWORD((c.stored.size() + (c.withTerminator ? 1 : 0)) * sizeof(wchar_t)));
        LogonSettings s = Filled(_T('x'));
        ASSERT_TRUE(ReadSettings(s));
        EXPECT_EQ(Show(c.domain), Show(s.selectedDomain));
        EXPECT_EQ(tstring(), tstring(s.loggedWithKey)) << "absent: empty, not the old contents";
    }
}

TEST_F(SettingsStore, RecordRoundTripsThroughTheSettingsKey)
{
    LogonSettings s = Empty();
    s.keyRemoveAction = 1;
    lstrcpy(s.selectedDomain, _T("OSTREL"));
    s.logonOnlyByKey = 1;
    lstrcpy(s.loggedWithKey, _T("Ostrel Key Reader 0"));
    lstrcpy(s.lastKeyLabel, _T("Alice's key"));
    s.ignoreKeyWithoutBioId = 1;
    s.vidorTimeout = 45000;
    s.removeKeyAfterLogin = 0;
    s.disableRemoteReboot = 1;
    s.disableRemoteShutdown = 3;
    ASSERT_TRUE(WriteSettings(&s));

    struct Stored {
        const wchar_t* name;
        DWORD value;
    } stored[] = {{L"KeyRemoveAction", 1},      {L"RemoveKeyAfterLogin", 0}, {L"LogonOnlyByKey", 1},
                  {L"IgnoreKeyWithoutBIOID", 1}, {L"VidorTimeout", 45000},    {L"DisableRemoteReboot", 1},
                  {L"DisableRemoteShutdown", 3}};
    for (const Stored& v : stored) EXPECT_EQ(v.value, StoredDword(v.name)) << v.name;
    EXPECT_EQ(kAbsent, StoredDword(L"temp_case")) << "only the write without a record writes it";
    EXPECT_STREQ(_T("SOFTWARE\\Ostrel\\Logon"), SettingsKeyPath());

    LogonSettings back = Filled(_T('x'));
    ASSERT_TRUE(ReadSettings(back));
    EXPECT_EQ(1, back.keyRemoveAction);
    EXPECT_EQ(tstring(_T("OSTREL")), tstring(back.selectedDomain));
    EXPECT_EQ(1, back.logonOnlyByKey);
    EXPECT_EQ(tstring(_T("Ostrel Key Reader 0")), tstring(back.loggedWithKey));
    EXPECT_EQ(1, back.ignoreKeyWithoutBioId);
    EXPECT_EQ(45000u, back.vidorTimeout);
    EXPECT_EQ(0, back.removeKeyAfterLogin);
    EXPECT_EQ(1, back.disableRemoteReboot);
    EXPECT_EQ(3, back.disableRemoteShutdown);
    EXPECT_EQ(Repeat(_T('x'), 300), tstring(back.lastKeyLabel, 300)) << "memory only: the read leaves it";
}

TEST_F(SettingsStore, WriteWithoutRecordOnlyProbesWithTempCase)
{
    SetDword(kSettingsKey, L"KeyRemoveAction", 2);
    EXPECT_TRUE(WriteSettings(nullptr));
    EXPECT_EQ(0u, StoredDword(L"temp_case"));
    EXPECT_EQ(2u, StoredDword(L"KeyRemoveAction"));
    for (const wchar_t* name : {L"VidorTimeout", L"SelectedDomain", L"LoggedWithKey", L"RemoveKeyAfterLogin"})
        EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, name)) << name;
}

TEST_F(SettingsStore, ModuleRecordStartsZeroed)
{
    const LogonSettings zero = Empty();
    EXPECT_EQ(0, memcmp(&zero, &g_settings, sizeof zero)) << "a fresh process has derived nothing yet";
}

// ---- configuration accessor ----

namespace {
const wchar_t kConfigRoot[] = L"Software\\Ostrel\\ConfigTests";

// The accessor's test tree under HKCU, removed before and after.
class ConfigTree {
public:
    ConfigTree() { Remove(); }
    ~ConfigTree() { Remove(); }

private:
    static void Remove()
    {
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Ostrel\\ConfigTests\\Sub");
        RegDeleteKeyW(HKEY_CURRENT_USER, kConfigRoot);
    }
};

#ifdef UNICODE
const TCHAR kConfigRootT[] = L"Software\\Ostrel\\ConfigTests";
#else
const TCHAR kConfigRootT[] = "Software\\Ostrel\\ConfigTests";
#endif
}  // namespace

TEST(ConfigAccessor, FlagWordNeedsAStoreAndATarget)
{
    struct Case {
        DWORD flags;
        bool accepted;
    } cases[] = {
        {0, false},     {0x8, false},   {0x80, false},  {0x1, false},   {0x1 | 0x80, false}, {0x1E, false},
        {0x1E0, false}, {0x88, true},   {0x22, true},   {0x110, true},  {0x4 | 0x40, true},  {0x1E | 0x100, true},
        {0x8 | 0x20, true},
    };
    for (const Case& c : cases) {
        CConfig config(0x88);
        EXPECT_EQ(c.accepted, config.SetFlags(c.flags)) << std::hex << "0x" << c.flags;
        EXPECT_EQ(c.accepted ? c.flags : 0x88u, config.Flags()) << std::hex << "0x" << c.flags;
        EXPECT_EQ(c.accepted ? c.flags : 0u, CConfig(c.flags).Flags()) << std::hex << "constructed with 0x" << c.flags;
    }
}

TEST(ConfigAccessor, DefaultsAreTheIniBesideTheExecutableTheProductRootAndSectionDefault)
{
    CConfig config;
    TCHAR exe[MAX_PATH];
    GetModuleFileName(nullptr, exe, MAX_PATH);
    tstring expected(exe);
    expected = expected.substr(0, expected.find_last_of(_T('.'))) + _T(".ini");
    EXPECT_EQ(Show(expected), Show(config.IniFile()));
    EXPECT_EQ(tstring(_T("Software\\Ostrel")), tstring(config.RegistryRoot()));
    EXPECT_EQ(tstring(_T("default")), tstring(config.Section()));
}

TEST(ConfigAccessor, SubKeyPathsLongerThan260CharactersAreRefused)
{
    ConfigTree tree;
    CConfig config(CConfig::kStoreCurrentUser | CConfig::kWriteCurrentUser);
    config.SetRegistryRoot(kConfigRootT);
    const size_t rootChars = lstrlen(kConfigRootT);
    struct Case {
        size_t pathChars;
        bool refused;
    } cases[] = {{259, false}, {261, true}, {260, false}, {400, true}};
    for (const Case& c : cases) {
        ASSERT_TRUE(config.OpenSubKey(_T("Sub"), true));
        const tstring sub = Repeat(_T('s'), c.pathChars - rootChars - 1);
        EXPECT_FALSE(config.OpenSubKey(sub.c_str(), false)) << c.pathChars << ": no such key";
        if (c.refused) {
            EXPECT_EQ(Show(tstring(kConfigRootT) + _T("\\Sub")), Show(config.SubKeyPath()))
                << c.pathChars << ": refused, the open key and its path kept";
        } else {
            EXPECT_EQ(c.pathChars, tstring(config.SubKeyPath()).size()) << c.pathChars << ": taken";
        }
    }
}

TEST(ConfigAccessor, ReadOnlyOpenCannotWriteAndCreateWritesTerminatedStrings)
{
    ConfigTree tree;
    CConfig config(CConfig::kStoreCurrentUser | CConfig::kWriteCurrentUser);
    config.SetRegistryRoot(kConfigRootT);
    EXPECT_FALSE(config.OpenSubKey(_T("Sub"), false)) << "not there yet";
    ASSERT_TRUE(config.OpenSubKey(_T("Sub"), true)) << "created";
    EXPECT_EQ(tstring(kConfigRootT) + _T("\\Sub"), tstring(config.SubKeyPath()));
    EXPECT_TRUE(config.WriteString(_T("show_novell"), _T("yes")));

    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Ostrel\\ConfigTests\\Sub", 0, KEY_READ, &k));
    wchar_t data[16] = {};
    DWORD type = 0, size = sizeof data;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, L"show_novell", nullptr, &type, reinterpret_cast<BYTE*>(data), &size));
    RegCloseKey(k);
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(4 * sizeof(wchar_t), size) << "with its terminator";
    EXPECT_STREQ(L"yes", data);

    CConfig reader(CConfig::kStoreCurrentUser | CConfig::kWriteCurrentUser);
    reader.SetRegistryRoot(kConfigRootT);
    ASSERT_TRUE(reader.OpenSubKey(_T("Sub"), false));
    TCHAR text[16];
    EXPECT_TRUE(reader.ReadString(_T("show_novell"), text, ARRAYSIZE(text), _T("no")));
    EXPECT_EQ(tstring(_T("yes")), tstring(text));
    EXPECT_FALSE(reader.ReadString(_T("absent"), text, ARRAYSIZE(text), _T("no")));
    EXPECT_EQ(tstring(_T("no")), tstring(text));
    TCHAR small[3];
    EXPECT_TRUE(reader.ReadString(_T("show_novell"), small, ARRAYSIZE(small), _T("")));
    EXPECT_EQ(tstring(_T("ye")), tstring(small)) << "cut to the capacity";
    // Windows 9x ignores the access asked for (Wine's ANSI calls do the same there).
    if (EmulatedVersionClass() >= 4) {
        EXPECT_FALSE(reader.WriteString(_T("show_novell"), _T("no"))) << "opened read-only";
    }
}

TEST(ConfigAccessor, IniStoreUsesTheSectionAndComesBeforeTheRegistry)
{
    ConfigTree tree;
    const std::string iniPath = ExeDir() + "config_tests.ini";
    ScopedRemoval iniFile(iniPath);
    CConfig config(CConfig::kStoreIniFile | CConfig::kStoreCurrentUser | CConfig::kWriteIniFile);
#ifdef UNICODE
    config.SetIniFile(ExeDirW().append(L"config_tests.ini").c_str());
#else
    config.SetIniFile(iniPath.c_str());
#endif
    config.SetRegistryRoot(kConfigRootT);
    EXPECT_TRUE(config.WriteString(_T("show_novell"), _T("yes")));
    EXPECT_NE(std::string::npos, ReadFileText(iniPath).find("[default]")) << ReadFileText(iniPath);

    // The same name in the registry loses to the ini file.
    CConfig registry(CConfig::kStoreCurrentUser | CConfig::kWriteCurrentUser);
    registry.SetRegistryRoot(kConfigRootT);
    ASSERT_TRUE(registry.OpenSubKey(_T(""), true));
    ASSERT_TRUE(registry.WriteString(_T("show_novell"), _T("no")));
    ASSERT_TRUE(registry.WriteString(_T("only_here"), _T("registry")));

    ASSERT_TRUE(config.OpenSubKey(_T(""), false));
    TCHAR text[16];
    EXPECT_TRUE(config.ReadString(_T("show_novell"), text, ARRAYSIZE(text), _T("?")));
    EXPECT_EQ(tstring(_T("yes")), tstring(text));
    EXPECT_TRUE(config.ReadString(_T("only_here"), text, ARRAYSIZE(text), _T("?")));
    EXPECT_EQ(tstring(_T("registry")), tstring(text));
    EXPECT_TRUE(config.WriteString(_T("x"), _T("1")));
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kConfigRoot, L"x")) << "the target is the ini file only";
}

TEST(ConfigAccessor, TheGinaWordOpensOrCreatesTheSettingsKeyForShowNovell)
{
    ScopedRegValue restore(HKEY_LOCAL_MACHINE, kSettingsKey, L"show_novell");
    CConfig config(0x88);
    ASSERT_TRUE(config.OpenSubKey(_T("Logon"), true));
    TCHAR text[8];
    EXPECT_FALSE(config.ReadString(_T("show_novell"), text, ARRAYSIZE(text), _T("no")));
    EXPECT_EQ(tstring(_T("no")), tstring(text));
    EXPECT_TRUE(config.WriteString(_T("show_novell"), _T("yes")));
    EXPECT_TRUE(config.ReadString(_T("show_novell"), text, ARRAYSIZE(text), _T("no")));
    EXPECT_EQ(tstring(_T("yes")), tstring(text));
    EXPECT_TRUE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, L"show_novell"));
}
