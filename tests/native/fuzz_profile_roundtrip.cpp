// Fuzzes parse -> write -> parse of the profile buffer: whatever a buffer yields, the
// writer stores it so that reading it back gives the same table, never needs more than
// the buffer it came from, and writes the same bytes again. The input is also taken
// as the raw memory of a table (fields without terminators included): the writer
// refuses only fields it cannot represent, and what it writes reads back as the
// records with a user name.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "profile_format.h"

using namespace profile_rules;

namespace {
struct Fields {
    std::string c, u, p;
    bool operator==(const Fields& o) const { return c == o.c && u == o.u && p == o.p; }
};

template <class Record>
std::vector<Fields> Profiles(const Record* table, int records)
{
    std::vector<Fields> profiles;
    for (int i = 0; i < records; ++i) {
        const Record& r = table[i];
        if (FieldLength(r.u_name) == 0) continue;
        profiles.push_back({std::string(r.c_name, FieldLength(r.c_name)), std::string(r.u_name, FieldLength(r.u_name)),
                            std::string(r.password, FieldLength(r.password))});
    }
    return profiles;
}

template <class Record>
std::vector<uint8_t> Write(const Record* table, int& result)
{
    static uint8_t out[60000];
    size_t capacity = sizeof out;
    result = parse_profiles_array_to_buffer(table, kMaxProfiles, out, capacity);
    if (result > 0 && size_t(result) != capacity) std::abort();
    if (result <= 0 && capacity != 0) std::abort();  // 60000 bytes always do; -1 only for a field it cannot write
    return std::vector<uint8_t>(out, out + (result > 0 ? result : 0));
}

template <class Record>
void RoundTrip(const uint8_t* data, size_t size, Overlong overlong)
{
    static Record first[kProfileTableRecords], second[kProfileTableRecords];
    const int count = ParseProfilesBufferToArray(data, size, first, overlong);
    int written = 0;
    const std::vector<uint8_t> bytes = Write(first, written);
    if (written < 0) std::abort();  // parsed fields always fit the format
    if (bytes.size() > size) std::abort();  // rewriting never grows a buffer
    const int again = ParseProfilesBufferToArray(bytes.data(), bytes.size(), second, overlong);
    const std::vector<Fields> before = Profiles(first, count), after = Profiles(second, again);
    if (!(before == after) || again != int(after.size())) std::abort();
    // Without holes (records with an empty u_name) the tables are the same record for record.
    if (int(before.size()) == count && std::memcmp(first, second, sizeof first) != 0) std::abort();
    int rewritten = 0;
    if (Write(second, rewritten) != bytes || rewritten != written) std::abort();
}

void TableImage(const uint8_t* data, size_t size)
{
    static AnsiProfile table[kProfileTableRecords], back[kProfileTableRecords];
    std::memset(table, 0, sizeof table);
    std::memcpy(table, data, size < sizeof table ? size : sizeof table);
    int written = 0;
    const std::vector<uint8_t> bytes = Write(table, written);
    const std::vector<Fields> profiles = Profiles(table, kMaxProfiles);
    bool representable = true;
    for (const Fields& f : profiles)
        if (f.c.size() > 255 || f.u.size() > 255 || f.p.size() > 255) representable = false;
    if ((written < 0) == representable) std::abort();
    if (written == 0 && !profiles.empty()) std::abort();
    if (written <= 0 || bytes.size() > kMaxProfileBufferBytes) return;
    const int count = ParseProfilesBufferToArray(bytes.data(), bytes.size(), back);
    std::vector<Fields> expected = profiles;
    for (Fields& f : expected)
        if (f.c.size() >= sizeof table[0].c_name) f.c.clear();  // a c_name of 80 bytes reads back empty
    if (count != int(expected.size()) || !(Profiles(back, count) == expected)) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RoundTrip<AnsiProfile>(data, size, Overlong::EmptyCName);
    RoundTrip<ShortProfile>(data, size, Overlong::LeaveOut);
    TableImage(data, size);
    return 0;
}
