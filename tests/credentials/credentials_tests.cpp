// The credential check through the fake account boundary (fake_accounts.h), built in
// both character sets (the GINA's UTF-16, the panel's ANSI) and run under emulated
// Windows 98 (password cache path) and NT 4.0 / XP (the three Windows methods). The last
// tests run the 9x variant against the real mspwl32.dll stand-in beside the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "credential_log.h"
#include "credentials.h"
#include "fake_accounts.h"
#include "scoped.h"
#include "wine_env.h"

namespace {
typedef std::basic_string<TCHAR> tstring;

const char kErrorLine[] = "ERROR   [isUserName_and_Pass_Valid] ";
const wchar_t kCacheKey[] = L"Software\\Ostrel\\PasswordCache";

// The text the NT methods must receive: the GINA's as it is, the panel's widened.
std::wstring Wide(const TCHAR* text)
{
#ifdef UNICODE
    return text;
#else
    return Widen(text);
#endif
}

std::string Join(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

std::string Show(const std::wstring& text) { return "\"" + Narrow(text) + "\" (" + std::to_string(text.size()) + ")"; }

struct Outcome {
    int result;
    std::string log;
};

Outcome RunFull(FakeAccounts& fake, const TCHAR* user, const TCHAR* password)
{
    ScopedFakeAccounts install(fake);
    const size_t mark = credential_log::Mark();
    const int result = isUserName_and_Pass_Valid(user, password);
    return {result, credential_log::Since(mark)};
}

Outcome RunW95(FakeAccounts& fake, const char* user, const char* password)
{
    ScopedFakeAccounts install(fake);
    const size_t mark = credential_log::Mark();
    const int result = isUserName_and_Pass_Valid_w95(user, password);
    return {result, credential_log::Since(mark)};
}

bool Has(const std::string& log, const std::string& piece) { return log.find(piece) != std::string::npos; }

// Whatever happened, nothing the fake handed out is still held.
void ExpectNothingHeld(const FakeAccounts& fake)
{
    EXPECT_EQ(0u, fake.OutstandingNetBuffers()) << "netapi32 buffers not freed";
    EXPECT_EQ(0u, fake.OpenTokens()) << "logon token not closed";
    EXPECT_EQ(0u, fake.OpenCaches()) << "password cache not closed";
    EXPECT_EQ(0, fake.LoadCount(L"ov_auth.dll")) << "ov_auth.dll is freed after use";
    EXPECT_EQ(0u, fake.BadReleases());
}

FakeAccount Account(const std::wstring& name, const std::wstring& password, bool network = true, DWORD change = 0,
                    const std::wstring& domain = L"")
{
    FakeAccount a;
    a.name = name;
    a.password = password;
    a.networkLogon = network;
    a.changePasswordStatus = change;
    a.domain = domain;
    return a;
}

class CredentialCheck : public ::testing::Test {
protected:
    void SetUp() override { credential_log::Start(); }
};
}  // namespace

// ---- NT family ----

TEST_F(CredentialCheck, NtTriesLogonUserThenPasswordChangeThenSspiAndStopsAtTheFirstConfirmation)
{
    OV_ONLY_ON("nt40", "winxp");
    const DWORD kTooShort = NERR_PasswordTooShort;  // old = new refused by the password policy
    const std::vector<std::string> kDomain = {"NetWkstaUserGetInfo", "GetComputerNameW"};
    struct Case {
        const char* what;
        bool network;
        DWORD change;
        const TCHAR* password;  // the account's is "s3cret"
        bool authLibrary, authEntry;
        int result;
        std::vector<std::string> methods;
        int errorLines;
        std::vector<std::string> logged, notLogged;
    } cases[] = {
        {"right password", true, 0, _T("s3cret"), true, true, 0, {"LogonUserW", "CloseHandle"}, 0,
         {"isUser_and_pass_valid (unicode)"}, {"LogoUser"}},
        {"wrong password", true, 0, _T("wrong"), true, true, -1,
         {"LogonUserW", "NetUserChangePassword", "CheckPassword_SSPI"}, 3,
         {"LogoUser: fail, check with NetUserChangePassword ... 52E",
          "ERR NetUserChangePassword, check with ov_auth.dll 56 ", "ERR isUserName_and_Pass_Valid 8009030C"},
         {"ERR function pntr"}},
        {"no network logon: the password change confirms", false, 0, _T("s3cret"), true, true, 0,
         {"LogonUserW", "NetUserChangePassword"}, 1,
         {"LogoUser: fail, check with NetUserChangePassword ... 569"}, {"ERR NetUserChangePassword"}},
        {"both refuse, no ov_auth.dll", false, kTooShort, _T("s3cret"), false, true, -1,
         {"LogonUserW", "NetUserChangePassword"}, 2,
         {"LogoUser: fail, check with NetUserChangePassword ... 569",
          "ERR NetUserChangePassword, check with ov_auth.dll 8C5 "},
         {"ERR function pntr", "ERR isUserName_and_Pass_Valid "}},
        {"wrong password, no ov_auth.dll", true, 0, _T("wrong"), false, true, -1,
         {"LogonUserW", "NetUserChangePassword"}, 2, {"ERR NetUserChangePassword, check with ov_auth.dll 56 "},
         {"ERR function pntr", "ERR isUserName_and_Pass_Valid "}},
        {"both refuse, ov_auth.dll confirms", false, kTooShort, _T("s3cret"), true, true, 0,
         {"LogonUserW", "NetUserChangePassword", "CheckPassword_SSPI"}, 2, {"ERR NetUserChangePassword"},
         {"ERR isUserName_and_Pass_Valid ", "ERR function pntr"}},
        {"both refuse, ov_auth.dll without CheckPassword_SSPI", false, kTooShort, _T("s3cret"), true, false, -1,
         {"LogonUserW", "NetUserChangePassword"}, 3, {"ERR function pntr"}, {"ERR isUserName_and_Pass_Valid "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts fake;
        fake.accounts = {Account(L"alice", L"s3cret", c.network, c.change)};
        if (!c.authLibrary) fake.missingLibraries.insert(L"ov_auth.dll");
        if (!c.authEntry) fake.missingEntryPoints.insert("CheckPassword_SSPI");

        const Outcome run = RunFull(fake, _T("alice"), c.password);
        EXPECT_EQ(c.result, run.result);
        std::vector<std::string> expected = kDomain;
        expected.insert(expected.end(), c.methods.begin(), c.methods.end());
        EXPECT_EQ(Join(expected), Join(fake.AccountCallSequence()));
        EXPECT_EQ(c.errorLines, credential_log::CountOf(run.log, kErrorLine)) << run.log;
        for (const std::string& line : c.logged) EXPECT_TRUE(Has(run.log, line)) << line << "\n" << run.log;
        for (const std::string& line : c.notLogged) EXPECT_FALSE(Has(run.log, line)) << line << "\n" << run.log;
        EXPECT_TRUE(Has(run.log, "user:alice, password length:" + std::to_string(lstrlen(c.password)))) << run.log;
        EXPECT_FALSE(Has(run.log, Narrow(Wide(c.password)) + "\r\n")) << "the password is never written";
        EXPECT_EQ(1, fake.LoadCount(L"netapi32.dll")) << "netapi32.dll stays loaded";
        EXPECT_EQ(c.authLibrary && c.methods.size() == 3 ? 1u : 0u, fake.CallsTo("CheckPassword_SSPI").size());
        for (const FakeCall& call : fake.CallsTo("CheckPassword_SSPI")) EXPECT_EQ(L"0", call.Arg(3));
        for (const FakeCall& call : fake.CallsTo("LogonUserW")) {
            EXPECT_EQ(L"3", call.Arg(3)) << "LOGON32_LOGON_NETWORK";
            EXPECT_EQ(L"0", call.Arg(4)) << "LOGON32_PROVIDER_DEFAULT";
        }
        for (const FakeCall& call : fake.CallsTo("NetUserChangePassword"))
            EXPECT_EQ(call.Arg(2), call.Arg(3)) << "old and new password are the same";
        ExpectNothingHeld(fake);
    }
}

TEST_F(CredentialCheck, NtFindsTheDomainFromTheWorkstationElseTheComputerNameForAllThreeMethods)
{
    OV_ONLY_ON("nt40", "winxp");
    struct Case {
        const char* what;
        std::wstring logonDomain;
        DWORD wkstaStatus;
        bool recordOnFailure;
        std::wstring computer;
        std::wstring domain;  // what all three methods must get
        bool asksComputerName;
    } cases[] = {
        {"workgroup computer: no logon domain", L"", 0, false, L"OVHOST", L"OVHOST", true},
        {"domain member", L"OSTREL", 0, false, L"OVHOST", L"OSTREL", false},
        {"workstation query fails", L"OSTREL", ERROR_ACCESS_DENIED, false, L"OVHOST", L"OVHOST", true},
        {"query fails but hands back a record", L"OSTREL", ERROR_ACCESS_DENIED, true, L"OVHOST", L"OVHOST", true},
        {"a longer computer name", L"", 0, false, L"WORKSTATION-0123456789", L"WORKSTATION-0123456789", true},
        {"a computer name that needs more than 100 characters", L"", 0, false, std::wstring(120, L'C'), L"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts fake;
        fake.computerName = c.computer;
        fake.logonDomain = c.logonDomain;
        fake.wkstaStatus = c.wkstaStatus;
        fake.wkstaRecordOnFailure = c.recordOnFailure;
        fake.accounts = {Account(L"alice", L"s3cret")};
        EXPECT_EQ(-1, RunFull(fake, _T("alice"), _T("wrong")).result);

        const std::vector<FakeCall> computer = fake.CallsTo("GetComputerNameW");
        ASSERT_EQ(c.asksComputerName ? 1u : 0u, computer.size());
        if (c.asksComputerName) {
            EXPECT_EQ(L"100", computer[0].Arg(0)) << "characters asked for";
        }
        const std::vector<FakeCall> wksta = fake.CallsTo("NetWkstaUserGetInfo");
        ASSERT_EQ(1u, wksta.size());
        EXPECT_EQ(L"<null>", wksta[0].Arg(0)) << "the local machine";
        EXPECT_EQ(L"1", wksta[0].Arg(1)) << "level";
        struct Method {
            const char* name;
            size_t domainArg;
        } methods[] = {{"LogonUserW", 1}, {"NetUserChangePassword", 0}, {"CheckPassword_SSPI", 0}};
        for (const Method& m : methods) {
            const std::vector<FakeCall> calls = fake.CallsTo(m.name);
            ASSERT_EQ(1u, calls.size()) << m.name;
            EXPECT_EQ(Show(c.domain), Show(calls[0].Arg(m.domainArg))) << m.name;
        }
        ExpectNothingHeld(fake);
    }
}

TEST_F(CredentialCheck, AnEmptyPasswordReachesEveryMethodUnchanged)
{
    FakeAccounts fake;
    fake.accounts = {Account(L"kiosk", L"", false, NERR_PasswordTooShort)};
    if (EmulatedVersionClass() >= 4) {
        EXPECT_EQ(0, RunFull(fake, _T("kiosk"), _T("")).result) << "ov_auth.dll confirms";
        EXPECT_EQ(L"", fake.CallsTo("LogonUserW").at(0).Arg(2));
        EXPECT_EQ(L"", fake.CallsTo("NetUserChangePassword").at(0).Arg(2));
        EXPECT_EQ(L"", fake.CallsTo("NetUserChangePassword").at(0).Arg(3));
        EXPECT_EQ(L"", fake.CallsTo("CheckPassword_SSPI").at(0).Arg(2));
    } else {
        EXPECT_EQ(0, RunFull(fake, _T("kiosk"), _T("")).result);
        EXPECT_EQ(L"", fake.CallsTo("OpenPasswordCache").at(0).Arg(1));
    }
    FakeAccounts w95;
    w95.accounts = {Account(L"kiosk", L"")};
    EXPECT_EQ(0, RunW95(w95, "kiosk", "").result);
    EXPECT_EQ(L"", w95.CallsTo("OpenPasswordCache").at(0).Arg(1));
    ExpectNothingHeld(fake);
    ExpectNothingHeld(w95);
}

TEST_F(CredentialCheck, NtWithoutNetapiOrOneOfItsThreeEntryPointsAnswersMinusOneWithoutTryingAnything)
{
    OV_ONLY_ON("nt40", "winxp");
    struct Case {
        const wchar_t* library;
        const char* entry;
    } cases[] = {{L"netapi32.dll", nullptr},
                 {nullptr, "NetUserChangePassword"},
                 {nullptr, "NetWkstaUserGetInfo"},
                 {nullptr, "NetApiBufferFree"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library ? "no netapi32.dll" : c.entry);
        FakeAccounts fake;
        fake.accounts = {Account(L"alice", L"s3cret")};
        if (c.library) fake.missingLibraries.insert(c.library);
        if (c.entry) fake.missingEntryPoints.insert(c.entry);
        const Outcome run = RunFull(fake, _T("alice"), _T("s3cret"));
        EXPECT_EQ(-1, run.result);
        EXPECT_EQ("", Join(fake.AccountCallSequence()));
        EXPECT_TRUE(Has(run.log, "netapi32.dll or one of its entry points missing")) << run.log;
        ExpectNothingHeld(fake);
    }
}

TEST_F(CredentialCheck, NtWidensTheAnsiBuildsTextAndConfirmsAccountsWithNonAsciiNames)
{
    OV_ONLY_ON("nt40", "winxp");
    const TCHAR* user = _T("J\xf6rg");
    FakeAccounts fake;
    fake.accounts = {Account(Wide(user), L"p\x00e4ss", false)};
    const std::wstring password = L"p\x00e4ss";
#ifdef UNICODE
    const TCHAR* typed = password.c_str();
#else
    const std::string ansi = Narrow(password);
    const TCHAR* typed = ansi.c_str();
#endif
    EXPECT_EQ(0, RunFull(fake, user, typed).result);
    const std::vector<FakeCall> change = fake.CallsTo("NetUserChangePassword");
    ASSERT_EQ(1u, change.size());
    EXPECT_EQ(Show(Wide(user)), Show(change[0].Arg(1)));
    EXPECT_EQ(Show(Wide(typed)), Show(change[0].Arg(2)));
}

TEST_F(CredentialCheck, InputsLongerThanTheWorkingCopiesAreRefusedNotCut)
{
    const bool nt = EmulatedVersionClass() >= 4;
    const size_t limit = nt ? kNtCredentialChars : k9xCredentialChars;
    struct Case {
        size_t userChars, passwordChars;
        bool refused;
    } cases[] = {{limit, 5, false}, {limit + 1, 5, true}, {5, limit, false}, {5, limit + 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("user " + std::to_string(c.userChars) + ", password " + std::to_string(c.passwordChars));
        const tstring user(c.userChars, _T('u')), password(c.passwordChars, _T('p'));
        FakeAccounts fake;
        fake.accounts = {Account(std::wstring(c.userChars, L'u'), std::wstring(c.passwordChars, L'p'))};
        const Outcome run = RunFull(fake, user.c_str(), password.c_str());
        EXPECT_EQ(c.refused ? -1 : 0, run.result);
        EXPECT_EQ(c.refused, Has(run.log, "longer than " + std::to_string(limit) + " characters: refused"))
            << run.log;
        const char* firstTry = nt ? "LogonUserW" : "OpenPasswordCache";
        const std::vector<FakeCall> tries = fake.CallsTo(firstTry);
        ASSERT_EQ(c.refused ? 0u : 1u, tries.size()) << firstTry;
        if (!c.refused) {
            EXPECT_EQ(c.userChars, tries[0].Arg(0).size()) << "the whole name arrives";
        }
    }

    struct W95Case {
        size_t userBytes, passwordBytes;
        bool refused;
    } w95Cases[] = {{51, 5, false}, {52, 5, true}, {5, 51, false}, {5, 52, true}};
    for (const W95Case& c : w95Cases) {
        SCOPED_TRACE("w95: user " + std::to_string(c.userBytes) + ", password " + std::to_string(c.passwordBytes));
        FakeAccounts fake;
        fake.accounts = {Account(std::wstring(c.userBytes, L'U'), std::wstring(c.passwordBytes, L'P'))};
        const Outcome run =
            RunW95(fake, std::string(c.userBytes, 'u').c_str(), std::string(c.passwordBytes, 'p').c_str());
        EXPECT_EQ(c.refused ? -2 : 0, run.result);
        EXPECT_EQ(c.refused ? 0u : 1u, fake.CallsTo("OpenPasswordCache").size());
        EXPECT_EQ(c.refused, Has(run.log, "longer than 51 bytes: refused")) << run.log;
    }
}

// ---- Windows 9x ----

TEST_F(CredentialCheck, NinetyEightChecksUpperCasedCredentialsAgainstThePasswordCache)
{
    OV_ONLY_ON("win98");
    struct Case {
        const char* what;
        const TCHAR* user;
        const TCHAR* password;
        std::wstring cacheUser, cachePassword;  // what the cache receives
        int full, w95;
        const char* code;
    } cases[] = {
        {"right password, typed in any case", _T("alice"), _T("s3CRet"), L"ALICE", L"S3CRET", 0, 0, "0"},
        {"no cache yet for the name: code 2", _T("bob"), _T("x"), L"BOB", L"X", 0, -2, "2"},
        {"wrong password", _T("Alice"), _T("nope"), L"ALICE", L"NOPE", -1, -2, "7206"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts full;
        full.accounts = {Account(L"Alice", L"S3cret")};
        const Outcome run = RunFull(full, c.user, c.password);
        EXPECT_EQ(c.full, run.result);
        const std::vector<FakeCall> opens = full.CallsTo("OpenPasswordCache");
        ASSERT_EQ(1u, opens.size());
        EXPECT_EQ(c.cacheUser, opens[0].Arg(0));
        EXPECT_EQ(c.cachePassword, opens[0].Arg(1));
        EXPECT_EQ(L"1", opens[0].Arg(2)) << "writable";
        EXPECT_TRUE(Has(run.log, "try_ isUserName_and_Pass_Valid " + Narrow(c.cacheUser))) << run.log;
        EXPECT_TRUE(Has(run.log, std::string("OpenPasswordCache=") + c.code)) << run.log;
        EXPECT_EQ(0u, full.CallsTo("LoadLibraryW").size()) << "no NT library on the 9x path";
        EXPECT_EQ(0u, full.CallsTo("LogonUserW").size());
        EXPECT_EQ(1, full.LoadCount(L"mspwl32.dll")) << "the full check keeps mspwl32.dll";
        ExpectNothingHeld(full);

        FakeAccounts w95;
        w95.accounts = full.accounts;
        const Outcome w95Run = RunW95(w95, Narrow(Wide(c.user)).c_str(), Narrow(Wide(c.password)).c_str());
        EXPECT_EQ(c.w95, w95Run.result);
        EXPECT_EQ(c.cacheUser, w95.CallsTo("OpenPasswordCache").at(0).Arg(0));
        EXPECT_EQ(c.cachePassword, w95.CallsTo("OpenPasswordCache").at(0).Arg(1));
        EXPECT_TRUE(Has(w95Run.log, std::string("[isUserName_and_Pass_Valid_w95] OpenPasswordCache=") + c.code + " "))
            << w95Run.log;
        EXPECT_EQ(0, w95.LoadCount(L"mspwl32.dll")) << "the 9x variant frees mspwl32.dll";
        ExpectNothingHeld(w95);
    }
}

TEST_F(CredentialCheck, WithoutTheCacheLibraryOrOneOfItsEntryPointsBothChecksAnswerMinusOne)
{
    struct Case {
        const wchar_t* library;
        const char* entry;
    } cases[] = {{L"mspwl32.dll", nullptr}, {nullptr, "OpenPasswordCache"}, {nullptr, "ClosePasswordCache"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library ? "no mspwl32.dll" : c.entry);
        FakeAccounts w95;
        w95.accounts = {Account(L"ALICE", L"S3CRET")};
        if (c.library) w95.missingLibraries.insert(c.library);
        if (c.entry) w95.missingEntryPoints.insert(c.entry);
        EXPECT_EQ(-1, RunW95(w95, "alice", "s3cret").result);
        EXPECT_EQ(0u, w95.CallsTo("OpenPasswordCache").size());
        EXPECT_EQ(0, w95.LoadCount(L"mspwl32.dll")) << "freed again";

        if (EmulatedVersionClass() >= 4) continue;
        FakeAccounts full;
        full.accounts = w95.accounts;
        full.missingLibraries = w95.missingLibraries;
        full.missingEntryPoints = w95.missingEntryPoints;
        EXPECT_EQ(-1, RunFull(full, _T("alice"), _T("s3cret")).result);
        EXPECT_EQ(0u, full.CallsTo("OpenPasswordCache").size());
        EXPECT_EQ(0, full.LoadCount(L"mspwl32.dll")) << "freed again";
    }
}

// ---- the real mspwl32.dll stand-in ----

TEST_F(CredentialCheck, RealPasswordCacheStandInAnswersTheNinetyEightChecks)
{
    ScopedRegValue alice(HKEY_CURRENT_USER, kCacheKey, L"ALICE", L"S3CRET");
    ScopedRegValue nobody(HKEY_CURRENT_USER, kCacheKey, L"NOBODY");
    const bool nineX = EmulatedVersionClass() < 4;
    struct Case {
        const char* user;
        const char* password;
        int w95, full;
    } cases[] = {{"alice", "s3cret", 0, 0}, {"Alice", "wrong", -2, -1}, {"nobody", "x", -2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " / " + c.password);
        EXPECT_EQ(c.w95, isUserName_and_Pass_Valid_w95(c.user, c.password));
        if (nineX) {
            const tstring user(c.user, c.user + strlen(c.user)), password(c.password, c.password + strlen(c.password));
            EXPECT_EQ(c.full, isUserName_and_Pass_Valid(user.c_str(), password.c_str()));
        }
    }
}
