// Winlogon's status messages through the GINA's real exports: the status window (template
// 103 with the logo, the busy strip and the text) comes from the key-removal window's own
// thread.
#include "gina_bench.h"
#include "ui_driver.h"

namespace {
const int kLogo = 1032, kStrip = 1031, kText = 1007;
// The window is created at the next idle step of the dispatch thread (800 ms timer).
const DWORD kShowMs = 2500;
}  // namespace

TEST_F(GinaTest, StatusMessageShowsTheWaitWindowWithItsText)
{
    ASSERT_TRUE(InitializeHere());
    CGinaCalls& gina = Host().Gina();
    ASSERT_TRUE(gina.DisplayStatusMessage(nullptr, 0, L"Title", L"Applying computer settings..."));
    HWND window = ui::WaitForDialog({kLogo, kStrip, kText}, kShowMs);
    ASSERT_NE(nullptr, window) << ui::DescribeWindows();
    EXPECT_TRUE(ui::WaitForControlText(window, kText, L"Applying computer settings...", kWaitMs))
        << ui::Utf8(ui::ControlText(window, kText));
    EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(window, nullptr))
        << "the window belongs to the dispatch thread, not Winlogon's";
    HWND logo = GetDlgItem(window, kLogo);
    EXPECT_NE(0, SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0)) << "the logo is set";

    // A later message replaces the text in the same window.
    ASSERT_TRUE(gina.DisplayStatusMessage(nullptr, 0, L"Title", L"Applying your personal settings..."));
    EXPECT_TRUE(ui::WaitForControlText(window, kText, L"Applying your personal settings...", kWaitMs))
        << ui::Utf8(ui::ControlText(window, kText));
    EXPECT_TRUE(IsWindowVisible(window));

    // WlxRemoveStatusMessage only reports: the logon dialog or the shell start closes it.
    ASSERT_TRUE(gina.RemoveStatusMessage());
    Sleep(300);
    EXPECT_TRUE(IsWindow(window) && IsWindowVisible(window)) << ui::DescribeWindows();

    // Unloading the GINA with the window up must neither hang nor crash the host.
    const DWORD start = GetTickCount();
    UnloadGina();
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_FALSE(IsWindow(window) && IsWindowVisible(window)) << ui::DescribeWindows();
    EXPECT_NE(std::string::npos, GinaLog().find("CMainWnd::StatMsgDlg_proc init")) << GinaLog();
}
