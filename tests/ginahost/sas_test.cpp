// A SAS reaching the GINA: through its open dialog first (WLX_WM_SAS, WLX_DLG_SAS), then
// through the Wlx*SAS entry point of the state; Ctrl+Alt+Del only once the GINA asked for it.
#include <windows.h>
#include <winwlx.h>

#include "host_harness.h"
#include "ui_driver.h"

namespace {

TEST_F(GinaHostTest, CtrlAltDelEndsTheNoticeDialogAndGoesToWlxLoggedOutSAS)
{
    ASSERT_TRUE(StartHost());
    HWND notice = ui::WaitForDialog({IDC_NOTICE_TEXT}, kWaitMs);
    ASSERT_TRUE(notice) << ui::DescribeWindows();
    EXPECT_TRUE(WaitForJournal("NoticeDialog up, initParam ok"));

    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    EXPECT_TRUE(ui::WaitUntilGone(notice, kWaitMs));
    EXPECT_TRUE(LinesInOrder(Journal(), {"NoticeDialog WLX_WM_SAS 1 passed on", "NoticeDialog result=101",
                                         "LoggedOutSAS sas=1 logonSid=valid", "ActivateUserShell"}));
    EXPECT_TRUE(LinesInOrder(Host().TraceLines(),
                             {"GINA> WlxDisplaySASNotice() ...",
                              "WLX<  WlxDialogBoxParam(hInst=0x", "HOST  dialog #101 is up: hwnd=0x",
                              "HOST  SAS 1 CTRL_ALT_DEL ends dialog #101: 101 (WLX_DLG_SAS)",
                              "WLX<  WlxDialogBoxParam(*lpszTemplate=#101*) -> 101 (WLX_DLG_SAS)",
                              "GINA> WlxDisplaySASNotice() -> (void)",
                              "GINA> WlxLoggedOutSAS(dwSasType=1 CTRL_ALT_DEL) -> WLX_SAS_ACTION_LOGON"}));
}

TEST_F(GinaHostTest, DialogThatKeepsTheSasStaysOpenAndTheStateDoesNotChange)
{
    env_.Set(fixture_env::kNoticeKeeps, L"250");
    ASSERT_TRUE(StartHost());
    HWND notice = ui::WaitForDialog({IDC_NOTICE_TEXT}, kWaitMs);
    ASSERT_TRUE(notice) << ui::DescribeWindows();

    Host().Post("sas 250");
    ASSERT_TRUE(Host().WaitForTrace("dialog #101 handled it (WLX_WM_SAS returned TRUE) and stays open", kWaitMs));
    EXPECT_TRUE(IsWindowVisible(notice));
    EXPECT_EQ(HostState::LoggedOut, Host().State());
    EXPECT_FALSE(AnyLineContains(Journal(), "LoggedOutSAS"));

    // A SAS the dialog does not keep still ends it, and is the one WlxLoggedOutSAS gets.
    ASSERT_TRUE(PostAndWait("sas 251", HostState::LoggedOn));
    EXPECT_TRUE(LinesInOrder(Journal(), {"NoticeDialog WLX_WM_SAS 250 kept", "NoticeDialog WLX_WM_SAS 251 passed on",
                                         "NoticeDialog result=101", "LoggedOutSAS sas=251"}));
}

struct CtrlAltDelCase {
    const wchar_t* how;  // how WlxInitialize asks for it (fixture_env::kCtrlAltDel)
    bool delivered;
};

class CtrlAltDelTest : public GinaHostTest, public testing::WithParamInterface<CtrlAltDelCase> {};

TEST_P(CtrlAltDelTest, IsDeliveredOnlyOnceTheGinaAskedForIt)
{
    env_.Set(fixture_env::kCtrlAltDel, GetParam().how);
    ASSERT_TRUE(StartHost());
    HWND notice = ui::WaitForDialog({IDC_NOTICE_TEXT}, kWaitMs);
    ASSERT_TRUE(notice) << ui::DescribeWindows();
    EXPECT_EQ(GetParam().delivered, Host().CtrlAltDelEnabled());

    Host().Post("cad");
    if (GetParam().delivered) {
        EXPECT_TRUE(Host().WaitForState(HostState::LoggedOn, kWaitMs));
        EXPECT_TRUE(WaitForJournal("LoggedOutSAS sas=1"));
        return;
    }
    ASSERT_TRUE(Host().WaitForTrace("HOST  Ctrl+Alt+Del ignored: the GINA has not called WlxUseCtrlAltDel", kWaitMs));
    EXPECT_TRUE(IsWindowVisible(notice));
    EXPECT_FALSE(AnyLineContains(Journal(), "WLX_WM_SAS"));
    // Other SAS types are not held back.
    ASSERT_TRUE(PostAndWait("sas 250", HostState::LoggedOn));
    EXPECT_TRUE(AnyLineContains(Journal(), "LoggedOutSAS sas=250"));
}

INSTANTIATE_TEST_SUITE_P(Ways, CtrlAltDelTest,
                         testing::Values(CtrlAltDelCase{L"none", false}, CtrlAltDelCase{L"use", true},
                                         CtrlAltDelCase{L"option", true}),
                         [](const testing::TestParamInfo<CtrlAltDelCase>& info) {
                             return ui::Utf8(info.param.how);
                         });

TEST_F(GinaHostTest, WlxSasNotifyFromAThreadOfTheGinaEndsTheDialog)
{
    env_.Set(fixture_env::kSasNotify, L"50,300");
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(Host().WaitForState(HostState::LoggedOn, kWaitMs));
    EXPECT_TRUE(LinesInOrder(Journal(), {"WlxSasNotify 300 from thread", "NoticeDialog WLX_WM_SAS 300 passed on",
                                         "NoticeDialog result=101", "LoggedOutSAS sas=300"}));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(), "WLX<  WlxSasNotify(dwSasType=300 (custom)) -> (void)"));
}

TEST_F(GinaHostTest, SasWithoutAnOpenDialogGoesStraightToTheEntryPoint)
{
    env_.Set(fixture_env::kNoticeDialog, L"0");
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(WaitForJournal("DisplaySASNotice without a dialog"));
    ASSERT_TRUE(PostAndWait("sas 260", HostState::LoggedOn));
    EXPECT_TRUE(LinesInOrder(Journal(), {"DisplaySASNotice without a dialog", "LoggedOutSAS sas=260"}));
}

TEST_F(GinaHostTest, InputTimeoutEndsADialogWithWlxDlgInputTimeout)
{
    env_.Set(fixture_env::kTimeout, L"1");
    ASSERT_TRUE(StartHost());
    DWORD start = GetTickCount();
    ASSERT_TRUE(WaitForJournal("NoticeDialog result=102", 4000));
    EXPECT_GE(GetTickCount() - start, 900u);
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(),
                                "HOST  dialog #101 ends after 1 s without input: 102 (WLX_DLG_INPUT_TIMEOUT)"));
    // The notice is gone, Winlogon still waits for a SAS.
    EXPECT_EQ(HostState::LoggedOut, Host().State());
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
}

TEST_F(GinaHostTest, SasTypedAfterACommandThatWaitsForTheGinaStillGoesThrough)
{
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(ui::WaitForDialog({IDC_NOTICE_TEXT}, kWaitMs)) << ui::DescribeWindows();
    Host().Post("lock");
    ASSERT_TRUE(Host().WaitForTrace("HOST  'lock' waits until the GINA returns from WlxDisplaySASNotice", kWaitMs));
    Host().Post("cad");
    ASSERT_TRUE(Host().WaitForState(HostState::Locked, kWaitMs));
    EXPECT_TRUE(LinesInOrder(Journal(), {"LoggedOutSAS sas=1", "ActivateUserShell", "IsLockOk TRUE"}));
}

}  // namespace
