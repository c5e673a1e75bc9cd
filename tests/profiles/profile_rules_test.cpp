// The profile buffer and the table rules on ANSI records with the portable policy.
// Built twice: natively with clang (tests/native) and for Windows under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "profile_format.h"

using namespace profile_rules;

namespace {
typedef std::vector<uint8_t> Bytes;

struct Fields {
    std::string c, u, p;
    bool operator==(const Fields& o) const { return c == o.c && u == o.u && p == o.p; }
};

void PrintTo(const Fields& f, std::ostream* out)
{
    *out << "[" << f.c << "|" << f.u << "|" << f.p.size() << " bytes of password]";
}

std::string Describe(const std::vector<Fields>& profiles)
{
    std::string text;
    for (const Fields& f : profiles)
        text += "[" + f.c + "|" + f.u + "|" + std::to_string(f.p.size()) + " bytes of password] ";
    return text.empty() ? "(none)" : text;
}

Bytes Current(const std::vector<Fields>& profiles)
{
    Bytes bytes{kProfileFormatMark};
    for (const Fields& f : profiles)
        for (const std::string* field : {&f.c, &f.u, &f.p}) {
            bytes.push_back(uint8_t(field->size()));
            bytes.insert(bytes.end(), field->begin(), field->end());
        }
    return bytes;
}

// One record: tag, 16-bit length (high byte first), text.
void Tag(Bytes& bytes, char tag, const std::string& text, size_t length)
{
    bytes.push_back(uint8_t(tag));
    bytes.push_back(uint8_t(length >> 8));
    bytes.push_back(uint8_t(length & 0xFF));
    bytes.insert(bytes.end(), text.begin(), text.end());
}
void Tag(Bytes& bytes, char tag, const std::string& text) { Tag(bytes, tag, text, text.size()); }

Bytes Tagged(const std::vector<Fields>& profiles)
{
    Bytes bytes;
    for (const Fields& f : profiles) {
        Tag(bytes, 'Q', f.c);
        Tag(bytes, 'R', f.u);
        Tag(bytes, 'S', f.p);
    }
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

template <class Record>
std::string Text(const Record& r, const char (Record::*field))
{
    return std::string(&(r.*field));
}

template <class Record>
std::vector<Fields> Contents(const Record* table)
{
    std::vector<Fields> profiles;
    for (int i = 0; i < ProfileCount(table); ++i)
        profiles.push_back({table[i].c_name, table[i].u_name, table[i].password});
    return profiles;
}

std::vector<Fields> Many(int count, const std::string& pad = "")
{
    std::vector<Fields> profiles;
    for (int i = 0; i < count; ++i)
        profiles.push_back({"PC" + std::to_string(i), "user" + std::to_string(i) + pad, "pw" + std::to_string(i)});
    return profiles;
}

template <class Record>
struct Table {
    Record records[kProfileTableRecords];
    Table() { std::memset(records, 0x5A, sizeof records); }  // garbage, as a reused table would be
    int Parse(const Bytes& bytes, Overlong overlong = Overlong::EmptyCName)
    {
        return ParseProfilesBufferToArray(bytes.data(), bytes.size(), records, overlong);
    }
};

struct ParseCase {
    const char* name;
    Bytes bytes;
    int result;
    std::vector<Fields> table;
};

void CheckParse(const ParseCase& c)
{
    Table<AnsiProfile> t;
    EXPECT_EQ(c.result, t.Parse(c.bytes)) << c.name;
    EXPECT_EQ(c.table, Contents(t.records)) << c.name << ": " << Describe(Contents(t.records));
    const int count = ProfileCount(t.records);
    EXPECT_EQ(0, t.records[count].u_name[0]) << c.name << ": the table is ended";
}
}  // namespace

TEST(ProfileBuffer, CurrentFormat)
{
    const std::string name79(79, 'n'), name80(80, 'n'), field255(255, 'f');
    const Bytes one = Current({{"PC1", "alice", "secret"}});
    const ParseCase cases[] = {
        {"empty", {}, 0, {}},
        {"only the mark", {0xFE}, 0, {}},
        {"three empty fields: counted, but the empty u_name ends the table", {0xFE, 0, 0, 0}, 1, {}},
        {"one profile", one, 1, {{"PC1", "alice", "secret"}}},
        {"domain and any-computer profiles",
         Current({{"\\\\SALES", "bob", "b"}, {"", "carol", ""}}),
         2,
         {{"\\\\SALES", "bob", "b"}, {"", "carol", ""}}},
        {"damaged second profile keeps the first", one + Bytes{3, 'P', 'C', '2', 9, 'x'}, 1,
         {{"PC1", "alice", "secret"}}},
        {"a stray byte after the last profile", one + Bytes{7}, 1, {{"PC1", "alice", "secret"}}},
        {"password running past the end", Bytes{0xFE, 1, 'a', 1, 'b', 2, 'c'}, 0, {}},
        {"a c_name of 79 bytes is stored", Current({{name79, "u", "p"}}), 1, {{name79, "u", "p"}}},
        {"a c_name of 80 bytes is stored empty and counted", Current({{name80, "u", "p"}, {"PC", "v", "q"}}), 2,
         {{"", "u", "p"}, {"PC", "v", "q"}}},
        {"255-byte user name and password", Current({{"PC", field255, field255}}), 1, {{"PC", field255, field255}}},
        {"a zero byte ends a field's text", Bytes{0xFE, 3, 'P', 0, 'C', 2, 'u', 0, 1, 'p'}, 1, {{"P", "u", "p"}}},
        {"empty u_name in the middle ends the table but counts", Current({{"A", "a", "1"}, {"B", "", "2"}, {"C", "c", "3"}}),
         3, {{"A", "a", "1"}}},
        {"mark followed by a tagged profile reads neither", Bytes{0xFE} + Tagged({{"PC", "u", "p"}}), 0, {}},
    };
    for (const ParseCase& c : cases) CheckParse(c);
}

TEST(ProfileBuffer, StoresAtMost64ButCountsAll)
{
    for (int count : {63, 64, 65, 70, 200}) {
        Table<AnsiProfile> t;
        EXPECT_EQ(count < 64 ? count : 64, t.Parse(Current(Many(count)))) << count;
        const std::vector<Fields> stored = Contents(t.records);
        const std::vector<Fields> expected = Many(count < 64 ? count : 64);
        EXPECT_EQ(expected, stored) << count << ": " << stored.size() << " stored";
        EXPECT_EQ(0, t.records[count < 64 ? count : 64].u_name[0]) << count;
    }
}

TEST(ProfileBuffer, RefusesMoreThan32000BytesEvenWithAValidStart)
{
    // 62 profiles of 3 + 255 + 255 bytes and one of 3 + 190 fill 32000 bytes exactly.
    std::vector<Fields> profiles(62, Fields{"", std::string(255, 'u'), std::string(255, 'p')});
    profiles.push_back({"", std::string(190, 'v'), ""});
    const Bytes full = Current(profiles);
    ASSERT_EQ(32000u, full.size());

    const struct {
        size_t length;
        int result;
    } cases[] = {{32000, int(profiles.size())}, {32001, 0}, {40000, 0}};
    for (const auto& c : cases) {
        Bytes bytes = full;
        bytes.resize(c.length, 'z');
        Table<AnsiProfile> t;
        EXPECT_EQ(c.result, t.Parse(bytes)) << c.length << " bytes";
    }
}

TEST(ProfileBuffer, TaggedFormat)
{
    const std::string c45(45, 'c'), u45(45, 'u'), p20(20, 'p');
    const Bytes one = Tagged({{"PC1", "alice", "pw"}});
    Bytes skipped;
    Tag(skipped, 'Q', "PC");
    Tag(skipped, 'S', "skipped");
    Tag(skipped, 'R', "bob");
    Tag(skipped, 'S', "pw");
    Bytes pastEnd = Tagged({{"A", "a", "1"}});
    Tag(pastEnd, 'Q', "B");
    Tag(pastEnd, 'R', "b");
    Tag(pastEnd, 'S', "xy", 9);
    Bytes tagAtEnd = Tagged({{"A", "a", "1"}});
    Tag(tagAtEnd, 'Q', "B");
    Tag(tagAtEnd, 'R', "b");
    tagAtEnd.push_back('S');
    Bytes tooLong = one, tooLongPassword = one;
    Tag(tooLong, 'Q', std::string(46, 'c'));
    Tag(tooLong, 'R', "u");
    Tag(tooLong, 'S', "p");
    Tag(tooLongPassword, 'Q', "c");
    Tag(tooLongPassword, 'R', "u");
    Tag(tooLongPassword, 'S', std::string(21, 'p'));
    Bytes zeroInText;
    Tag(zeroInText, 'Q', std::string("P\0C", 3));
    Tag(zeroInText, 'R', "u");
    Tag(zeroInText, 'S', "p");

    const ParseCase cases[] = {
        {"one profile", one, 1, {{"PC1", "alice", "pw"}}},
        {"two profiles", Tagged({{"A", "a", "1"}, {"\\\\DOM", "b", "2"}}), 2, {{"A", "a", "1"}, {"\\\\DOM", "b", "2"}}},
        {"limits 45/45/20 are read", Tagged({{c45, u45, p20}}), 1, {{c45, u45, p20}}},
        {"other tags on the way are skipped", skipped, 1, {{"PC", "bob", "pw"}}},
        {"a stray byte ends the profiles", one + Bytes{'X'} + Tagged({{"B", "b", "2"}}), 1, {{"PC1", "alice", "pw"}}},
        {"a c_name over 45 bytes ends them", tooLong, 1, {{"PC1", "alice", "pw"}}},
        {"a password over 20 bytes ends them", tooLongPassword, 1, {{"PC1", "alice", "pw"}}},
        {"a record running past the end keeps its text", pastEnd, 2, {{"A", "a", "1"}, {"B", "b", "xy"}}},
        {"a tag at the very end reads a zero length", tagAtEnd, 2, {{"A", "a", "1"}, {"B", "b", ""}}},
        {"a profile without its password is not counted", Bytes(one.begin(), one.end() - 5), 0, {}},
        {"a zero byte ends a text", zeroInText, 1, {{"P", "u", "p"}}},
        {"mark alone with tagged content after is not tagged", Bytes{0xFE} + one, 0, {}},
    };
    for (const ParseCase& c : cases) CheckParse(c);

    Table<AnsiProfile> t;
    EXPECT_EQ(64, t.Parse(Tagged(Many(70))));
    EXPECT_EQ(Many(64), Contents(t.records));
    for (int i = 0; i < 64; ++i) EXPECT_EQ(0u, t.records[i].status) << i;
}

TEST(ProfileBuffer, ShortRecordLeavesOutWhatItCannotHold)
{
    const std::string c49(49, 'c'), c50(50, 'c'), p23(23, 'p'), p24(24, 'p');
    const struct {
        const char* name;
        Bytes bytes;
        int result;
        std::vector<Fields> table;
    } cases[] = {
        {"fits exactly", Current({{c49, c49, p23}}), 1, {{c49, c49, p23}}},
        {"c_name too long", Current({{c50, "u", "p"}, {"PC", "v", "q"}}), 1, {{"PC", "v", "q"}}},
        {"u_name too long", Current({{"PC", c50, "p"}, {"PC", "v", "q"}}), 1, {{"PC", "v", "q"}}},
        {"password too long", Current({{"PC", "u", p24}, {"PC", "v", "q"}}), 1, {{"PC", "v", "q"}}},
        {"nothing fits", Current({{"PC", "u", p24}}), 0, {}},
        {"tagged limits always fit",
         Tagged({{std::string(45, 'c'), std::string(45, 'u'), std::string(20, 'p')}}),
         1,
         {{std::string(45, 'c'), std::string(45, 'u'), std::string(20, 'p')}}},
    };
    for (const auto& c : cases) {
        Table<ShortProfile> t;
        EXPECT_EQ(c.result, t.Parse(c.bytes, Overlong::LeaveOut)) << c.name;
        EXPECT_EQ(c.table, Contents(t.records)) << c.name << ": " << Describe(Contents(t.records));
    }
    // Left-out profiles do not count towards the 64.
    std::vector<Fields> profiles = Many(70);
    for (int i = 0; i < 10; ++i) profiles[i].p = p24;
    Table<ShortProfile> t;
    EXPECT_EQ(60, t.Parse(Current(profiles), Overlong::LeaveOut));
    EXPECT_EQ(std::vector<Fields>(profiles.begin() + 10, profiles.end()), Contents(t.records));
}

namespace {
template <class Record>
Table<Record> Filled(const std::vector<Fields>& profiles)
{
    Table<Record> t;
    std::memset(t.records, 0, sizeof t.records);
    for (const Fields& f : profiles)
        EXPECT_GT(addProfile(t.records, f.u.c_str(), f.c.c_str(), f.p.c_str()), 0) << f.u;
    return t;
}
}  // namespace

TEST(ProfileWriter, WritesTheCurrentFormat)
{
    const std::string f255(255, 'f');
    const struct {
        const char* name;
        std::vector<Fields> profiles;
        Bytes bytes;
    } cases[] = {
        {"one", {{"PC1", "alice", "secret"}}, Current({{"PC1", "alice", "secret"}})},
        {"empty c_name and password", {{"", "bob", ""}}, Bytes{0xFE, 0, 3, 'b', 'o', 'b', 0}},
        {"domain", {{"\\\\SALES", "c", "p"}}, Current({{"\\\\SALES", "c", "p"}})},
        {"255-byte fields", {{"PC", f255, f255}}, Current({{"PC", f255, f255}})},
    };
    for (const auto& c : cases) {
        const Table<AnsiProfile> t = Filled<AnsiProfile>(c.profiles);
        Bytes out(c.bytes.size() + 8, 0xCC);
        size_t capacity = out.size();
        EXPECT_EQ(int(c.bytes.size()), parse_profiles_array_to_buffer(t.records, 64, out.data(), capacity)) << c.name;
        EXPECT_EQ(c.bytes.size(), capacity) << c.name;
        EXPECT_EQ(c.bytes, Bytes(out.begin(), out.begin() + c.bytes.size())) << c.name;
        EXPECT_EQ(Bytes(8, 0xCC), Bytes(out.end() - 8, out.end())) << c.name << ": nothing after the profiles";
    }
}

TEST(ProfileWriter, TooSmallEmptyAndRefusedTables)
{
    const Table<AnsiProfile> one = Filled<AnsiProfile>({{"PC1", "alice", "secret"}});
    const size_t size = Current({{"PC1", "alice", "secret"}}).size();
    const Table<AnsiProfile> empty = Filled<AnsiProfile>({});
    Table<AnsiProfile> unwritable = Filled<AnsiProfile>({{"PC", "u", "p"}});
    std::memset(unwritable.records[0].password, 'p', 256);  // 256 bytes: no length byte holds it

    const struct {
        const char* name;
        const AnsiProfile* table;
        int records;
        size_t capacity;
        int result;
        size_t capacityAfter;
    } cases[] = {
        {"exact capacity", one.records, 64, size, int(size), size},
        {"one byte short: -1 and the size needed", one.records, 64, size - 1, -1, size},
        {"capacity 1", one.records, 64, 1, -1, size},
        {"capacity 0", one.records, 64, 0, -1, 0},
        {"no records looked at", one.records, 0, 100, 0, 0},
        {"empty table", empty.records, 64, 100, 0, 0},
        {"a field over 255 bytes", unwritable.records, 64, 1000, -1, 0},
        {"no table", nullptr, 64, 100, -1, 100},
    };
    for (const auto& c : cases) {
        Bytes out(1000, 0xCC);
        size_t capacity = c.capacity;
        EXPECT_EQ(c.result, parse_profiles_array_to_buffer(c.table, c.records, out.data(), capacity)) << c.name;
        EXPECT_EQ(c.capacityAfter, capacity) << c.name;
        for (size_t i = std::max<size_t>(c.capacity, 1); i < out.size(); ++i)
            ASSERT_EQ(0xCC, out[i]) << c.name << ": byte " << i << " beyond the capacity";
    }
}

TEST(ProfileWriter, SixtyFourFullProfilesDoNotFitAReader)
{
    // The panel's record holds a c_name of 79 bytes; a record with room for 255 shows the
    // largest buffer the format allows, 1 + 64 x 3 x 256 bytes.
    const auto check = [](auto& table, size_t cName, size_t needed) {
        std::memset(table, 0, sizeof table);
        for (auto& record : table) {
            std::memset(record.c_name, 'c', cName);
            std::memset(record.u_name, 'u', 255);
            std::memset(record.password, 'p', 255);
        }
        table[64].u_name[0] = 0;
        Bytes out(kMaxProfileBufferBytes, 0xCC);
        size_t capacity = out.size();
        EXPECT_EQ(-1, parse_profiles_array_to_buffer(table, 64, out.data(), capacity)) << cName;
        EXPECT_EQ(needed, capacity) << cName;
        out.resize(capacity);  // the size it asked for
        EXPECT_EQ(int(needed), parse_profiles_array_to_buffer(table, 64, out.data(), capacity)) << cName;
        EXPECT_EQ(needed, capacity) << cName;
    };
    static AnsiProfile panel[kProfileTableRecords];
    check(panel, 79, 1 + 64 * (80 + 256 + 256));
    static BasicProfile<char, 256, 257, 257> roomy[kProfileTableRecords];
    check(roomy, 255, 49153);
}

TEST(ProfileWriter, SkipsRecordsWithoutUserNameAndLooksOnlyAtTheGivenRecords)
{
    Table<AnsiProfile> t = Filled<AnsiProfile>({{"A", "a", "1"}, {"B", "b", "2"}, {"C", "c", "3"}});
    t.records[1].u_name[0] = 0;
    const struct {
        int records;
        Bytes bytes;
    } cases[] = {
        {64, Current({{"A", "a", "1"}, {"C", "c", "3"}})},
        {2, Current({{"A", "a", "1"}})},
        {1000, Current({{"A", "a", "1"}, {"C", "c", "3"}})},  // never past the table's 65 records
    };
    for (const auto& c : cases) {
        Bytes out(100);
        size_t capacity = out.size();
        EXPECT_EQ(int(c.bytes.size()), parse_profiles_array_to_buffer(t.records, c.records, out.data(), capacity))
            << c.records;
        out.resize(capacity);
        EXPECT_EQ(c.bytes, out) << c.records;
    }
}

TEST(ProfileWriter, RoundTrip)
{
    const std::vector<std::vector<Fields>> tables = {
        {{"PC1", "alice", "secret"}},
        {{"", "any", ""}, {"\\\\SALES", "bob", "p w"}, {std::string(79, 'c'), std::string(255, 'u'), "\xE4\xF6"}},
        Many(64),
    };
    for (const auto& profiles : tables) {
        const Table<AnsiProfile> t = Filled<AnsiProfile>(profiles);
        Bytes out(40000);
        size_t capacity = out.size();
        ASSERT_GT(parse_profiles_array_to_buffer(t.records, 64, out.data(), capacity), 0) << Describe(profiles);
        out.resize(capacity);
        Table<AnsiProfile> back;
        EXPECT_EQ(int(profiles.size()), back.Parse(out));
        EXPECT_EQ(profiles, Contents(back.records)) << Describe(Contents(back.records));
    }
}

TEST(ProfileTable, FindProfile)
{
    const Table<AnsiProfile> t =
        Filled<AnsiProfile>({{"PC1", "alice", "1"}, {"PC2", "Alice", "2"}, {"\\\\SALES", "bob", "3"}, {"", "carol", "4"}});
    const struct {
        const char* c;
        const char* u;
        int index;
    } cases[] = {
        {nullptr, nullptr, 4}, {"pc2", nullptr, 1},    {nullptr, "ALICE", 0}, {"PC2", "alice", 1},
        {"\\\\sales", nullptr, 2}, {"PC1", "bob", -1}, {nullptr, "dave", -1},  {"", nullptr, 3},
        {"", "", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.index, findProfile(t.records, c.c, c.u))
            << (c.c ? c.c : "(none)") << " / " << (c.u ? c.u : "(none)");

    // The walk ends at the first empty u_name and after 64 records.
    Table<AnsiProfile> holed = Filled<AnsiProfile>({{"A", "a", ""}, {"B", "b", ""}});
    holed.records[0].u_name[0] = 0;
    EXPECT_EQ(-1, findProfile(holed.records, nullptr, "b"));
    EXPECT_EQ(0, findProfile(holed.records, nullptr, nullptr));
    Table<AnsiProfile> full = Filled<AnsiProfile>(Many(64));
    std::strcpy(full.records[64].u_name, "beyond");  // no terminator record
    EXPECT_EQ(64, findProfile(full.records, nullptr, nullptr));
    EXPECT_EQ(-1, findProfile(full.records, nullptr, "beyond"));
}

TEST(ProfileTable, AddProfile)
{
    Table<AnsiProfile> t;
    std::memset(t.records, 0, sizeof t.records);
    EXPECT_EQ(1, addProfile(t.records, "alice", nullptr, nullptr));
    EXPECT_EQ((Fields{"", "alice", ""}), Contents(t.records)[0]);
    std::memset(&t.records[1], 'x', sizeof t.records[1]);  // garbage in the record that ends the table
    t.records[1].u_name[0] = 0;
    EXPECT_EQ(2, addProfile(t.records, "bob", "\\\\SALES", "pw"));
    EXPECT_EQ((Fields{"\\\\SALES", "bob", "pw"}), Contents(t.records)[1]);
    EXPECT_EQ(0, t.records[2].u_name[0]);
    EXPECT_EQ(0u, t.records[1].status);
    for (int n = 3; n <= 64; ++n) ASSERT_EQ(n, addProfile(t.records, "u", "c", "p"));
    EXPECT_EQ(-1, addProfile(t.records, "one", "too", "many"));
    EXPECT_EQ(64, findProfile(t.records, nullptr, nullptr));
    EXPECT_EQ(0, t.records[64].u_name[0]);

    Table<ShortProfile> s;
    std::memset(s.records, 0, sizeof s.records);
    const std::string longName(80, 'n');
    EXPECT_EQ(1, addProfile(s.records, longName.c_str(), longName.c_str(), longName.c_str()));
    EXPECT_EQ(longName.substr(0, 49), s.records[0].u_name);
    EXPECT_EQ(longName.substr(0, 23), s.records[0].password);
}

TEST(ProfileTable, GetValidProfile)
{
    const struct {
        const char* name;
        std::vector<uint32_t> statuses;
        int index;
    } cases[] = {
        {"no profile", {}, -1},
        {"one profile, status 0 (another computer)", {0}, 0},
        {"one profile, status 2", {2}, 0},
        {"only the second usable", {0, 1, 0}, 1},
        {"only a domain profile usable", {0, 0, 2}, 2},
        {"two usable", {1, 1}, -1},
        {"local and domain usable", {1, 0, 2}, -1},
        {"none usable", {0, 0}, -1},
    };
    for (const auto& c : cases) {
        Table<AnsiProfile> t = Filled<AnsiProfile>(Many(int(c.statuses.size())));
        for (size_t i = 0; i < c.statuses.size(); ++i) t.records[i].status = c.statuses[i];
        EXPECT_EQ(c.index, GetValidProfile(t.records)) << c.name;
    }
}

TEST(ProfileTable, MatchProfilesToWorkstation)
{
    const struct {
        const char* name;
        std::vector<Fields> profiles;
        std::vector<std::string> users;
        int usable;
        std::vector<uint32_t> statuses;
        int valid;
    } cases[] = {
        {"one profile for another computer is still the one", {{"OTHER", "alice", ""}}, {"alice"}, 1, {0}, 0},
        {"two profiles for this computer: a choice", {{"WS1", "alice", ""}, {"ws1", "bob", ""}}, {"alice", "bob"}, 2,
         {1, 1}, -1},
        {"empty c_name matches every computer", {{"", "alice", ""}, {"OTHER", "bob", ""}}, {"alice", "bob"}, 1, {1, 0},
         0},
        {"a domain profile is always usable", {{"\\\\SALES", "nobody", ""}, {"OTHER", "bob", ""}}, {"alice"}, 1, {2, 0},
         0},
        {"no user list: every profile for this computer", {{"WS1", "x", ""}, {"", "y", ""}, {"OTHER", "z", ""}}, {}, 2,
         {1, 1, 0}, -1},
        {"the user list picks the local account", {{"WS1", "alice", ""}, {"WS1", "ghost", ""}}, {"ALICE"}, 1, {1, 0},
         0},
        {"nobody listed: this computer's profiles count", {{"WS1", "ghost", ""}, {"", "spook", ""}, {"X", "y", ""}},
         {"alice"}, 2, {1, 1, 0}, -1},
        {"a listed domain user counts once as domain", {{"\\\\SALES", "alice", ""}, {"WS1", "alice", ""}}, {"alice"},
         2, {2, 1}, -1},
        {"nothing for this computer", {{"OTHER", "a", ""}, {"ELSE", "b", ""}}, {}, 0, {0, 0}, -1},
    };
    for (const auto& c : cases) {
        Table<AnsiProfile> table = Filled<AnsiProfile>(c.profiles);
        for (int i = 0; i < kProfileTableRecords; ++i) table.records[i].status = 7;
        std::vector<Fields> userFields;
        for (const std::string& u : c.users) userFields.push_back({"", u, ""});
        Table<AnsiProfile> users = Filled<AnsiProfile>(userFields);
        EXPECT_EQ(c.usable, MatchProfilesToWorkstation(table.records, users.records, "ws1")) << c.name;
        std::vector<uint32_t> statuses;
        for (size_t i = 0; i < c.profiles.size(); ++i) statuses.push_back(table.records[i].status);
        if (c.profiles.size() == 1)
            EXPECT_EQ(7u, statuses[0]) << c.name << ": the only profile keeps its status";
        else
            EXPECT_EQ(c.statuses, statuses) << c.name;
        EXPECT_EQ(c.valid, GetValidProfile(table.records)) << c.name;
    }

    Table<AnsiProfile> table = Filled<AnsiProfile>({{"WS1", "a", ""}, {"WS1", "b", ""}});
    EXPECT_EQ(0, MatchProfilesToWorkstation(table.records, static_cast<const AnsiProfile*>(nullptr), "ws1"));
    EXPECT_EQ(0, MatchProfilesToWorkstation(static_cast<AnsiProfile*>(nullptr), table.records, "ws1"));
}

TEST(ProfileTable, DomainProfiles)
{
    const struct {
        const char* c_name;
        bool domain;
        const char* name;
    } cases[] = {
        {"\\\\SALES", true, "SALES"}, {"\\\\", true, ""},   {"\\SALES", false, ""},
        {"SALES", false, ""},         {"", false, ""},      {"\\\\a\\b", true, "a\\b"},
    };
    for (const auto& c : cases) {
        AnsiProfile p = {};
        std::strcpy(p.c_name, c.c_name);
        EXPECT_EQ(c.domain, IsDomainProfile(p)) << c.c_name;
        char name[80];
        ProfileDomainName(p, name, sizeof name);
        EXPECT_STREQ(c.name, name) << c.c_name;
    }
    AnsiProfile full;
    std::memset(&full, 'x', sizeof full);  // no terminator anywhere
    full.c_name[0] = full.c_name[1] = '\\';
    char name[100];
    ProfileDomainName(full, name, sizeof name);
    EXPECT_EQ(std::string(78, 'x'), name);
    char small[5];
    ProfileDomainName(full, small, sizeof small);
    EXPECT_STREQ("xxxx", small);
}
