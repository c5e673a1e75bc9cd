// The GINA's dialogs and message boxes, run by the host and driven from the test thread the
// way a person would use them.
#include <windows.h>
#include <winwlx.h>

#include "host_harness.h"
#include "ui_driver.h"

namespace {

TEST_F(GinaHostTest, LogonDialogFromAnInMemoryTemplateIsDrivenLikeByAPerson)
{
    env_.Set(fixture_env::kNoticeDialog, L"0");
    env_.Set(fixture_env::kLogonDialog, L"1");
    ASSERT_TRUE(StartHost());
    Host().Post("cad");
    HWND logon = ui::WaitForDialog({IDC_LOGON_USER, IDC_LOGON_PASSWORD, IDC_LOGON_STATUS, IDOK}, kWaitMs);
    ASSERT_TRUE(logon) << ui::DescribeWindows();
    EXPECT_EQ(L"Enter your user name and password.", ui::ControlText(logon, IDC_LOGON_STATUS));
    EXPECT_FALSE(ui::IsControlEnabled(logon, IDOK));
    EXPECT_FALSE(ui::ClickButton(logon, IDOK)) << "a disabled button cannot be clicked";

    // Ctrl+Alt+Del while the logon dialog is up: the dialog keeps it.
    Host().Post("cad");
    ASSERT_TRUE(Host().WaitForTrace("dialog in-memory \"Fixture Log On\" handled it", kWaitMs));

    ASSERT_TRUE(ui::SetControlText(logon, IDC_LOGON_USER, L"alice"));
    EXPECT_TRUE(ui::IsControlEnabled(logon, IDOK));
    ASSERT_TRUE(ui::ClickButton(logon, IDOK));
    EXPECT_TRUE(ui::WaitForControlText(logon, IDC_LOGON_STATUS, L"The password must not be empty.", kWaitMs))
        << ui::DescribeWindows();
    EXPECT_TRUE(IsWindowVisible(logon));

    ASSERT_TRUE(ui::SetControlText(logon, IDC_LOGON_PASSWORD, L"wonderland"));
    ASSERT_TRUE(ui::ClickButton(logon, IDOK));
    EXPECT_TRUE(ui::WaitUntilGone(logon, kWaitMs));
    ASSERT_TRUE(Host().WaitForState(HostState::LoggedOn, kWaitMs));
    EXPECT_TRUE(LinesInOrder(Journal(), {"LogonDialog WLX_WM_SAS 1 kept", "LogonDialog result=1 user=alice",
                                         "ActivateUserShell"}));
    EXPECT_TRUE(LinesInOrder(Host().TraceLines(),
                             {"WLX<  WlxDialogBoxIndirectParam(*hDialogTemplate=in-memory \"Fixture Log On\"*) -> 1 (IDOK)",
                              "GINA> WlxLoggedOutSAS(dwSasType=1 CTRL_ALT_DEL) -> WLX_SAS_ACTION_LOGON, *"
                              "user=\"alice\", domain=\"FIXTURE\", password=(6 chars), oldPassword=NULL, "
                              "pProfile=V1_0 \"\\\\\\\\fixture\\\\profiles\\\\alice\""}));
}

TEST_F(GinaHostTest, ShutdownDoesNotWaitForAPersonToAnswerTheGinasDialogs)
{
    env_.Set(fixture_env::kLogonDialog, L"1");
    ASSERT_TRUE(StartHost());
    Host().Post("cad");
    HWND logon = ui::WaitForDialog({IDC_LOGON_USER}, kWaitMs);
    ASSERT_TRUE(logon) << ui::DescribeWindows();

    Host().Post("quit");
    EXPECT_TRUE(ui::WaitUntilGone(logon, kWaitMs));
    ASSERT_TRUE(Host().Join(kWaitMs));
    EXPECT_EQ(kExitShutDown, Host().ExitCode());
    // The logon dialog is interrupted, and so is the welcome notice shown after it.
    EXPECT_TRUE(LinesInOrder(Journal(), {"LogonDialog result=104", "NoticeDialog result=104", "Shutdown type=5"}));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(),
                                "HOST  'quit' ends dialog in-memory \"Fixture Log On\": 104 (WLX_DLG_USER_LOGOFF)"));
}

TEST_F(GinaHostTest, WlxMessageBoxShowsARealMessageBoxAndTracesItsAnswer)
{
    env_.Set(fixture_env::kNoticeDialog, L"0");
    env_.Set(fixture_env::kWelcomeBox, L"1");
    ASSERT_TRUE(StartHost());
    Host().Post("cad");
    HWND box = ui::WaitForMessageBox(FIXTURE_WELCOME_TITLE, kWaitMs);
    ASSERT_TRUE(box) << ui::DescribeWindows();
    EXPECT_EQ(L"Welcome, fixture-user!\nYour desktop is ready.", ui::MessageBoxText(box));
    // The call waits for a person, and the trace says so before the answer.
    EXPECT_TRUE(Host().WaitForTrace(
        "WLX<  WlxMessageBox(hwnd=0x0, text=\"Welcome, fixture-user!\\nYour desktop is ready.\", "
        "title=\"Ostrel Logon fixture\", style=0x40) ...",
        kWaitMs));
    ASSERT_TRUE(ui::PressMessageBoxButton(box, IDOK));
    EXPECT_TRUE(ui::WaitUntilGone(box, kWaitMs));
    ASSERT_TRUE(Host().WaitForState(HostState::LoggedOn, kWaitMs));
    EXPECT_TRUE(AnyLineContains(Journal(), "WelcomeBox result=1"));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(), "style=0x40) -> 1 (IDOK)"));
}

TEST_F(GinaHostTest, ButtonOfTheOptionsDialogChoosesTheLoggedOnAction)
{
    env_.Set(fixture_env::kNoticeDialog, L"0");
    env_.Set(fixture_env::kOptionsDialog, L"1");
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));

    Host().Post("cad");
    HWND options = ui::WaitForDialog({IDC_OPTIONS_LOCK, IDC_OPTIONS_LOGOFF, IDC_OPTIONS_SHUTDOWN}, kWaitMs);
    ASSERT_TRUE(options) << ui::DescribeWindows();
    ASSERT_TRUE(ui::ClickButton(options, IDC_OPTIONS_LOCK));
    ASSERT_TRUE(Host().WaitForState(HostState::Locked, kWaitMs));

    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    Host().Post("cad");
    options = ui::WaitForDialog({IDC_OPTIONS_LOCK}, kWaitMs);
    ASSERT_TRUE(options) << ui::DescribeWindows();
    // A SAS the dialog does not keep ends it, and WlxLoggedOnSAS gets that SAS next: it asks again.
    Host().Post("sas 260");
    EXPECT_TRUE(ui::WaitUntilGone(options, kWaitMs));
    ASSERT_TRUE(WaitForJournal("LoggedOnSAS sas=260"));
    options = ui::WaitForDialog({IDC_OPTIONS_LOCK}, kWaitMs);
    ASSERT_TRUE(options) << ui::DescribeWindows();
    ASSERT_TRUE(ui::ClickButton(options, IDCANCEL));
    ASSERT_TRUE(WaitForJournal("OptionsDialog result=2"));
    EXPECT_EQ(HostState::LoggedOn, Host().State());
    EXPECT_TRUE(LinesInOrder(Journal(), {"OptionsDialog result=3001", "WkstaLockedSAS sas=1", "LoggedOnSAS sas=1",
                                         "OptionsDialog result=101", "LoggedOnSAS sas=260", "OptionsDialog result=2"}));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(),
                                "WLX<  WlxDialogBoxIndirect(hInst=0x"));
}

TEST_F(GinaHostTest, LockedNoticeOpenedWithWlxDialogBoxEndsOnTheSas)
{
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    ASSERT_TRUE(PostAndWait("lock", HostState::Locked));
    HWND locked = ui::WaitForDialog({IDC_LOCKED_TEXT}, kWaitMs);
    ASSERT_TRUE(locked) << ui::DescribeWindows();
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    EXPECT_TRUE(ui::WaitUntilGone(locked, kWaitMs));
    EXPECT_TRUE(LinesInOrder(Journal(), {"LockedDialog WLX_WM_SAS 1 passed on", "LockedDialog result=101",
                                         "WkstaLockedSAS sas=1"}));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(), "WLX<  WlxDialogBox(hInst=0x"));
}

TEST_F(GinaHostTest, SetReturnDesktopIsValidOnlyWhileALoggedOnSasIsHandled)
{
    env_.Set(fixture_env::kNoticeDialog, L"0");
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    Host().Post("cad");
    ASSERT_TRUE(WaitForJournal("SetReturnDesktop in WlxLoggedOnSAS"));
    EXPECT_TRUE(AnyLineContains(Journal(), "SetReturnDesktop in WlxLoggedOutSAS FALSE"));
    EXPECT_TRUE(AnyLineContains(Journal(), "SetReturnDesktop in WlxLoggedOnSAS TRUE"));
}

struct CredentialsCase {
    const char* name;
    bool client, inet;
};

class CredentialsTest : public GinaHostTest, public testing::WithParamInterface<CredentialsCase> {};

TEST_P(CredentialsTest, AreHandedOutOnlyWhenConfigured)
{
    HostOptions options = FixtureHostOptions();
    // A comma in the password survives: it is everything after the second comma.
    if (GetParam().client) {
        ASSERT_TRUE(ParseCredentials(L"alice,OSTREL,pa,ss", options.clientCredentials));
    }
    if (GetParam().inet) {
        ASSERT_TRUE(ParseCredentials(L"bob,WEB,s3cret", options.inetCredentials));
    }
    env_.Set(fixture_env::kNoticeDialog, L"0");
    ASSERT_TRUE(StartHost(options));
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    std::vector<std::string> journal = Journal();
    EXPECT_EQ(GetParam().client,
              AnyLineContains(journal, "ClientCredentials TRUE type=1 user=alice domain=OSTREL password=pa,ss prompt=0"));
    EXPECT_EQ(!GetParam().client, AnyLineContains(journal, "ClientCredentials FALSE"));
    EXPECT_EQ(GetParam().inet,
              AnyLineContains(journal, "InetCredentials TRUE type=1 user=bob domain=WEB password=s3cret prompt=0"));
    EXPECT_EQ(!GetParam().inet, AnyLineContains(journal, "InetCredentials FALSE"));
    // Passwords never reach the trace.
    EXPECT_FALSE(AnyLineContains(Host().TraceLines(), "pa,ss"));
    EXPECT_FALSE(AnyLineContains(Host().TraceLines(), "s3cret"));
}

INSTANTIATE_TEST_SUITE_P(Configurations, CredentialsTest,
                         testing::Values(CredentialsCase{"none", false, false}, CredentialsCase{"client", true, false},
                                         CredentialsCase{"inet", false, true}, CredentialsCase{"both", true, true}),
                         [](const testing::TestParamInfo<CredentialsCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
