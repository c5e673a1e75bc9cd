// The profile store: the logon profiles of a key as the deliverables keep them, and the
// rules that pick the profile to use on this workstation. The byte format and the rules
// themselves are portable (profile_format.h); this layer gives them the build's
// records, the system code page (CP_ACP), Windows' case-insensitive comparison (as
// lstrcmpi: CompareString, NORM_IGNORECASE, the user's locale) and the log.
//
// Tables are arrays of kProfileTableRecords (65) records: at most 64 profiles, ended
// by a record with an empty u_name.
#pragma once
#include <windows.h>
#include <tchar.h>

#include "profile_format.h"

// The GINA's record (UTF-16) and the panel's (ANSI): the build's TCHAR.
struct Profile {
    TCHAR c_name[80];     // computer; "\\\\" and a domain; empty: any computer
    TCHAR u_name[257];    // empty: the end of the table
    TCHAR password[257];
    DWORD status;         // 0 not usable here, 1 local profile, 2 domain profile
};

// The short record of the 9x providers (ANSI in every build).
struct Profile9x {
    char c_name[50];
    char u_name[50];
    char password[24];
    DWORD status;
};

// The buffer into the table: the number of profiles stored; 0 when there is none or
// the buffer is refused (over 32000 bytes) or unreadable; 64 when it holds more.
// Both formats are read. A c_name of 80 bytes or more is stored empty and its profile
// kept.
int ParseProfilesBufferToArray(const BYTE* buffer, DWORD length, Profile* table);
// The 9x providers read both formats too, since the panel writes the current one. A
// current-format profile with a field too long for the short record (c_name or u_name
// of 50 bytes or more, a password of 24 or more) is left out whole, neither stored nor
// counted: a cut password or name would be another credential, and an emptied c_name
// would match every computer.
int ParseProfilesBufferToArray(const BYTE* buffer, DWORD length, Profile9x* table);

// The first `records` records of the table into the current format; the number of
// bytes written. -1 when `*capacity` is too small (it then holds the size needed), or
// when a field takes more than 255 bytes in the code page (capacity 0). 0, with
// capacity 0, when no record has a user name. No buffer, no capacity or capacity 0: -1.
int parse_profiles_array_to_buffer(const Profile* table, int records, BYTE* buffer, DWORD* capacity);

// The 1-based position of a new profile, or -1 when the table holds 64. Absent texts
// stay empty; longer texts are cut to their field.
int addProfile(Profile* table, const TCHAR* user, const TCHAR* computer, const TCHAR* password);
int addProfile(Profile9x* table, const char* user, const char* computer, const char* password);

// No names: the count of the table. Else the index of the first profile whose c_name
// (when given) and u_name (when given) equal them, ignoring case; -1 when none.
int findProfile(const Profile* table, const TCHAR* computer, const TCHAR* user);
int findProfile(const Profile9x* table, const char* computer, const char* user);

// The index of the profile to use: the table's only profile, or its only profile with
// a nonzero status; -1 when there is none or more than one.
int GetValidProfile(const Profile* table);
int GetValidProfile(const Profile9x* table);

// Sets the status of every profile for this computer (GetComputerName) and the local
// accounts in `users` (a table with only u_name filled; empty: any account) and
// returns the number of usable profiles. No table or no user list: 0.
int MatchProfilesToWorkstation(Profile* table, const Profile* users);
int MatchProfilesToWorkstation(Profile9x* table, const Profile9x* users);

// A profile for a domain account: c_name is "\\\\" and the domain.
bool IsDomainProfile(const Profile* profile);
bool IsDomainProfile(const Profile9x* profile);
// The domain of a domain profile, else an empty text. The text lives in a buffer shared
// by all callers of the same record type, valid until the next call.
const TCHAR* ProfileDomainName(const Profile* profile);
const char* ProfileDomainName(const Profile9x* profile);
