// The profile buffer on the key and the rules of the profile table, for every record
// type: the GINA's UTF-16 record, the panel's ANSI record and the 9x providers' short
// record. Portable, no Windows headers. Field bytes are system-code-page text; a policy
// class supplies the conversions, the case-insensitive comparison and the trace hooks.
// AsciiPolicy, the portable default, keeps char text as it is and folds ASCII letters
// only; the Windows layer (profile_store.h) converts with the code page, compares with
// CompareString like lstrcmpi (so non-ASCII letters fold too) and writes the log.
//
// Every table is an array of kProfileTableRecords records.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

const int kMaxProfiles = 64;
const int kProfileTableRecords = kMaxProfiles + 1;  // the last one ends a full table
const size_t kMaxProfileBufferBytes = 32000;        // a longer buffer is refused whole
const uint8_t kProfileFormatMark = 0xFE;
const size_t kMaxProfileFieldBytes = 255;           // one length byte

const uint8_t kTagCName = 'Q', kTagUName = 'R', kTagPassword = 'S';
const size_t kTaggedCNameMax = 45, kTaggedUNameMax = 45, kTaggedPasswordMax = 20;

// A record of any character type and sizes (the ANSI records of the portable code).
template <class Char, size_t CName, size_t UName, size_t Password>
struct BasicProfile {
    Char c_name[CName];
    Char u_name[UName];
    Char password[Password];
    uint32_t status;
};
typedef BasicProfile<char, 80, 257, 257> AnsiProfile;  // the panel's record
typedef BasicProfile<char, 50, 50, 24> ShortProfile;   // the 9x providers' record

// One field of a profile in the buffer: `length` bytes at `bytes`. Tagged fields that
// run past the buffer's end are cut there (the rest would be zeros).
struct ProfileFieldBytes {
    const uint8_t* bytes;
    size_t length;
};
struct ProfileBytes {
    ProfileFieldBytes c_name, u_name, password;
};

// The complete profiles of a current-format buffer (the mark at 0), in order. Stops at
// the end or at the first field that would run past it.
class CurrentFormatReader {
public:
    CurrentFormatReader(const uint8_t* buffer, size_t length) : buffer_(buffer), length_(length) {}
    bool Next(ProfileBytes& profile);

private:
    bool Field(size_t& position, ProfileFieldBytes& field) const;
    const uint8_t* buffer_;
    size_t length_;
    size_t position_ = 1;
};

// The profiles of a tagged buffer: for each, the next 'Q', then the next 'R', then the
// next 'S' record, skipping other tags on the way. A byte that is no tag or a length
// above its tag's limit ends the profiles. Bytes past the end read as zeros, as in a
// zero-filled work area one byte longer than the largest buffer: a record running past
// the end keeps the text before it, and the zero after the buffer is no tag.
class TaggedFormatReader {
public:
    TaggedFormatReader(const uint8_t* buffer, size_t length) : buffer_(buffer), length_(length) {}
    bool Next(ProfileBytes& profile);

private:
    uint8_t At(size_t index) const { return index < length_ ? buffer_[index] : 0; }
    bool Find(uint8_t tag, ProfileFieldBytes& field);
    const uint8_t* buffer_;
    size_t length_;
    size_t position_ = 0;
};

namespace profile_rules {

template <class Record>
using CharOf = typename std::remove_extent<decltype(Record::c_name)>::type;

const size_t kNoFit = static_cast<size_t>(-1);

// Characters of a record's field, with its terminator.
template <class Record, class Char, size_t N>
constexpr size_t Capacity(Char (Record::*)[N])
{
    return N;
}

// Length of a field up to its first zero, never past its size (a record filled by
// someone else need not be terminated).
template <class Char, size_t N>
size_t FieldLength(const Char (&field)[N])
{
    size_t length = 0;
    while (length < N && field[length]) ++length;
    return length;
}

template <size_t N>
size_t FieldLength(const char (&field)[N])
{
    const void* zero = std::memchr(field, 0, N);
    return zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : N;
}

template <class Char>
size_t TextLength(const Char* text)
{
    size_t length = 0;
    if (text)
        while (text[length]) ++length;
    return length;
}

template <class Char, size_t N>
void CopyText(Char (&field)[N], const Char* text)
{
    size_t length = TextLength(text);
    if (length > N - 1) length = N - 1;
    for (size_t i = 0; i < length; ++i) field[i] = text[i];
    field[length] = 0;
}

struct AsciiPolicy {
    // Text of `length` code-page bytes into `capacity` characters with the terminator;
    // the text ends at a zero byte. False when it would not fit.
    static bool ToText(const uint8_t* bytes, size_t length, char* out, size_t capacity);
    // Code-page bytes of `chars` characters into at most `capacity` bytes; their count,
    // or kNoFit.
    static size_t ToAnsi(const char* text, size_t chars, uint8_t* out, size_t capacity);

    template <class Char>
    static bool Equal(const Char* a, size_t aLength, const Char* b, size_t bLength)
    {
        if (aLength != bLength) return false;
        for (size_t i = 0; i < aLength; ++i)
            if (Fold(a[i]) != Fold(b[i])) return false;
        return true;
    }

    template <class Record>
    static void TaggedProfile(const Record&)
    {
    }
    static void Written(size_t /*position*/) {}
    static void FieldTooLong(int /*record*/, size_t /*bytes*/) {}
    template <class Record>
    static void Matched(const Record&)
    {
    }

private:
    template <class Char>
    static Char Fold(Char c)
    {
        return c >= Char('a') && c <= Char('z') ? Char(c - Char('a') + Char('A')) : c;
    }
};

// What a record does with a current-format field longer than it can hold. The full
// records store such a c_name empty and keep the profile; a record that cannot hold a
// field leaves the profile out instead, because a cut name or password is another
// credential and an emptied c_name would match every computer.
enum class Overlong { EmptyCName, LeaveOut };

template <class Record, class Policy>
bool StoreCurrentProfile(const ProfileBytes& from, Record& to, Overlong overlong)
{
    const bool cNameFits = from.c_name.length < Capacity(&Record::c_name);
    const bool restFits =
        from.u_name.length < Capacity(&Record::u_name) && from.password.length < Capacity(&Record::password);
    if (!restFits || (!cNameFits && overlong == Overlong::LeaveOut)) return false;
    std::memset(&to, 0, sizeof to);
    // A field that still would not convert stays empty. The byte counts above keep that
    // from happening in Windows' code pages: no byte makes more than one UTF-16 unit.
    if (cNameFits && !Policy::ToText(from.c_name.bytes, from.c_name.length, to.c_name, Capacity(&Record::c_name)))
        to.c_name[0] = 0;
    if (!Policy::ToText(from.u_name.bytes, from.u_name.length, to.u_name, Capacity(&Record::u_name))) to.u_name[0] = 0;
    if (!Policy::ToText(from.password.bytes, from.password.length, to.password, Capacity(&Record::password)))
        to.password[0] = 0;
    return true;
}

template <class Record>
bool FitsRecord(const ProfileBytes& from, Overlong overlong)
{
    return from.u_name.length < Capacity(&Record::u_name) && from.password.length < Capacity(&Record::password) &&
           (overlong == Overlong::EmptyCName || from.c_name.length < Capacity(&Record::c_name));
}

// Tagged fields are at most 45/45/20 bytes, which every record holds.
template <class Record, class Policy>
void StoreTaggedProfile(const ProfileBytes& from, Record& to)
{
    std::memset(&to, 0, sizeof to);
    if (!Policy::ToText(from.c_name.bytes, from.c_name.length, to.c_name, Capacity(&Record::c_name))) to.c_name[0] = 0;
    if (!Policy::ToText(from.u_name.bytes, from.u_name.length, to.u_name, Capacity(&Record::u_name))) to.u_name[0] = 0;
    if (!Policy::ToText(from.password.bytes, from.password.length, to.password, Capacity(&Record::password)))
        to.password[0] = 0;
}

// The buffer into the table: the number of profiles stored (0 for no buffer, a refused
// or unreadable one; 64 when it holds more). A current-format buffer that yields no
// profile is read again as tagged. The whole table is cleared first, also for a
// refused buffer, so that no profile of an earlier key stays behind (a writer given 64
// records would carry it onto this key).
template <class Record, class Policy = AsciiPolicy>
int ParseProfilesBufferToArray(const uint8_t* buffer, size_t length, Record* table,
                               Overlong overlong = Overlong::EmptyCName)
{
    if (!table) return 0;
    std::memset(table, 0, sizeof(Record) * kProfileTableRecords);
    if (!buffer || length > kMaxProfileBufferBytes) return 0;
    int count = 0;
    ProfileBytes profile;
    if (length > 1 && buffer[0] == kProfileFormatMark) {
        CurrentFormatReader reader(buffer, length);
        while (reader.Next(profile)) {
            const bool counted = count < kMaxProfiles ? StoreCurrentProfile<Record, Policy>(profile, table[count], overlong)
                                                      : FitsRecord<Record>(profile, overlong);
            if (counted) ++count;
        }
        if (count > kMaxProfiles) return kMaxProfiles;
        if (count > 0) return count;
    }
    TaggedFormatReader reader(buffer, length);
    while (count < kMaxProfiles && reader.Next(profile)) {
        StoreTaggedProfile<Record, Policy>(profile, table[count]);
        Policy::TaggedProfile(table[count]);
        ++count;
    }
    return count;
}

// The table into the current format: the bytes written; -1 when `capacity` is too
// small, which then holds the size needed; 0, with capacity 0, for a table without a
// profile. Looks at `records` records (at most the table's) and writes every one with
// a user name. A field longer than 255 bytes in the code page cannot be written as it
// is: -1 with capacity 0.
template <class Record, class Policy = AsciiPolicy>
int parse_profiles_array_to_buffer(const Record* table, int records, uint8_t* buffer, size_t& capacity)
{
    if (!table || !buffer || capacity == 0) return -1;
    if (records > kProfileTableRecords) records = kProfileTableRecords;
    size_t position = 1;
    bool fits = true;
    uint8_t text[kMaxProfileFieldBytes];
    for (int i = 0; i < records; ++i) {
        const Record& record = table[i];
        if (record.u_name[0] == 0) continue;
        const CharOf<Record>* fields[3] = {record.c_name, record.u_name, record.password};
        const size_t lengths[3] = {FieldLength(record.c_name), FieldLength(record.u_name),
                                   FieldLength(record.password)};
        for (int f = 0; f < 3; ++f) {
            const size_t bytes = lengths[f] ? Policy::ToAnsi(fields[f], lengths[f], text, sizeof text) : 0;
            if (bytes == kNoFit || bytes > kMaxProfileFieldBytes) {
                Policy::FieldTooLong(i, lengths[f]);
                capacity = 0;
                return -1;
            }
            if (fits && position + 1 + bytes <= capacity) {
                buffer[position] = static_cast<uint8_t>(bytes);
                if (bytes) std::memcpy(buffer + position + 1, text, bytes);
            } else {
                fits = false;
            }
            position += 1 + bytes;
        }
    }
    Policy::Written(position);
    if (position < 2) {
        capacity = 0;
        return 0;
    }
    buffer[0] = kProfileFormatMark;
    capacity = position;
    return fits ? static_cast<int>(position) : -1;
}

// findProfile (table, c, u): the count with neither, else the index of the first profile
// whose c_name and/or u_name equal the given ones; -1 when none does.
template <class Record, class Policy = AsciiPolicy>
int findProfile(const Record* table, const CharOf<Record>* computer, const CharOf<Record>* user)
{
    if (!table) return -1;
    const size_t computerLength = TextLength(computer), userLength = TextLength(user);
    int index = 0;
    for (; index < kMaxProfiles; ++index) {
        const Record& r = table[index];
        if (r.u_name[0] == 0) break;
        if (!computer && !user) continue;
        if (computer && !Policy::Equal(r.c_name, FieldLength(r.c_name), computer, computerLength)) continue;
        if (user && !Policy::Equal(r.u_name, FieldLength(r.u_name), user, userLength)) continue;
        return index;
    }
    return !computer && !user ? index : -1;
}

template <class Record>
int ProfileCount(const Record* table)
{
    int count = 0;
    while (table && count < kMaxProfiles && table[count].u_name[0] != 0) ++count;
    return count;
}

// The 1-based position of the new profile, or -1 when the table is full. Texts that
// are absent stay empty; a text longer than its field is cut to it.
template <class Record, class Policy = AsciiPolicy>
int addProfile(Record* table, const CharOf<Record>* user, const CharOf<Record>* computer,
               const CharOf<Record>* password)
{
    if (!table) return -1;
    const int n = ProfileCount(table);
    if (n >= kMaxProfiles) return -1;
    std::memset(&table[n], 0, sizeof(Record));
    if (user) CopyText(table[n].u_name, user);
    if (password) CopyText(table[n].password, password);
    if (computer) CopyText(table[n].c_name, computer);
    table[n + 1].u_name[0] = 0;
    return n + 1;
}

// The one profile to use: the only profile of the table, whatever its status, or the
// only one with a nonzero status; -1 when there is none or more than one.
template <class Record>
int GetValidProfile(const Record* table)
{
    const int count = ProfileCount(table);
    if (count == 1) return 0;
    int found = -1;
    for (int i = 0; i < count; ++i) {
        if (table[i].status == 0) continue;
        if (found >= 0) return -1;
        found = i;
    }
    return found;
}

template <class Record>
bool IsDomainProfile(const Record& profile)
{
    return profile.c_name[0] == CharOf<Record>('\\') && profile.c_name[1] == CharOf<Record>('\\');
}

// The domain of a domain profile into `out` (empty for other profiles); always
// terminated, cut to `capacity`.
template <class Record>
void ProfileDomainName(const Record& profile, CharOf<Record>* out, size_t capacity)
{
    if (!out || capacity == 0) return;
    size_t length = 0;
    if (profile_rules::IsDomainProfile(profile)) {
        const size_t size = sizeof profile.c_name / sizeof profile.c_name[0];
        while (2 + length < size && profile.c_name[2 + length] && length + 1 < capacity) {
            out[length] = profile.c_name[2 + length];
            ++length;
        }
    }
    out[length] = 0;
}

// MatchProfilesToWorkstation with the computer name given: the number of usable
// profiles; sets the status of every profile (1 local, 2 domain, 0 not usable here).
// No table or no user list: 0. A table that already has its one profile: 1, statuses
// untouched. The user list is a table with only u_name filled; an empty one does not
// restrict, and when it leaves nothing usable the profiles for this computer count.
template <class Record, class UserRecord, class Policy = AsciiPolicy>
int MatchProfilesToWorkstation(Record* table, const UserRecord* users, const CharOf<Record>* computerName)
{
    static_assert(std::is_same<CharOf<Record>, CharOf<UserRecord>>::value, "one character type");
    if (!table || !users) return 0;
    if (profile_rules::GetValidProfile(table) >= 0) return 1;
    const int n = ProfileCount(table), m = ProfileCount(users);
    size_t userLengths[kMaxProfiles];
    for (int j = 0; j < m; ++j) userLengths[j] = FieldLength(users[j].u_name);
    const auto listed = [&](const Record& r) {
        const size_t length = FieldLength(r.u_name);
        for (int j = 0; j < m; ++j)
            if (Policy::Equal(users[j].u_name, userLengths[j], r.u_name, length)) return true;
        return m == 0;
    };
    const size_t computerLength = TextLength(computerName);
    const auto forThisComputer = [&](const Record& r) {
        const size_t length = FieldLength(r.c_name);
        return length == 0 || Policy::Equal(r.c_name, length, computerName, computerLength);
    };
    int usable = 0;
    for (int i = 0; i < n; ++i) {
        Record& r = table[i];
        r.status = 0;
        if (listed(r) && forThisComputer(r)) {
            r.status = 1;
            ++usable;
        }
    }
    for (int i = 0; i < n; ++i) {
        if (profile_rules::IsDomainProfile(table[i])) {
            table[i].status = 2;
            ++usable;
        }
        Policy::Matched(table[i]);
    }
    if (usable == 0 && n > 0) {
        for (int i = 0; i < n; ++i) {
            if (forThisComputer(table[i])) {
                table[i].status = 1;
                ++usable;
            }
        }
    }
    return usable;
}

}  // namespace profile_rules
