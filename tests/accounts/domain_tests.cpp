// The domain walk for the logon window's domain box, against the fake account boundary.
#include <gtest/gtest.h>

#include <thread>

#include "account_dialogs.h"
#include "domains.h"
#include "fake_accounts.h"
#include "lang.h"

namespace {
// A logon window stand-in: a top-level window with the domain box 1015.
class DomainBoxWindow {
public:
    DomainBoxWindow()
    {
        window_ = CreateWindowW(L"STATIC", L"logon", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
        box_ = CreateWindowW(L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 150, 100, window_,
                             reinterpret_cast<HMENU>(IDC_DOMAIN_BOX), nullptr, nullptr);
    }
    ~DomainBoxWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }
    std::vector<std::wstring> Entries() const
    {
        std::vector<std::wstring> entries;
        const int count = int(SendMessageW(box_, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[300] = {};
            SendMessageW(box_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        return entries;
    }

private:
    HWND window_, box_;
};

BOOL CALLBACK TakeFirstOnly(LPCWSTR domain, LPARAM data)
{
    reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(domain);
    return FALSE;
}

std::string Join(const std::vector<std::wstring>& items)
{
    std::string text;
    for (const std::wstring& item : items) text += (text.empty() ? "" : ",") + Narrow(item);
    return text;
}
}  // namespace

TEST(DomainWalk, FillsTheDomainBoxOncePerName)
{
    struct Case {
        const char* what;
        std::vector<FakeTrust> forest;
        std::vector<std::wstring> trusted;  // used when the forest walk is missing
        bool noForestWalk;
        std::wstring primary;
        DWORD serverType;
        const char* expected;
    };
    const DWORD workstation = SV_TYPE_WORKSTATION | SV_TYPE_NT, controller = SV_TYPE_DOMAIN_CTRL | SV_TYPE_NT;
    const Case cases[] = {
        {"workgroup computer", {}, {}, false, L"", workstation, "OVHOST"},
        {"domain member", {{L"SALES", L"sales.example"}, {L"CORP", L"corp.example"}}, {}, false, L"CORP",
         workstation, "SALES,CORP,OVHOST"},
        {"domain controller", {{L"CORP", L"corp.example"}}, {}, false, L"CORP", controller, "CORP"},
        {"backup controller", {}, {}, false, L"CORP", SV_TYPE_DOMAIN_BAKCTRL, "CORP"},
        {"older system", {}, {L"EAST", L"WEST"}, true, L"EAST", workstation, "EAST,WEST,OVHOST"},
        {"names differing in case only", {{L"corp", L""}}, {}, false, L"CORP", workstation, "corp,CORP,OVHOST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts fake;
        fake.forestTrusts = c.forest;
        fake.trustedDomains = c.trusted;
        if (c.noForestWalk) fake.missingEntryPoints.insert("DsEnumerateDomainTrustsW");
        fake.primaryDomain = c.primary;
        fake.serverType = c.serverType;
        ScopedFakeAccounts installed(fake);
        DomainBoxWindow logon;
        EXPECT_TRUE(EnumTrustedDomains(EnumDomainProc, reinterpret_cast<LPARAM>(logon.Handle())));
        EXPECT_EQ(c.expected, Join(logon.Entries()));
        if (!c.noForestWalk) EXPECT_EQ(3u, fake.lastDsTrustFlags);
        EXPECT_EQ(0u, fake.OutstandingNetBuffers());
        EXPECT_EQ(0u, fake.OutstandingLsaBuffers());
        EXPECT_EQ(0u, fake.OpenPolicies());
    }
}

TEST(DomainWalk, StopsWhenTheCallbackSaysSo)
{
    FakeAccounts fake;
    fake.forestTrusts = {{L"SALES", L""}, {L"CORP", L""}};
    fake.primaryDomain = L"CORP";
    ScopedFakeAccounts installed(fake);
    std::vector<std::wstring> seen;
    EXPECT_TRUE(EnumTrustedDomains(TakeFirstOnly, reinterpret_cast<LPARAM>(&seen)));
    EXPECT_EQ("SALES", Join(seen));
    EXPECT_TRUE(fake.CallsTo("LsaOpenPolicy").empty());
    EXPECT_EQ(0u, fake.OutstandingNetBuffers());
}

TEST(DomainWalk, FailuresAreWorthAnotherTry)
{
    struct Case {
        const char* what;
        NTSTATUS lsaOpen;
        DWORD serverInfo;
        const char* missing;
        DWORD error;
    };
    const Case cases[] = {
        {"LSA refuses", static_cast<NTSTATUS>(0xC0000022L), 0, nullptr, ERROR_ACCESS_DENIED},
        {"no server information", 0, ERROR_BAD_NETPATH, nullptr, ERROR_BAD_NETPATH},
        {"no NetServerGetInfo", 0, 0, "NetServerGetInfo", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeAccounts fake;
        fake.lsaOpenStatus = c.lsaOpen;
        fake.serverInfoStatus = c.serverInfo;
        if (c.missing) fake.missingEntryPoints.insert(c.missing);
        ScopedFakeAccounts installed(fake);
        DomainBoxWindow logon;
        SetLastError(0);
        EXPECT_FALSE(EnumTrustedDomains(EnumDomainProc, reinterpret_cast<LPARAM>(logon.Handle())));
        if (c.error) EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(0u, fake.OutstandingNetBuffers());
        EXPECT_EQ(0u, fake.OpenPolicies());
    }
}

HWND shownWindow = nullptr;

TEST(AvailableDomainsWindow, RetriesUntilTheDomainsCome)
{
    g_lang.Load(L"ovl", nullptr);
    FakeAccounts fake;
    fake.primaryDomain = L"CORP";
    fake.lsaOpenStatus = static_cast<NTSTATUS>(0xC0000022L);  // refused at first
    ScopedFakeAccounts installed(fake);
    DomainBoxWindow logon;

    // The walk holds the window's thread, so the watcher reads texts without messages.
    const DWORD testThread = GetCurrentThreadId();
    std::wstring caption, text;
    std::thread watcher([&] {
        Sleep(1000);
        EnumThreadWindows(
            testThread,
            [](HWND window, LPARAM found) -> BOOL {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&shownWindow));
        wchar_t buffer[100] = {};
        if (shownWindow) {
            InternalGetWindowText(shownWindow, buffer, ARRAYSIZE(buffer));
            caption = buffer;
            InternalGetWindowText(GetDlgItem(shownWindow, IDC_ACCOUNT_TEXT), buffer, ARRAYSIZE(buffer));
            text = buffer;
        }
        Sleep(1500);
        fake.lsaOpenStatus = 0;  // the domain is reachable from the third attempt
    });
    const DWORD start = GetTickCount();
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_AVAILABLE_DOMAINS), nullptr,
                                           AvailableDomainsDlgProc, reinterpret_cast<LPARAM>(logon.Handle()));
    const DWORD took = GetTickCount() - start;
    watcher.join();
    EXPECT_EQ(1, result);
    EXPECT_EQ(L"Ostrel Logon", caption);
    EXPECT_EQ(L"Available Domains ...", text);
    EXPECT_EQ("CORP,OVHOST", Join(logon.Entries()));
    EXPECT_EQ(3u, fake.CallsTo("LsaOpenPolicy").size());
    EXPECT_GE(took, 3900u);  // two waits of 2 s
}
