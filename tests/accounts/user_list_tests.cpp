// The local accounts and the account record, against the fake account boundary. Built
// in both character sets: the ANSI build (panel, network provider) also has the Windows
// 9x path through the password lists, which runs when the emulated system is Windows 98.
#include <gtest/gtest.h>

#include "fake_accounts.h"
#include "lang.h"
#include "text_convert.h"
#include "user_accounts.h"
#include "wine_env.h"
#include "windows_version.h"

namespace {
std::string Names(const Profile* list)
{
    std::string text;
    for (int i = 0; i < kMaxProfiles && list[i].u_name[0]; ++i) {
        char name[300];
        TextToAnsi(list[i].u_name, name, sizeof name);
        text += (text.empty() ? "" : ",") + std::string(name);
    }
    return text;
}

std::string BoxNames(HWND box)
{
    std::string text;
    const int count = int(SendMessage(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TCHAR item[300] = {};
        SendMessage(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
        char name[300];
        TextToAnsi(item, name, sizeof name);
        text += (text.empty() ? "" : ",") + std::string(name);
    }
    return text;
}

void AddAccounts(FakeAccounts& fake, std::initializer_list<const wchar_t*> names)
{
    for (const wchar_t* name : names) {
        FakeAccount account;
        account.name = name;
        account.password = L"secret";
        fake.accounts.push_back(account);
    }
}

bool IsNt() { return GetWindowsVersionClass() >= 4; }
}  // namespace

TEST(UserList, NormalAccountsOfThisComputerPageByPage)
{
    if (!IsNt()) GTEST_SKIP() << "the Windows NT path";
    struct Case {
        const char* what;
        DWORD pageSize;
        int maxCount;
        DWORD status;
        const TCHAR* computer;
        const char* expected;
        const wchar_t* server;
    };
    const Case cases[] = {
        {"one page", 100, 64, 0, nullptr, "Alice,Bob,Carol,Dave,Eve", L"\\\\OVHOST"},
        {"pages of two", 2, 64, 0, nullptr, "Alice,Bob,Carol,Dave,Eve", L"\\\\OVHOST"},
        {"at most three", 2, 3, 0, nullptr, "Alice,Bob,Carol", L"\\\\OVHOST"},
        {"another computer (unknown here)", 100, 64, 0, _T("FILESRV"), "", L"\\\\FILESRV"},
        {"enumeration refused", 100, 64, ERROR_ACCESS_DENIED, nullptr, "", L"\\\\OVHOST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts fake;
        AddAccounts(fake, {L"Alice", L"Bob", L"Carol", L"Dave", L"Eve", L"Guest"});
        fake.accounts.back().listed = false;  // not a normal account
        fake.userEnumPageSize = c.pageSize;
        fake.userEnumStatus = c.status;
        ScopedFakeAccounts installed(fake);
        Profile list[kProfileTableRecords] = {};
        GetUserList(list, c.maxCount, c.computer, nullptr);
        EXPECT_EQ(c.expected, Names(list));
        const std::vector<FakeCall> calls = fake.CallsTo("NetUserEnum");
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(c.server, calls.front().Arg(0));
        EXPECT_EQ(0u, fake.OutstandingNetBuffers());
    }
}

TEST(UserList, FillsAListBoxAndSelectsTheFirstName)
{
    if (!IsNt()) GTEST_SKIP() << "the Windows NT path";
    g_lang.Load(_T("ovl"), nullptr);
    FakeAccounts fake;
    AddAccounts(fake, {L"Alice", L"Bob"});
    ScopedFakeAccounts installed(fake);
    HWND box = CreateWindow(_T("LISTBOX"), _T(""), WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    SendMessage(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(_T("left over")));
    GetUserList(nullptr, 0, nullptr, box);
    EXPECT_EQ("Alice,Bob", BoxNames(box));
    EXPECT_EQ(0, int(SendMessage(box, LB_GETCURSEL, 0, 0)));
    DestroyWindow(box);
}

TEST(UserList, OnWindows9xThePasswordListsThatOpenAreTheUsers)
{
    if (IsNt()) GTEST_SKIP() << "the Windows 9x path";
    FakeAccounts fake;
    AddAccounts(fake, {L"ALICE", L"BOB"});
    fake.accounts[1].password = L"";  // opens with the empty password
    fake.passwordLists = {"*Shared=C:\\WINDOWS\\SHARED.PWL", "ALICE=C:\\WINDOWS\\ALICE.PWL",
                          "BOB=C:\\WINDOWS\\BOB.PWL", "GHOST=C:\\WINDOWS\\GHOST.PWL"};
    ScopedFakeAccounts installed(fake);
    Profile list[kProfileTableRecords] = {};
    GetUserList(list, 64, nullptr, nullptr);
#ifdef UNICODE
    // The GINA runs on Windows NT only: nothing to list here.
    EXPECT_EQ("", Names(list));
#else
    EXPECT_EQ("ALICE,BOB", Names(list));  // GHOST has no cache; ALICE's refuses the empty password
    EXPECT_EQ(0u, fake.OpenCaches());
    EXPECT_EQ(0, fake.LoadCount(L"mspwl32.dll"));
#endif
}

TEST(AccountRecord, FromThisComputerOrTheDomainsController)
{
    if (!IsNt()) GTEST_SKIP() << "the Windows NT path";
    struct Case {
        const char* what;
        const TCHAR* user;
        const TCHAR* domain;
        DWORD modalsStatus;
        const wchar_t* accountDomain;
        bool ok;
        const wchar_t* server;  // where NetUserGetInfo asked; nullptr: not asked
    };
    const Case cases[] = {
        {"local account", _T("Alice"), _T("ovhost"), 0, L"OVHOST", true, L"<null>"},
        {"domain account", _T("Bob"), _T("CORP"), 0, L"OVHOST", true, L"\\\\DC1"},
        {"no controller", _T("Bob"), _T("EAST"), 0, L"OVHOST", false, nullptr},
        {"no such user", _T("Nobody"), _T("OVHOST"), 0, L"OVHOST", false, L"<null>"},
        {"modals refused", _T("Alice"), _T("OVHOST"), ERROR_ACCESS_DENIED, L"OVHOST", false, nullptr},
        {"no account domain", _T("Alice"), _T("OVHOST"), 0, L"", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts fake;
        AddAccounts(fake, {L"Alice"});
        FakeAccount bob;
        bob.name = L"Bob";
        bob.domain = L"CORP";
        bob.homeDir = L"\\\\files\\bob";
        fake.accounts.push_back(bob);
        fake.domainControllers[L"CORP"] = L"\\\\DC1";
        fake.userModalsStatus = c.modalsStatus;
        fake.accountDomain = c.accountDomain;
        ScopedFakeAccounts installed(fake);
        USER_INFO_3* record = nullptr;
        EXPECT_EQ(c.ok, GetUserInfo3(c.user, c.domain, &record));
        EXPECT_EQ(c.ok, record != nullptr);
        const std::vector<FakeCall> asked = fake.CallsTo("NetUserGetInfo");
        EXPECT_EQ(c.server ? 1u : 0u, asked.size());
        if (c.server && !asked.empty()) EXPECT_EQ(c.server, asked.front().Arg(0));
        if (record) {
            char name[100];
            WideCharToMultiByte(CP_ACP, 0, record->usri3_name, -1, name, sizeof name, nullptr, nullptr);
            char expected[100];
            TextToAnsi(c.user, expected, sizeof expected);
            EXPECT_STREQ(expected, name);
            // The caller owns the record: it is the one buffer left.
            EXPECT_EQ(1u, fake.OutstandingNetBuffers());
            const AccountApi& api = Accounts();
            HMODULE netapi = api.LoadLibraryW(L"netapi32.dll");
            reinterpret_cast<PFN_NetApiBufferFree>(api.GetProcAddress(netapi, "NetApiBufferFree"))(record);
        }
        EXPECT_EQ(0u, fake.OutstandingNetBuffers());
    }
}
