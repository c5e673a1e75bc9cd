// keyctl profiles, add-profile, remove-profile: the logon profiles on a key (application
// 223) in the product's own buffer format (common/profile_format.h). Passwords are
// never shown, only their length.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "exit_codes.h"
#include "profile_format.h"
#include "report.h"

namespace {
// Room for every field the format carries, so a rewrite keeps what the key holds even
// where the product's records are smaller.
typedef BasicProfile<char, 256, 256, 256> KeyProfile;

const size_t kMaxCName = 79;  // the product's c_name holds 79 bytes

// Names compare as the product compares them.
struct WindowsNames : profile_rules::AsciiPolicy {
    static bool Equal(const char* a, size_t aLength, const char* b, size_t bLength)
    {
        if (aLength == 0 || bLength == 0) return aLength == bLength;
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, int(aLength), b, int(bLength)) == CSTR_EQUAL;
    }
};

struct KeyProfiles {
    std::vector<KeyProfile> records;  // the profiles with a user name, in key order
    int productSees = -1;             // fewer than all: a record without user name ends its table
    bool tagged = false;
    bool moreThan64 = false;
    size_t bytes = 0;
};

int Decode(const std::vector<uint8_t>& data, KeyProfiles& profiles)
{
    profiles.bytes = data.size();
    if (data.empty()) return kExitOk;
    char size[32];
    std::snprintf(size, sizeof size, "%lu bytes", static_cast<unsigned long>(data.size()));
    if (data.size() > kMaxProfileBufferBytes)
        return Fail(kExitBadKey, std::string("the logon data (") + size + ") is longer than the product reads");
    static KeyProfile table[kProfileTableRecords];
    const int count = profile_rules::ParseProfilesBufferToArray(data.data(), data.size(), table);
    if (count == 0)
        return Fail(kExitBadKey,
                    std::string("the logon data on the key (") + size + ") holds no profiles; keyctl write replaces it");
    profiles.tagged = data[0] != kProfileFormatMark;
    int all = 0;
    ProfileBytes unused;
    if (profiles.tagged) {
        for (TaggedFormatReader reader(data.data(), data.size()); all <= kMaxProfiles && reader.Next(unused);) ++all;
    } else {
        for (CurrentFormatReader reader(data.data(), data.size()); reader.Next(unused);) ++all;
    }
    profiles.moreThan64 = all > kMaxProfiles;
    const int seen = profile_rules::ProfileCount(table);
    for (int i = 0; i < count; ++i) {
        if (table[i].u_name[0] == 0) continue;
        if (i >= seen && profiles.productSees < 0) profiles.productSees = int(profiles.records.size());
        profiles.records.push_back(table[i]);
    }
    return kExitOk;
}

int Encode(const std::vector<KeyProfile>& records, std::vector<uint8_t>& data)
{
    static KeyProfile table[kProfileTableRecords];
    std::memset(table, 0, sizeof table);
    for (size_t i = 0; i < records.size() && i < size_t(kMaxProfiles); ++i) table[i] = records[i];
    size_t capacity = 1 + kMaxProfiles * 3 * 256;  // the largest buffer the format allows
    data.assign(capacity, 0);
    const int written = profile_rules::parse_profiles_array_to_buffer(table, kMaxProfiles, data.data(), capacity);
    if (written < 0) return Fail(kExitKeyApiError, "the profiles cannot be written");
    data.resize(size_t(written));  // an empty table is no buffer at all
    if (data.size() > kMaxProfileBufferBytes) {
        char text[120];
        std::snprintf(text, sizeof text, "the profiles would take %lu bytes, more than the %lu the product reads",
                      static_cast<unsigned long>(data.size()), static_cast<unsigned long>(kMaxProfileBufferBytes));
        return Fail(kExitNoSpace, text);
    }
    return kExitOk;
}

int Load(const Arguments& args, KeySession& session, KeyProfiles& profiles)
{
    if (const int code = session.Open(args.Positional()[0], KEYAPI_APP_LOGON, false)) return code;
    if (const int code = session.Verify(args.Value("pin"))) return code;
    std::vector<uint8_t> data;
    if (const int code = ReadKeyData(session, KEYAPI_APP_LOGON, data)) return code;
    return Decode(data, profiles);
}

int Store(const KeySession& session, const std::vector<KeyProfile>& records, size_t& bytes)
{
    std::vector<uint8_t> data;
    if (const int code = Encode(records, data)) return code;
    bytes = data.size();
    return ReplaceKeyData(session, KEYAPI_APP_LOGON, data);
}

std::string Where(const KeyProfile& profile)
{
    const std::string name = profile.c_name;
    if (name.empty()) return "(any computer)";
    if (name.size() > kMaxCName) return name + " (too long: the product takes it for any computer)";
    return name;
}

std::string Describe(const KeyProfile& profile) { return std::string(profile.u_name) + " on " + Where(profile); }
}  // namespace

int ListProfiles(const Arguments& args)
{
    KeySession session;
    KeyProfiles profiles;
    if (const int code = Load(args, session, profiles)) return code;
    const size_t count = profiles.records.size();
    if (count == 0) {
        std::printf("no profiles on the key\n");
        return kExitOk;
    }
    std::printf("%lu profile%s on the key (%s format, %lu bytes):\n", static_cast<unsigned long>(count),
                count == 1 ? "" : "s", profiles.tagged ? "tagged" : "current", static_cast<unsigned long>(profiles.bytes));
    for (size_t i = 0; i < count; ++i) {
        const KeyProfile& profile = profiles.records[i];
        std::printf("%3lu  %-24s %-24s password length %lu\n", static_cast<unsigned long>(i + 1), Where(profile).c_str(),
                    profile.u_name, static_cast<unsigned long>(std::strlen(profile.password)));
    }
    if (profiles.productSees >= 0)
        std::printf("note: the product reads profiles 1 to %d only (a profile without user name ends its table)\n",
                    profiles.productSees);
    if (profiles.moreThan64) std::printf("note: the key holds more than 64 profiles; the product reads the first 64\n");
    return kExitOk;
}

int AddProfile(const Arguments& args)
{
    const std::string& computer = args.Positional()[1];
    const std::string& user = args.Positional()[2];
    const std::string& password = args.Positional()[3];
    if (user.empty()) return Fail(kExitUsage, "a profile needs a user name");
    if (computer.size() > kMaxCName) return Fail(kExitUsage, "COMPUTER-OR-\\\\DOMAIN takes at most 79 bytes");
    if (user.size() > kMaxProfileFieldBytes || password.size() > kMaxProfileFieldBytes)
        return Fail(kExitUsage, "USER and PASSWORD take at most 255 bytes each");

    KeySession session;
    KeyProfiles profiles;
    if (const int code = Load(args, session, profiles)) return code;
    if (profiles.moreThan64 || profiles.records.size() >= size_t(kMaxProfiles))
        return Fail(kExitNoSpace, "the key holds 64 profiles already, the most the product reads");
    static KeyProfile table[kProfileTableRecords];
    std::memset(table, 0, sizeof table);
    for (size_t i = 0; i < profiles.records.size(); ++i) table[i] = profiles.records[i];
    if (profile_rules::findProfile<KeyProfile, WindowsNames>(table, computer.c_str(), user.c_str()) >= 0)
        return Fail(kExitFileError, "the key has a profile for " + user + " on " +
                                        (computer.empty() ? std::string("(any computer)") : computer) + " already");
    const int position = profile_rules::addProfile(table, user.c_str(), computer.c_str(), password.c_str());
    if (position < 0) return Fail(kExitNoSpace, "the key holds 64 profiles already, the most the product reads");
    profiles.records.push_back(table[position - 1]);
    size_t bytes = 0;
    if (const int code = Store(session, profiles.records, bytes)) return code;
    std::printf("profile %d added: %s (%lu bytes of profiles on the key)\n", position,
                Describe(table[position - 1]).c_str(), static_cast<unsigned long>(bytes));
    return kExitOk;
}

int RemoveProfile(const Arguments& args)
{
    unsigned long index = 0;
    if (!ParseNumber(args.Positional()[1], 1, kMaxProfiles, index))
        return Fail(kExitUsage, "INDEX is a profile's number as keyctl profiles shows it (1 to 64)");
    KeySession session;
    KeyProfiles profiles;
    if (const int code = Load(args, session, profiles)) return code;
    if (index > profiles.records.size()) {
        char text[80];
        std::snprintf(text, sizeof text, "no profile %lu: the key holds %lu", index,
                      static_cast<unsigned long>(profiles.records.size()));
        return Fail(kExitUsage, text);
    }
    if (profiles.moreThan64)
        return Fail(kExitBadKey, "the key holds more than 64 profiles; rewriting it would drop those after the 64th");
    const std::string removed = Describe(profiles.records[index - 1]);
    profiles.records.erase(profiles.records.begin() + std::ptrdiff_t(index - 1));
    size_t bytes = 0;
    if (const int code = Store(session, profiles.records, bytes)) return code;
    std::printf("profile %lu removed: %s (%lu left)\n", index, removed.c_str(),
                static_cast<unsigned long>(profiles.records.size()));
    return kExitOk;
}
