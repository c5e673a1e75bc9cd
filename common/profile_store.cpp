#include "profile_store.h"

#include "key_log.h"

namespace {
// A record's text for a log line, as ANSI.
class LogText {
public:
    explicit LogText(const char* text) : text_(text ? text : "") {}
    explicit LogText(const wchar_t* text) : text_(buffer_)
    {
        if (!text || !WideCharToMultiByte(CP_ACP, 0, text, -1, buffer_, sizeof buffer_, nullptr, nullptr))
            buffer_[0] = 0;
        buffer_[sizeof buffer_ - 1] = 0;
    }
    const char* c_str() const { return text_; }

private:
    char buffer_[600];  // a 257-character field in a double-byte code page
    const char* text_;
};

struct WindowsPolicy {
    static BOOL ComputerName(char* name, DWORD* size) { return GetComputerNameA(name, size); }
    static BOOL ComputerName(wchar_t* name, DWORD* size) { return GetComputerNameW(name, size); }

    static bool ToText(const uint8_t* bytes, size_t length, char* out, size_t capacity)
    {
        return profile_rules::AsciiPolicy::ToText(bytes, length, out, capacity);
    }

    static bool ToText(const uint8_t* bytes, size_t length, wchar_t* out, size_t capacity)
    {
        if (capacity == 0) return false;
        out[0] = 0;
        if (length >= capacity) return false;
        size_t text = 0;
        while (text < length && bytes[text]) ++text;
        if (text == 0) return true;
        const int made = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes), int(text), out,
                                             int(capacity - 1));
        if (made <= 0) return false;
        out[made] = 0;
        return true;
    }

    static size_t ToAnsi(const char* text, size_t chars, uint8_t* out, size_t capacity)
    {
        return profile_rules::AsciiPolicy::ToAnsi(text, chars, out, capacity);
    }

    // A character the code page cannot carry would be written as '?', another password:
    // such a field does not fit either.
    static size_t ToAnsi(const wchar_t* text, size_t chars, uint8_t* out, size_t capacity)
    {
        BOOL defaulted = FALSE;
        char* to = reinterpret_cast<char*>(out);
        int made = WideCharToMultiByte(CP_ACP, 0, text, int(chars), to, int(capacity), nullptr, &defaulted);
        if (made <= 0 && GetLastError() == ERROR_INVALID_PARAMETER)  // UTF-8 as the ANSI code page
            made = WideCharToMultiByte(CP_ACP, 0, text, int(chars), to, int(capacity), nullptr, nullptr);
        return made <= 0 || defaulted ? profile_rules::kNoFit : size_t(made);
    }

    static bool Equal(const char* a, size_t aLength, const char* b, size_t bLength)
    {
        if (aLength == 0 || bLength == 0) return aLength == bLength;
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, int(aLength), b, int(bLength)) == CSTR_EQUAL;
    }

    static bool Equal(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
    {
        if (aLength == 0 || bLength == 0) return aLength == bLength;
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, int(aLength), b, int(bLength)) == CSTR_EQUAL;
    }

    template <class Record>
    static void TaggedProfile(const Record& profile)
    {
        KeyLog(LOG_TRACE, "ParseProfilesBufferToArray", "c_name:%s", LogText(profile.c_name).c_str());
        KeyLog(LOG_TRACE, "ParseProfilesBufferToArray", "u_name:%s", LogText(profile.u_name).c_str());
    }

    static void Written(size_t position)
    {
        KeyLog(LOG_ERROR, "parse_profiles_array_to_buffer", "%d", int(position));
    }

    static void FieldTooLong(int record, size_t chars)
    {
        KeyLog(LOG_ERROR, "parse_profiles_array_to_buffer", "record %d: %d characters without a code-page form of 255 bytes",
               record, int(chars));
    }

    template <class Record>
    static void Matched(const Record& profile)
    {
        KeyLog(LOG_TRACE, "MatchProfilesToWorkstation", "%s status:%d c_name:%s psw len:%d",
               LogText(profile.u_name).c_str(), int(profile.status), LogText(profile.c_name).c_str(),
               int(profile_rules::FieldLength(profile.password)));
    }
};

template <class Record>
int Parse(const BYTE* buffer, DWORD length, Record* table, profile_rules::Overlong overlong)
{
    if (buffer && length <= kMaxProfileBufferBytes)
        KeyLog(LOG_TRACE, "ParseProfilesBufferToArray", "%d ... (%X)", int(length), length ? unsigned(buffer[0]) : 0u);
    return profile_rules::ParseProfilesBufferToArray<Record, WindowsPolicy>(buffer, length, table, overlong);
}

template <class Record>
int Add(Record* table, const profile_rules::CharOf<Record>* user, const profile_rules::CharOf<Record>* computer,
        const profile_rules::CharOf<Record>* password)
{
    const int position = profile_rules::addProfile<Record, WindowsPolicy>(table, user, computer, password);
    if (position > 0) KeyLog(LOG_TRACE, "addProfile", "addProfile %d", position - 1);
    return position;
}

template <class Record>
int ValidProfile(const Record* table)
{
    const int index = profile_rules::GetValidProfile(table);
    KeyLog(LOG_TRACE, "GetValidProfile", "GetValidProfile %d", index);
    return index;
}

template <class Record>
int Match(Record* table, const Record* users)
{
    if (!table || !users) return 0;
    if (ValidProfile(table) >= 0) return 1;
    profile_rules::CharOf<Record> name[190] = {};
    DWORD size = sizeof name / sizeof name[0];
    if (!WindowsPolicy::ComputerName(name, &size)) {
        KeyLog(LOG_ERROR, "MatchProfilesToWorkstation", "GetComputerName() == false , GLE=%X", unsigned(GetLastError()));
        name[0] = 0;
    }
    KeyLog(LOG_TRACE, "MatchProfilesToWorkstation", "Computer name: %s", LogText(name).c_str());
    return profile_rules::MatchProfilesToWorkstation<Record, Record, WindowsPolicy>(table, users, name);
}
}  // namespace

int ParseProfilesBufferToArray(const BYTE* buffer, DWORD length, Profile* table)
{
    return Parse(buffer, length, table, profile_rules::Overlong::EmptyCName);
}

int ParseProfilesBufferToArray(const BYTE* buffer, DWORD length, Profile9x* table)
{
    return Parse(buffer, length, table, profile_rules::Overlong::LeaveOut);
}

int parse_profiles_array_to_buffer(const Profile* table, int records, BYTE* buffer, DWORD* capacity)
{
    if (!buffer || !capacity || *capacity == 0) return -1;
    size_t room = *capacity;
    const int written = profile_rules::parse_profiles_array_to_buffer<Profile, WindowsPolicy>(table, records, buffer, room);
    *capacity = DWORD(room);
    return written;
}

int addProfile(Profile* table, const TCHAR* user, const TCHAR* computer, const TCHAR* password)
{
    return Add(table, user, computer, password);
}

int addProfile(Profile9x* table, const char* user, const char* computer, const char* password)
{
    return Add(table, user, computer, password);
}

int findProfile(const Profile* table, const TCHAR* computer, const TCHAR* user)
{
    return profile_rules::findProfile<Profile, WindowsPolicy>(table, computer, user);
}

int findProfile(const Profile9x* table, const char* computer, const char* user)
{
    return profile_rules::findProfile<Profile9x, WindowsPolicy>(table, computer, user);
}

int GetValidProfile(const Profile* table) { return ValidProfile(table); }
int GetValidProfile(const Profile9x* table) { return ValidProfile(table); }

int MatchProfilesToWorkstation(Profile* table, const Profile* users) { return Match(table, users); }
int MatchProfilesToWorkstation(Profile9x* table, const Profile9x* users) { return Match(table, users); }

bool IsDomainProfile(const Profile* profile) { return profile && profile_rules::IsDomainProfile(*profile); }
bool IsDomainProfile(const Profile9x* profile) { return profile && profile_rules::IsDomainProfile(*profile); }

const TCHAR* ProfileDomainName(const Profile* profile)
{
    static TCHAR domain[80];
    domain[0] = 0;
    if (profile) profile_rules::ProfileDomainName(*profile, domain, sizeof domain / sizeof domain[0]);
    return domain;
}

const char* ProfileDomainName(const Profile9x* profile)
{
    static char domain[50];
    domain[0] = 0;
    if (profile) profile_rules::ProfileDomainName(*profile, domain, sizeof domain);
    return domain;
}
