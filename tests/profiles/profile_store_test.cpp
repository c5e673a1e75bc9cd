// The profile store's Windows layer: the build's record (UTF-16 or ANSI) through the
// system code page, Windows' case rules, the 9x record, this computer's name and the
// trace lines. Built in both character sets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log.h"
#include "profile_store.h"
#include "scoped.h"

namespace {
typedef std::vector<BYTE> Bytes;
typedef std::basic_string<TCHAR> Text;

Bytes Current(const std::vector<std::vector<std::string>>& profiles)
{
    Bytes bytes{0xFE};
    for (const auto& fields : profiles)
        for (const std::string& field : fields) {
            bytes.push_back(BYTE(field.size()));
            bytes.insert(bytes.end(), field.begin(), field.end());
        }
    return bytes;
}

std::string Ansi(const Text& text)
{
#ifdef UNICODE
    char buffer[600] = {};
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
#else
    return text;
#endif
}

struct Tables {
    Profile table[kProfileTableRecords];
    Profile users[kProfileTableRecords];
    Tables()
    {
        ZeroMemory(table, sizeof table);
        ZeroMemory(users, sizeof users);
    }
};

Text ComputerName()
{
    TCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    EXPECT_TRUE(GetComputerName(name, &size));
    return name;
}

Text Lower(Text text)
{
    CharLower(&text[0]);
    return text;
}

// The Western European code page of the test bench; other code pages skip the
// non-ASCII cases.
bool Western() { return GetACP() == 1252; }
}  // namespace

TEST(ProfileStore, RecordsMatchTheDataModel)
{
    EXPECT_EQ(80u, sizeof(Profile().c_name) / sizeof(TCHAR));
    EXPECT_EQ(257u, sizeof(Profile().u_name) / sizeof(TCHAR));
    EXPECT_EQ(257u, sizeof(Profile().password) / sizeof(TCHAR));
    EXPECT_EQ(128u, sizeof(Profile9x));  // 50 + 50 + 24 bytes and the status
}

TEST(ProfileStore, CodePageBytesBecomeTheRecordsText)
{
    if (!Western()) GTEST_SKIP() << "code page " << GetACP();
    Tables t;
    const Bytes bytes = Current({{"PC1", "J\xFCrgen", "gr\xFC\xDF"}, {"\\\\VERK\xC4UFER", "\xC5sa", ""}});
    ASSERT_EQ(2, ParseProfilesBufferToArray(bytes.data(), DWORD(bytes.size()), t.table));
    const struct {
        const TCHAR* got;
        const TCHAR* expected;
    } fields[] = {
        {t.table[0].c_name, TEXT("PC1")},
        {t.table[0].u_name, TEXT("J\xFCrgen")},
        {t.table[0].password, TEXT("gr\xFC\xDF")},
        {t.table[1].c_name, TEXT("\\\\VERK\xC4UFER")},
        {t.table[1].u_name, TEXT("\xC5sa")},
    };
    for (const auto& f : fields) EXPECT_EQ(Text(f.expected), Text(f.got)) << Ansi(f.got);
    EXPECT_STREQ(TEXT("VERK\xC4UFER"), ProfileDomainName(&t.table[1]));

    Bytes out(200);
    DWORD capacity = DWORD(out.size());
    ASSERT_EQ(int(bytes.size()), parse_profiles_array_to_buffer(t.table, 64, out.data(), &capacity));
    out.resize(capacity);
    EXPECT_EQ(bytes, out) << "written back as the same code-page bytes";
}

TEST(ProfileStore, FieldsTheFormatCannotCarryAreRefused)
{
    struct Case {
        const char* name;
        Text password;
    };
    std::vector<Case> cases = {{"256 characters", Text(256, TEXT('p'))}};
#ifdef UNICODE
    if (Western()) cases.push_back({"a character without an ANSI form", L"pass\x4E2Dword"});
    cases.push_back({"255 characters fit", Text(255, L'p')});  // the control case
#endif
    for (const Case& c : cases) {
        Tables t;
        ASSERT_EQ(1, addProfile(t.table, TEXT("alice"), TEXT("PC1"), c.password.c_str()));
        BYTE out[1000];
        DWORD capacity = sizeof out;
        const int written = parse_profiles_array_to_buffer(t.table, 64, out, &capacity);
        if (c.password.size() == 255) {
            EXPECT_EQ(1 + 4 + 6 + 256, written) << c.name;
            continue;
        }
        EXPECT_EQ(-1, written) << c.name;
        EXPECT_EQ(0u, capacity) << c.name;
    }
    DWORD capacity = 10;
    Tables t;
    EXPECT_EQ(-1, parse_profiles_array_to_buffer(t.table, 64, nullptr, &capacity));
    EXPECT_EQ(-1, parse_profiles_array_to_buffer(t.table, 64, reinterpret_cast<BYTE*>(&capacity), nullptr));
}

TEST(ProfileStore, ComparisonsFollowWindowsCaseRules)
{
    Tables t;
    ASSERT_EQ(1, addProfile(t.table, TEXT("Alice"), TEXT("PC1"), TEXT("pw")));
    ASSERT_EQ(2, addProfile(t.table, TEXT("co-op"), TEXT("\\\\SALES"), TEXT("pw")));
    std::vector<std::pair<Text, int>> cases = {
        {TEXT("ALICE"), 0}, {TEXT("alice"), 0}, {TEXT("alic"), -1}, {TEXT("CO-OP"), 1}, {TEXT("coop"), -1},
    };
    if (Western()) {
        ASSERT_EQ(3, addProfile(t.table, TEXT("\xC4rger"), nullptr, nullptr));
        cases.push_back({TEXT("\xE4RGER"), 2});  // non-ASCII letters fold too
    }
    for (const auto& c : cases) EXPECT_EQ(c.second, findProfile(t.table, nullptr, c.first.c_str())) << Ansi(c.first);
    EXPECT_EQ(1, findProfile(t.table, TEXT("\\\\sales"), TEXT("Co-Op")));
    EXPECT_EQ(-1, findProfile(t.table, TEXT("PC2"), TEXT("alice")));
}

TEST(ProfileStore, MatchesThisComputer)
{
    const Text computer = ComputerName();
    ASSERT_FALSE(computer.empty());
    const struct {
        const char* name;
        std::vector<std::vector<Text>> profiles;  // c_name, u_name
        std::vector<Text> users;
        int usable;
        std::vector<DWORD> statuses;
        int valid;
    } cases[] = {
        {"this computer in another case, a domain, another computer",
         {{Lower(computer), TEXT("alice")}, {TEXT("\\\\SALES"), TEXT("carol")}, {TEXT("OTHER"), TEXT("alice")}},
         {TEXT("ALICE")}, 2, {1, 2, 0}, -1},
        {"only one usable", {{computer, TEXT("alice")}, {TEXT("OTHER"), TEXT("bob")}}, {TEXT("alice")}, 1, {1, 0}, 0},
        {"no user list", {{TEXT(""), TEXT("x")}, {computer, TEXT("y")}}, {}, 2, {1, 1}, -1},
        {"nobody listed", {{computer, TEXT("ghost")}, {TEXT("OTHER"), TEXT("y")}}, {TEXT("alice")}, 1, {1, 0}, 0},
    };
    for (const auto& c : cases) {
        Tables t;
        for (const auto& p : c.profiles) ASSERT_GT(addProfile(t.table, p[1].c_str(), p[0].c_str(), TEXT("pw")), 0);
        for (const Text& u : c.users) ASSERT_GT(addProfile(t.users, u.c_str(), nullptr, nullptr), 0);
        EXPECT_EQ(c.usable, MatchProfilesToWorkstation(t.table, t.users)) << c.name;
        for (size_t i = 0; i < c.statuses.size(); ++i) EXPECT_EQ(c.statuses[i], t.table[i].status) << c.name << " " << i;
        EXPECT_EQ(c.valid, GetValidProfile(t.table)) << c.name;
    }

    Tables one;
    addProfile(one.table, TEXT("alice"), TEXT("ELSEWHERE"), TEXT("pw"));
    EXPECT_EQ(1, MatchProfilesToWorkstation(one.table, one.users)) << "the only profile is the one";
    EXPECT_EQ(0, GetValidProfile(one.table));
    EXPECT_EQ(0, MatchProfilesToWorkstation(one.table, nullptr));
    EXPECT_EQ(0, MatchProfilesToWorkstation(nullptr, one.users));
}

TEST(ProfileStore, NinexRecordReadsBothFormats)
{
    const std::string c49(49, 'c'), c50(50, 'c'), p23(23, 'p'), p24(24, 'p');
    Bytes tagged;
    for (const auto& record : std::vector<std::pair<char, std::string>>{{'Q', "PC1"}, {'R', "alice"}, {'S', "pw"}}) {
        tagged.push_back(BYTE(record.first));
        tagged.push_back(0);
        tagged.push_back(BYTE(record.second.size()));
        tagged.insert(tagged.end(), record.second.begin(), record.second.end());
    }
    const struct {
        const char* name;
        Bytes bytes;
        int result;
        std::vector<std::string> users;  // u_name of each stored profile
    } cases[] = {
        {"current format", Current({{"PC1", "alice", "pw"}, {"", "bob", ""}}), 2, {"alice", "bob"}},
        {"fields at the short record's limits", Current({{c49, c49, p23}}), 1, {c49}},
        {"a field too long leaves its profile out",
         Current({{c50, "a", "p"}, {"PC", c50, "p"}, {"PC", "b", p24}, {"PC", "kept", "p"}}), 1, {"kept"}},
        {"tagged format", tagged, 1, {"alice"}},
    };
    for (const auto& c : cases) {
        Profile9x table[kProfileTableRecords];
        FillMemory(table, sizeof table, 'x');
        EXPECT_EQ(c.result, ParseProfilesBufferToArray(c.bytes.data(), DWORD(c.bytes.size()), table)) << c.name;
        std::vector<std::string> users;
        for (int i = 0; i < findProfile(table, nullptr, nullptr); ++i) users.push_back(table[i].u_name);
        EXPECT_EQ(c.users, users) << c.name;
    }

    Profile9x table[kProfileTableRecords] = {}, users[kProfileTableRecords] = {};
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    CharLowerA(computer);
    EXPECT_EQ(1, addProfile(table, "Alice", computer, "pw"));
    EXPECT_EQ(2, addProfile(table, "bob", "\\\\SALES", "pw"));
    EXPECT_EQ(3, addProfile(table, "carol", "OTHER", "pw"));
    EXPECT_EQ(1, addProfile(users, "ALICE", nullptr, nullptr));
    EXPECT_EQ(2, MatchProfilesToWorkstation(table, users));
    EXPECT_EQ(1u, table[0].status);
    EXPECT_EQ(2u, table[1].status);
    EXPECT_EQ(0u, table[2].status);
    EXPECT_TRUE(IsDomainProfile(&table[1]));
    EXPECT_STREQ("SALES", ProfileDomainName(&table[1]));
    EXPECT_STREQ("", ProfileDomainName(&table[0]));
    EXPECT_EQ(-1, GetValidProfile(table));
}

TEST(ProfileStore, DomainNameIsASharedBuffer)
{
    Profile profiles[2] = {};
    lstrcpy(profiles[0].c_name, TEXT("\\\\SALES"));
    lstrcpy(profiles[1].c_name, TEXT("\\\\HR"));
    const TCHAR* first = ProfileDomainName(&profiles[0]);
    EXPECT_STREQ(TEXT("SALES"), first);
    EXPECT_EQ(first, ProfileDomainName(&profiles[1]));
    EXPECT_STREQ(TEXT("HR"), first) << "valid until the next call";
    EXPECT_STREQ(TEXT(""), ProfileDomainName(static_cast<const Profile*>(nullptr)));
    EXPECT_FALSE(IsDomainProfile(static_cast<const Profile*>(nullptr)));
}

// Last in the file: the log stays on for the rest of the process.
TEST(ProfileStore, TraceLinesNameUsersButNeverPasswords)
{
    ScopedFile log("C:\\ovt_profiles.log", "3");
    g_log.Start(TEXT("ovt_profiles"), nullptr, 0);
    ASSERT_EQ(LOG_TRACE, g_log.Level());

    Tables t;
    Bytes tagged{'Q', 0, 3, 'P', 'C', '1', 'R', 0, 5, 'a', 'l', 'i', 'c', 'e', 'S', 0, 6, 's', '3', 'c', 'r', '3', 't'};
    ASSERT_EQ(1, ParseProfilesBufferToArray(tagged.data(), DWORD(tagged.size()), t.table));
    const Bytes refused(32001, 0xFE);
    EXPECT_EQ(0, ParseProfilesBufferToArray(refused.data(), DWORD(refused.size()), t.table));
    ASSERT_EQ(1, addProfile(t.table, TEXT("alice"), TEXT("PC1"), TEXT("s3cr3t")));
    ASSERT_EQ(2, addProfile(t.table, TEXT("bob"), TEXT("PC1"), TEXT("s3cr3t")));
    BYTE out[100];
    DWORD capacity = sizeof out;
    EXPECT_EQ(33, parse_profiles_array_to_buffer(t.table, 64, out, &capacity));
    MatchProfilesToWorkstation(t.table, t.users);

    const std::string text = ReadFileText(log.path());
    for (const std::string& line :
         {std::string("TRACE   [ParseProfilesBufferToArray] 23 ... (51)"),
          std::string("TRACE   [ParseProfilesBufferToArray] c_name:PC1"),
          std::string("TRACE   [ParseProfilesBufferToArray] u_name:alice"),
          std::string("TRACE   [addProfile] addProfile 1"),
          std::string("ERROR   [parse_profiles_array_to_buffer] 33"),
          std::string("TRACE   [GetValidProfile] GetValidProfile -1"),
          std::string("TRACE   [MatchProfilesToWorkstation] Computer name: ") + Ansi(ComputerName()),
          std::string("TRACE   [MatchProfilesToWorkstation] bob status:0 c_name:PC1 psw len:6")})
        EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
    EXPECT_EQ(std::string::npos, text.find("32001 ...")) << "a refused buffer is not traced";
    const size_t validLine = text.find("GetValidProfile -1");
    EXPECT_EQ(std::string::npos, text.find("GetValidProfile", validLine + 1)) << "traced once per call";
    EXPECT_EQ(std::string::npos, text.find("s3cr3t")) << text;
}
