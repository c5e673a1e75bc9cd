// The profile choice dialog and the key check of the logon side, driven as a person
// would: the dialog runs modally on a thread of its own while the test clicks.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <thread>

#include "account_dialogs.h"
#include "lang.h"
#include "profile_dialog.h"
#include "string_ids.h"
#include "ui_driver.h"

namespace {
const DWORD kWaitMs = 5000;

std::wstring ComputerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = ARRAYSIZE(name);
    GetComputerNameW(name, &size);
    return name;
}

struct ChoiceTest : testing::Test {
    static void SetUpTestSuite()
    {
        g_lang.Load(L"ovl", nullptr);
        RegisterProfileChoiceControls();
    }
    void SetUp() override
    {
        const std::wstring here = ComputerName();
        addProfile(profiles, L"alice", here.c_str(), L"pw1");       // local: usable
        addProfile(profiles, L"bob", L"ELSEWHERE", L"pw2");         // another computer
        addProfile(profiles, L"carol", L"\\\\SALES", L"pw3");       // domain profile: usable
        addProfile(users, L"alice", nullptr, nullptr);
    }
    // Runs the dialog on its own thread and hands its window to `drive`.
    INT_PTR Run(const std::function<void(HWND)>& drive)
    {
        ProfileChoice choice = {profiles, users, L"Alice's key"};
        INT_PTR result = -2;
        std::thread dialog([&] {
            result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROFILE_CHOICE), nullptr,
                                     ProfileSelectionDlgProc, reinterpret_cast<LPARAM>(&choice));
        });
        drive(ui::WaitForDialog({IDC_PROFILE_LIST}, kWaitMs));
        dialog.join();
        return result;
    }
    static std::vector<std::wstring> Rows(HWND dialog)
    {
        HWND list = GetDlgItem(dialog, IDC_PROFILE_LIST);
        std::vector<std::wstring> rows;
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            wchar_t user[100] = {}, domain[100] = {};
            ListView_GetItemText(list, i, 0, user, ARRAYSIZE(user));
            ListView_GetItemText(list, i, 1, domain, ARRAYSIZE(domain));
            rows.push_back(std::wstring(user) + L"@" + domain);
        }
        return rows;
    }
    static void Select(HWND dialog, int row)
    {
        HWND list = GetDlgItem(dialog, IDC_PROFILE_LIST);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    Profile profiles[kProfileTableRecords] = {};
    Profile users[kProfileTableRecords] = {};
};
}  // namespace

TEST_F(ChoiceTest, ListsTheUsableProfilesAndOkTakesTheSelectedOne)
{
    std::vector<std::wstring> rows;
    std::wstring caption, prompt;
    const INT_PTR chosen = Run([&](HWND dialog) {
        ASSERT_TRUE(dialog != nullptr) << ui::DescribeWindows();
        rows = Rows(dialog);
        wchar_t text[100] = {};
        GetWindowTextW(dialog, text, ARRAYSIZE(text));
        caption = text;
        prompt = ui::ControlText(dialog, IDC_ACCOUNT_TEXT);
        Select(dialog, 1);
        ui::ClickButton(dialog, IDOK);
    });
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(L"alice@" + ComputerName(), rows[0]);
    EXPECT_EQ(L"carol@\\\\SALES", rows[1]);
    EXPECT_EQ(L"User profiles", caption);
    EXPECT_EQ(L"Choose profile to login:", prompt);
    EXPECT_EQ(2, chosen);
    EXPECT_EQ(0u, profiles[0].status);
    EXPECT_EQ(0u, profiles[1].status);
    EXPECT_EQ(1u, profiles[2].status);  // the chosen one, whatever it was before
}

TEST_F(ChoiceTest, ADoubleClickChooses)
{
    const INT_PTR chosen = Run([&](HWND dialog) {
        ASSERT_TRUE(dialog != nullptr);
        HWND list = GetDlgItem(dialog, IDC_PROFILE_LIST);
        RECT row = {};
        ListView_GetItemRect(list, 0, &row, LVIR_LABEL);
        const LPARAM at = MAKELPARAM((row.left + row.right) / 2, (row.top + row.bottom) / 2);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
    });
    EXPECT_EQ(0, chosen);
    EXPECT_EQ(1u, profiles[0].status);
}

TEST_F(ChoiceTest, CancelChoosesNothing)
{
    const INT_PTR chosen = Run([&](HWND dialog) {
        ASSERT_TRUE(dialog != nullptr);
        ui::ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(-1, chosen);
}

TEST_F(ChoiceTest, AKeyWithNothingForThisWorkstationIsSaidSo)
{
    Profile none[kProfileTableRecords] = {};
    addProfile(none, L"bob", L"ELSEWHERE", L"pw");
    addProfile(none, L"dave", L"FARAWAY", L"pw");
    ProfileChoice choice = {none, users, L"Alice's key"};
    INT_PTR result = -2;
    std::thread dialog([&] {
        result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROFILE_CHOICE), nullptr,
                                 ProfileSelectionDlgProc, reinterpret_cast<LPARAM>(&choice));
    });
    HWND box = ui::WaitForMessageBox(L"Ostrel Logon", kWaitMs);
    std::wstring text = box ? ui::MessageBoxText(box) : L"<no box>";
    if (box) ui::PressMessageBoxButton(box, IDOK);
    dialog.join();
    EXPECT_EQ(L"The Key (Alice's key) does not contain profiles from this Workstation.", text);
    EXPECT_EQ(-1, result);
}

TEST(ValidateKey, SaysWhyAKeyCannotBeUsed)
{
    g_lang.Load(L"ovl", nullptr);
    struct Case {
        const char* what;
        bool ignoreWithoutBio;
        DWORD bioSize, dataSize;
        bool usable, okEnabled;
        const wchar_t* status;
    };
    const Case cases[] = {
        {"profiles on the key", false, 0, 120, true, false, L"before"},
        {"profiles and a BIO ID, BIO ID required", true, 512, 120, true, false, L"before"},
        {"no BIO ID, BIO ID required", true, 0, 120, false, false,
         L"There is no BIO ID on the Key (Alice's key), Ignoring this Key."},
        {"empty key", false, 0, 0, false, true, L"Empty Key was found. (Alice's key)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND dialog = CreateWindowW(L"STATIC", L"logon", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        CreateWindowW(L"STATIC", L"before", WS_CHILD, 0, 0, 90, 20, dialog, reinterpret_cast<HMENU>(IDC_ACCOUNT_TEXT),
                      nullptr, nullptr);
        HWND ok = CreateWindowW(L"BUTTON", L"OK", WS_CHILD | WS_DISABLED, 0, 30, 50, 20, dialog,
                                reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
        CSmartKey_WndDisp key;
        lstrcpyW(key.displayName, L"Alice's key");
        key.bioSize = c.bioSize;
        key.dataSize = c.dataSize;
        EXPECT_EQ(c.usable, ValidateKey(dialog, key, c.ignoreWithoutBio));
        EXPECT_EQ(c.okEnabled, IsWindowEnabled(ok) != FALSE);
        EXPECT_EQ(c.status, ui::ControlText(dialog, IDC_ACCOUNT_TEXT));
        DestroyWindow(dialog);
    }
}
