// Fuzzes the profile buffer parser (both formats) and the table rules run on what it
// stores: no crash, no overflow, every stored text terminated inside its field, the
// counts as the format defines them. An input starting with 0xFF is also stretched (the
// next two bytes give a length up to 33000, the rest repeats), which reaches the
// 32000-byte limit and tagged records at the very end of a full buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "profile_format.h"

using namespace profile_rules;

namespace {
// Profiles in a current-format buffer, counted the simple way; -1 when it is not one.
int CurrentFormatCount(const uint8_t* data, size_t size)
{
    if (size < 2 || data[0] != kProfileFormatMark) return -1;
    size_t position = 1;
    int count = 0;
    while (position < size) {
        size_t p = position;
        for (int field = 0; field < 3; ++field) {
            if (p >= size) return count;
            p += 1 + data[p];
            if (p > size) return count;
        }
        position = p;
        ++count;
    }
    return count;
}

template <class Record, size_t N>
void CheckField(const char (&field)[N], size_t limit)
{
    const size_t length = FieldLength(field);
    if (length >= N || length > limit) std::abort();
}

template <class Record>
void CheckTable(const Record* table, int result, bool tagged)
{
    if (result < 0 || result > kMaxProfiles) std::abort();
    if (table[result].u_name[0] != 0) std::abort();  // the record after the last stored
    if (ProfileCount(table) > result) std::abort();
    for (int i = 0; i < kProfileTableRecords; ++i) {
        const Record& r = table[i];
        CheckField<Record>(r.c_name, tagged ? kTaggedCNameMax : 255);
        CheckField<Record>(r.u_name, tagged ? kTaggedUNameMax : 255);
        CheckField<Record>(r.password, tagged ? kTaggedPasswordMax : 255);
        if (r.status != 0) std::abort();
        if (i >= result && (r.c_name[0] || r.u_name[0] || r.password[0])) std::abort();  // cleared
    }
}

template <class Record>
void Rules(Record* table, const Record* users, const char* computer)
{
    const int count = findProfile(table, nullptr, nullptr);
    if (count != ProfileCount(table)) std::abort();
    // A few profiles only: every one would make the check quadratic.
    for (int i : {0, count / 2, count - 1}) {
        if (i < 0 || i >= count) continue;
        const int byUser = findProfile(table, nullptr, table[i].u_name);
        const int byBoth = findProfile(table, table[i].c_name, table[i].u_name);
        if (byUser < 0 || byUser > i || byBoth < 0 || byBoth > i) std::abort();
        char domain[80];
        ProfileDomainName(table[i], domain, sizeof domain);
        if (!IsDomainProfile(table[i]) && domain[0]) std::abort();
    }
    const int usable = MatchProfilesToWorkstation(table, users, computer);
    if (usable < 0 || usable > 2 * count) std::abort();
    const int valid = GetValidProfile(table);
    if (valid < -1 || valid >= count || (count == 1 && valid != 0)) std::abort();
    for (int i = 0; i < count && count > 1; ++i)
        if (table[i].status > 2) std::abort();
}

void Check(const uint8_t* data, size_t size)
{
    static AnsiProfile table[kProfileTableRecords], users[kProfileTableRecords];
    static ShortProfile shortTable[kProfileTableRecords], shortUsers[kProfileTableRecords];
    std::memset(table, 0xA5, sizeof table);  // a reused table
    const int result = ParseProfilesBufferToArray(data, size, table);
    const int reference = size > kMaxProfileBufferBytes ? 0 : CurrentFormatCount(data, size);
    if (size > kMaxProfileBufferBytes && result != 0) std::abort();
    if (reference > 0 && result != (reference > kMaxProfiles ? kMaxProfiles : reference)) std::abort();
    if (reference == 0 && result != 0) std::abort();  // a mark is no tag
    CheckTable(table, result, reference < 0);

    const int shortResult = ParseProfilesBufferToArray(data, size, shortTable, Overlong::LeaveOut);
    if (shortResult > result && reference > 0) std::abort();
    CheckTable(shortTable, shortResult, reference < 0);

    // The same bytes as the user list and, from their middle, the computer name.
    ParseProfilesBufferToArray(data + size / 2, size - size / 2, users);
    ParseProfilesBufferToArray(data + size / 2, size - size / 2, shortUsers, Overlong::LeaveOut);
    char computer[16] = {};
    if (size) std::memcpy(computer, data + size / 2, size - size / 2 < 15 ? size - size / 2 : 15);
    Rules(table, users, computer);
    Rules(shortTable, shortUsers, computer);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check(data, size);
    // Stretching costs a 33000-byte parse, so only inputs that ask for it (first byte
    // 0xFF) get it; the corpus keeps those that reach new code.
    if (size < 3 || data[0] != 0xFF) return 0;
    static uint8_t stretched[33000];
    const size_t length = (size_t(data[1]) << 8 | data[2]) % (sizeof stretched + 1);
    const size_t pattern = size - 3 < length ? size - 3 : length;
    if (pattern == 0) return Check(stretched, 0), 0;
    std::memcpy(stretched, data + 3, pattern);
    for (size_t done = pattern; done < length; done *= 2)
        std::memcpy(stretched + done, stretched, done < length - done ? done : length - done);
    Check(stretched, length);
    return 0;
}
