// A fake account boundary: an AccountApi table (account_api.h) that answers from a small
// account database instead of Windows (Wine accepts any password and has no real local
// accounts). Tests fill a FakeAccounts, install it with ScopedFakeAccounts and then look
// at the calls it recorded.
//
// Libraries: "netapi32.dll", "mspwl32.dll" and "ov_auth.dll" (any case, with or without a
// path) load as fake modules whose GetProcAddress hands out the fake functions by name;
// any other library, module or handle goes to Windows. A library in `missingLibraries`
// does not load (ERROR_MOD_NOT_FOUND) and is not loaded; a name in `missingEntryPoints`
// is not exported (ERROR_PROC_NOT_FOUND). Every buffer handed out is freeable by the fake
// NetApiBufferFree (Net* and Ds* results) or LsaFreeMemory (LSA results); what is still
// held is in OutstandingNetBuffers(), OutstandingLsaBuffers(), OpenTokens() and
// OpenCaches().
//
// Only one FakeAccounts is installed at a time; its functions may be called from any
// thread while it is.
#pragma once
#include <windows.h>
#include <lm.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "account_api.h"

struct FakeAccount {
    std::wstring name;
    std::wstring password;
    // Domain of a domain account; empty for a local account of this computer.
    std::wstring domain;
    // LogonUserW with LOGON32_LOGON_NETWORK is refused (ERROR_LOGON_TYPE_NOT_GRANTED)
    // when false; the password itself is still right for the other methods.
    bool networkLogon = true;
    // NetUserChangePassword's answer when the old password is right (old = new may be
    // refused by the password policy, e.g. NERR_PasswordTooShort).
    DWORD changePasswordStatus = 0;
    // Fields of the USER_INFO_3 record.
    std::wstring fullName, homeDir, homeDirDrive, scriptPath, profile;
    // Listed by NetUserEnum (a normal account).
    bool listed = true;
};

struct FakeTrust {
    std::wstring netbiosName;
    std::wstring dnsName;
};

// One recorded call: the function's name and the arguments a test cares about, as text
// ("<null>" for a null string, numbers in decimal, ANSI strings widened).
struct FakeCall {
    std::string function;
    std::vector<std::wstring> args;
    std::wstring Arg(size_t i) const { return i < args.size() ? args[i] : L"<none>"; }
};

// The 9x password cache (OpenPasswordCache) holds every account of `accounts` by name;
// it answers like the mspwl32.dll stand-in: 0 right password (names and passwords
// compared without regard to case), 7206 wrong password, 2 no cache for that name (an
// empty one is opened). CheckPassword_SSPI (ov_auth.dll) confirms a right password
// whatever the account's network-logon flag. LogonUserW, NetUserChangePassword and
// CheckPassword_SSPI find an account by name and domain: an empty, null or "." domain
// matches any account, the computer name (or the account domain) a local one, and a
// domain name the accounts of that domain.
class FakeAccounts {
public:
    FakeAccounts();
    ~FakeAccounts();
    FakeAccounts(const FakeAccounts&) = delete;
    FakeAccounts& operator=(const FakeAccounts&) = delete;

    // ---- the database (set before or while installed) ----
    std::vector<FakeAccount> accounts;
    std::wstring computerName = L"OVHOST";

    // NetWkstaUserGetInfo level 1: the logon domain (empty: an empty text in the record),
    // or a failure status; with `wkstaRecordOnFailure` a record comes back even then.
    std::wstring logonDomain;
    DWORD wkstaStatus = 0;
    bool wkstaRecordOnFailure = false;

    // Trusted domains: DsEnumerateDomainTrustsW's entries (put "DsEnumerateDomainTrustsW"
    // into missingEntryPoints for a system without it) and NetEnumerateTrustedDomains' list.
    std::vector<FakeTrust> forestTrusts;
    DWORD dsTrustsStatus = 0;
    std::vector<std::wstring> trustedDomains;
    NTSTATUS trustedDomainsStatus = 0;
    ULONG lastDsTrustFlags = 0;

    // LSA primary domain: empty means a workgroup computer (no SID). A failing open or
    // query answers with the status given (e.g. STATUS_ACCESS_DENIED 0xC0000022).
    std::wstring primaryDomain;
    NTSTATUS lsaOpenStatus = 0;
    NTSTATUS lsaQueryStatus = 0;

    // NetServerGetInfo level 101.
    DWORD serverType = SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT;
    DWORD serverInfoStatus = 0;

    // NetUserEnum: names per page (ERROR_MORE_DATA until the last), or a failure status.
    DWORD userEnumPageSize = 100;
    DWORD userEnumStatus = 0;

    // NetUserModalsGet level 2: the account domain (empty: an empty name), or a failure.
    std::wstring accountDomain = L"OVHOST";
    DWORD userModalsStatus = 0;

    // NetGetDCName: controller name ("\\\\DC1") per domain; other domains answer
    // NERR_DCNotFound.
    std::map<std::wstring, std::wstring> domainControllers;

    // GetPrivateProfileSectionA("Password Lists", ..., "system.ini"): the entries
    // ("ALICE=C:\\WINDOWS\\ALICE.PWL"); other sections are empty.
    std::vector<std::string> passwordLists;

    // ---- failure switches ----
    std::set<std::wstring> missingLibraries;   // lower case, e.g. L"ov_auth.dll"
    std::set<std::string> missingEntryPoints;  // e.g. "CheckPassword_SSPI"

    // ---- what happened ----
    std::vector<FakeCall> Calls() const;
    std::vector<FakeCall> CallsTo(const std::string& function) const;
    // The names of the account calls in order, leaving out library binding
    // (LoadLibrary*, GetModuleHandleW, GetProcAddress, FreeLibrary) and buffer frees.
    std::vector<std::string> AccountCallSequence() const;
    void ClearCalls();
    // Loads minus frees of a fake library (lower case name).
    int LoadCount(const std::wstring& library) const;
    size_t OutstandingNetBuffers() const;
    size_t OutstandingLsaBuffers() const;
    size_t OpenTokens() const;
    size_t OpenCaches() const;
    size_t OpenPolicies() const;
    // NetApiBufferFree, LsaFreeMemory, CloseHandle or ClosePasswordCache given something
    // this fake never handed out.
    size_t BadReleases() const;

    // The table to install (ScopedFakeAccounts does).
    const AccountApi& Table() const;

    // For the fake functions only.
    struct State;
    State* state() const { return state_; }

private:
    State* state_;
};

// Bound to the installed fake (ScopedFakeAccounts sets it).
void SetInstalledFake(FakeAccounts* fake);

// Installs the fake for its lifetime; the real table again afterwards. Inline, so the
// support library itself needs nothing from the key library it is linked beside.
class ScopedFakeAccounts {
public:
    explicit ScopedFakeAccounts(FakeAccounts& fake)
    {
        SetInstalledFake(&fake);
        SetAccountApi(&fake.Table());
    }
    ~ScopedFakeAccounts()
    {
        SetAccountApi(nullptr);
        SetInstalledFake(nullptr);
    }
    ScopedFakeAccounts(const ScopedFakeAccounts&) = delete;
    ScopedFakeAccounts& operator=(const ScopedFakeAccounts&) = delete;
};

// Between the ANSI code page and UTF-16, for recorded arguments and ANSI expectations.
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);
