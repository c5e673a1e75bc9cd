// CMainWnd linked into this program: the key-removal decisions with the context record,
// the settings and the key identity set by the test, Winlogon's WlxSasNotify recorded by a
// dispatch table of the test's own; the panel semaphores and the status window on the real
// dispatch thread with the real key monitor; and the busy strip's stepping.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gina_context.h"
#include "gina_res.h"
#include "main_wnd.h"
#include "progress_strip.h"
#include "settings_store.h"

namespace {
// ---- Winlogon's side ----
CRITICAL_SECTION g_sasLock;
std::vector<DWORD> g_sasCalls;
HANDLE const kTestWlx = reinterpret_cast<HANDLE>(0x4711);

VOID WINAPI RecordSasNotify(HANDLE hWlx, DWORD sasType)
{
    EnterCriticalSection(&g_sasLock);
    // A wrong handle would reach no Winlogon: record it as a distinct value.
    g_sasCalls.push_back(hWlx == kTestWlx ? sasType : 0xBAD);
    LeaveCriticalSection(&g_sasLock);
}

std::vector<DWORD> SasCalls()
{
    EnterCriticalSection(&g_sasLock);
    std::vector<DWORD> calls = g_sasCalls;
    LeaveCriticalSection(&g_sasLock);
    return calls;
}

void ClearSasCalls()
{
    EnterCriticalSection(&g_sasLock);
    g_sasCalls.clear();
    LeaveCriticalSection(&g_sasLock);
}

std::string Describe(const std::vector<DWORD>& calls)
{
    std::string text = "[";
    for (DWORD call : calls) text += " " + std::to_string(call);
    return text + " ]";
}

bool WaitFor(bool (*condition)(), DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

// As the panel asks: its own create succeeds alone, or finds the GINA's.
bool MonitorStartedExists()
{
    HANDLE probe = CreateSemaphoreA(nullptr, 0, 4095, "ovl_MonitorStarted");
    const bool exists = GetLastError() == ERROR_ALREADY_EXISTS;
    if (probe) CloseHandle(probe);
    return exists;
}
bool MonitorStartedGone() { return !MonitorStartedExists(); }
bool MonitorRuns() { return g_SmartKey.IsMonitorRunning(); }
bool MonitorStopped() { return !g_SmartKey.IsMonitorRunning(); }

void ReleasePanelSemaphore(const char* name)
{
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 10, name);
    ASSERT_NE(nullptr, semaphore) << name << " gle=" << GetLastError();
    EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, nullptr)) << name << " gle=" << GetLastError();
    CloseHandle(semaphore);
}

const BYTE kLogonSerial[8] = {1, 2, 3, 4, 5, 6, 7, 8};
const BYTE kOtherSerial[8] = {9, 9, 9, 9, 9, 9, 9, 9};

// A dialog that stands for a GINA window attached to CMainWnd; it counts what it receives.
LONG g_removedAtDialog = 0;
INT_PTR CALLBACK CountingDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    if (message == WM_KEY_REMOVED) InterlockedIncrement(&g_removedAtDialog);
    return message == WM_INITDIALOG;
}

class MainWndTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InitializeCriticalSection(&g_sasLock);
        g_hInstance = GetModuleHandleW(nullptr);
        static WLX_DISPATCH_VERSION_1_0 table = {};
        table.WlxSasNotify = RecordSasNotify;
        g_pWinlogon = &table;
        g_hWlx = kTestWlx;
        static Glb glb = {};
        glb.signature = kGlbSignature;
        glb.hWlx = kTestWlx;
        g_pGlb = &glb;
        g_MainWnd.Init(g_hInstance);
    }

    void SetUp() override
    {
        ASSERT_TRUE(g_MainWnd.IsThreadRunning());
        std::memset(&acc_, 0, sizeof acc_);
        std::memcpy(acc_.keySerial, kLogonSerial, sizeof kLogonSerial);
        acc_.byKey = 1;
        g_pGlb->pAcc = &acc_;
        g_pGlb->LogonState = LOGON_STATE_ACTIVE;
        g_settings.keyRemoveAction = 1;
        std::memcpy(g_SmartKey.keySerial, kLogonSerial, sizeof kLogonSerial);
        ClearSasCalls();
    }

    void TearDown() override
    {
        // Settle a pending removal so it cannot fire into the next test.
        g_pGlb->pAcc = nullptr;
        if (g_MainWnd.IsRemovalPending()) {
            g_pGlb->LogonState = LOGON_STATE_ACTIVE;
            g_MainWnd.FireKeyRemovalBehaviour();
        }
        g_MainWnd.SetStatusMessage(FALSE, nullptr);
        g_MainWnd.RemoveDispatchWnd();
        if (dialog_) DestroyWindow(dialog_);
        dialog_ = nullptr;
    }

    HWND Dialog()
    {
        if (!dialog_) {
            dialog_ = CreateDialogParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PLEASE_WAIT), nullptr, CountingDlgProc, 0);
            // On screen, as a GINA dialog is: a hidden one would be asked for its caption,
            // a message this thread (not pumping while it waits) would never answer.
            if (dialog_) ShowWindow(dialog_, SW_SHOWNOACTIVATE);
        }
        return dialog_;
    }

    Acc acc_;
    HWND dialog_ = nullptr;
};
}  // namespace

TEST_F(MainWndTest, RemovalOfTheLogonKeyAppliesTheConfiguredAction)
{
    struct Case {
        const char* name;
        bool account;
        const BYTE* currentSerial;
        int action;
        std::vector<DWORD> sas;
    } cases[] = {
        {"lock", true, kLogonSerial, 1, {GINA_SAS_LOCK}},
        {"log off", true, kLogonSerial, 2, {GINA_SAS_LOGOFF}},
        {"no action", true, kLogonSerial, 0, {}},
        {"unknown action", true, kLogonSerial, 7, {}},
        {"negative action", true, kLogonSerial, -1, {}},
        {"another key", true, kOtherSerial, 1, {}},
        {"no account", false, kLogonSerial, 2, {}},
    };
    for (const Case& c : cases) {
        ClearSasCalls();
        g_pGlb->pAcc = c.account ? &acc_ : nullptr;
        std::memcpy(g_SmartKey.keySerial, c.currentSerial, 8);
        g_settings.keyRemoveAction = c.action;
        g_MainWnd.FireKeyRemovalBehaviour();
        EXPECT_EQ(c.sas, SasCalls()) << c.name << ": " << Describe(SasCalls());
        EXPECT_FALSE(g_MainWnd.IsRemovalPending()) << c.name;
    }
}

TEST_F(MainWndTest, RemovalBeforeTheShellRunsIsOwedUntilStateOne)
{
    struct Case { const char* name; int action; std::vector<DWORD> sas; } cases[] = {
        {"lock", 1, {GINA_SAS_LOCK}}, {"log off", 2, {GINA_SAS_LOGOFF}}, {"no action", 0, {}}};
    for (const Case& c : cases) {
        ClearSasCalls();
        g_settings.keyRemoveAction = c.action;
        for (DWORD state : {LOGON_STATE_LOGGING_ON, LOGON_STATE_NONE, LOGON_STATE_LOGGED_OFF}) {
            g_pGlb->LogonState = state;
            g_MainWnd.FireKeyRemovalBehaviour();
            EXPECT_TRUE(g_MainWnd.IsRemovalPending()) << c.name << " state " << state;
        }
        // Idle steps in a state other than 1 keep it owed.
        Sleep(1000);
        EXPECT_TRUE(SasCalls().empty()) << c.name << ": " << Describe(SasCalls());
        EXPECT_TRUE(g_MainWnd.IsRemovalPending()) << c.name;

        g_pGlb->LogonState = LOGON_STATE_ACTIVE;
        EXPECT_TRUE(WaitFor([] { return !g_MainWnd.IsRemovalPending(); }, 2000)) << c.name << ": not acted on";
        EXPECT_EQ(c.sas, SasCalls()) << c.name << ": " << Describe(SasCalls());
    }

    // Owed, but by the time the state is 1 the account is gone: nothing, and still owed.
    g_pGlb->LogonState = LOGON_STATE_LOGGING_ON;
    g_MainWnd.FireKeyRemovalBehaviour();
    ASSERT_TRUE(g_MainWnd.IsRemovalPending());
    ClearSasCalls();
    g_pGlb->pAcc = nullptr;
    g_pGlb->LogonState = LOGON_STATE_ACTIVE;
    Sleep(1000);
    EXPECT_TRUE(SasCalls().empty()) << Describe(SasCalls());
}

TEST_F(MainWndTest, KeyRemovedMessageActsOnEitherPath)
{
    // No dialog attached: the own hidden window takes it.
    g_MainWnd.SendNotify(WM_KEY_REMOVED, 0, 0);
    EXPECT_TRUE(WaitFor([] { return !SasCalls().empty(); }, 2000));
    EXPECT_EQ(std::vector<DWORD>{GINA_SAS_LOCK}, SasCalls()) << Describe(SasCalls());

    // An attached dialog gets the message too, after the action.
    ClearSasCalls();
    g_removedAtDialog = 0;
    HWND dialog = Dialog();
    ASSERT_NE(nullptr, dialog);
    g_MainWnd.SetDispatchWnd(dialog);
    EXPECT_EQ(dialog, g_MainWnd.GetHwnd());
    g_settings.keyRemoveAction = 2;
    g_MainWnd.SendNotify(WM_KEY_REMOVED, 0, 0);
    EXPECT_EQ(std::vector<DWORD>{GINA_SAS_LOGOFF}, SasCalls()) << Describe(SasCalls());
    MSG msg;
    const DWORD start = GetTickCount();
    while (g_removedAtDialog == 0 && GetTickCount() - start < 2000) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
    EXPECT_EQ(1, g_removedAtDialog);
}

TEST_F(MainWndTest, MonitorKeepsRunningInTheSessionOnlyAfterAKeyLogonWithAnAction)
{
    HWND dialog = Dialog();
    ASSERT_NE(nullptr, dialog);
    struct Case { const char* name; int action; bool account; DWORD byKey; bool keeps; } cases[] = {
        {"key logon, lock", 1, true, 1, true},
        {"key logon, log off", 2, true, 1, true},
        {"no account yet", 1, false, 0, true},
        {"typed logon", 1, true, 0, false},
        {"no action", 0, true, 1, false},
    };
    for (const Case& c : cases) {
        g_settings.keyRemoveAction = c.action;
        acc_.byKey = c.byKey;
        g_pGlb->pAcc = c.account ? &acc_ : nullptr;
        g_MainWnd.SetDispatchWnd(dialog);
        ASSERT_TRUE(WaitFor(MonitorRuns, 3000)) << c.name << ": attaching starts the monitor";
        g_MainWnd.RemoveDispatchWnd();
        EXPECT_EQ(nullptr, g_MainWnd.GetHwnd()) << c.name;
        EXPECT_EQ(c.keeps, g_SmartKey.IsMonitorRunning()) << c.name;
        g_settings.keyRemoveAction = 0;
        g_MainWnd.RemoveDispatchWnd();
        ASSERT_FALSE(g_SmartKey.IsMonitorRunning()) << c.name;
    }
}

TEST_F(MainWndTest, PanelLearnsThatTheMonitorRunsAndStopsIt)
{
    EXPECT_TRUE(WaitFor(MonitorStartedGone, 2000)) << "no monitor yet";
    g_MainWnd.SetDispatchWnd(Dialog());
    ASSERT_TRUE(WaitFor(MonitorRuns, 3000));
    // Within one idle step (800 ms timer).
    EXPECT_TRUE(WaitFor(MonitorStartedExists, 2000)) << "ovl_MonitorStarted not held while the monitor runs";

    // A start request is not acted on: the monitor still runs and the count stays.
    ReleasePanelSemaphore("ovl_do_start");
    Sleep(1000);
    EXPECT_TRUE(g_SmartKey.IsMonitorRunning());

    ReleasePanelSemaphore("ovl_do_stop");
    DWORD start = GetTickCount();
    EXPECT_TRUE(WaitFor(MonitorStopped, 2000)) << "the stop request is taken within one idle step";
    EXPECT_TRUE(WaitFor(MonitorStartedGone, 2000)) << "ovl_MonitorStarted still there after "
                                                   << GetTickCount() - start << " ms";

    // The next attach starts it again.
    g_MainWnd.SetDispatchWnd(Dialog());
    EXPECT_TRUE(WaitFor(MonitorRuns, 3000));
    EXPECT_TRUE(WaitFor(MonitorStartedExists, 2000));
    g_settings.keyRemoveAction = 0;
}

TEST_F(MainWndTest, StatusWindowFollowsTheStatusFlag)
{
    g_MainWnd.SetStatusMessage(TRUE, L"Preparing network connections...");
    ASSERT_TRUE(WaitFor([] { return g_MainWnd.StatusWindow() != nullptr; }, 2500));
    HWND window = g_MainWnd.StatusWindow();
    WCHAR text[100] = {};
    GetDlgItemTextW(window, IDC_WAIT_TEXT, text, 100);
    EXPECT_STREQ(L"Preparing network connections...", text);
    EXPECT_TRUE(IsWindowVisible(window));

    g_MainWnd.SetStatusMessage(TRUE, L"Applying your personal settings...");
    GetDlgItemTextW(window, IDC_WAIT_TEXT, text, 100);
    EXPECT_STREQ(L"Applying your personal settings...", text);

    const DWORD start = GetTickCount();
    g_MainWnd.SetStatusMessage(FALSE, nullptr);
    EXPECT_TRUE(WaitFor([] { return g_MainWnd.StatusWindow() == nullptr; }, 1000));
    while (IsWindow(window) && GetTickCount() - start < 1000) Sleep(2);
    const DWORD closedAfter = GetTickCount() - start;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_LT(closedAfter, 150u) << "closed after " << closedAfter << " ms";
}

TEST_F(MainWndTest, StatusRemovedAtOnceNeverShowsAWindow)
{
    for (int round = 0; round < 3; ++round) {
        g_MainWnd.SetStatusMessage(TRUE, L"Please wait");
        g_MainWnd.SetStatusMessage(FALSE, nullptr);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 1000) {
            ASSERT_EQ(nullptr, g_MainWnd.StatusWindow()) << "round " << round;
            Sleep(2);
        }
    }
}

// ---- busy strip ----

namespace {
struct StripState { int head, tail, phase, direction; };

StripState After(CProgressStrip& strip, int steps)
{
    for (int i = 0; i < steps; ++i) strip.Advance();
    return {strip.head, strip.tail, strip.phase, strip.direction};
}

std::string Describe(const StripState& s)
{
    char text[80];
    std::snprintf(text, sizeof text, "head %d tail %d phase %d direction %d", s.head, s.tail, s.phase, s.direction);
    return text;
}
}  // namespace

TEST(ProgressStrip, StartsAtTheLeftWithTheDefaults)
{
    CProgressStrip strip;
    EXPECT_EQ(100, strip.range);
    EXPECT_EQ(40, strip.lead);
    EXPECT_EQ(1, strip.step);
    EXPECT_EQ(0, strip.head + strip.tail + strip.phase + strip.direction + strip.bounce);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), strip.background);
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), strip.endColour);
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), strip.middleColour);
}

TEST(ProgressStrip, SteppingTable)
{
    // {step, bounce, steps from the start, expected}
    struct Case { int step, bounce, steps; StripState expected; } cases[] = {
        {2, 0, 1, {2, 0, 0, 0}},
        {2, 0, 19, {38, 0, 0, 0}},       // the tail waits for the lead
        {2, 0, 20, {40, 2, 0, 0}},       // head at the lead: the tail follows
        {2, 0, 50, {100, 62, 0, 0}},     // head at the range
        {2, 0, 51, {100, 64, 1, 0}},     // the tail catches up
        {2, 0, 69, {100, 100, 1, 0}},
        {2, 0, 70, {1, 0, 0, 0}},        // restart at the left
        {2, 0, 71, {3, 0, 0, 0}},
        {3, 0, 33, {99, 60, 0, 0}},
        {3, 0, 34, {100, 63, 0, 0}},     // head clamped
        {3, 0, 46, {100, 99, 1, 0}},
        {3, 0, 47, {100, 100, 1, 0}},    // tail clamped
        {3, 0, 48, {1, 0, 0, 0}},
        {2, 1, 70, {98, 100, 0, 1}},     // bounce: runs back
        {2, 1, 89, {60, 98, 0, 1}},      // mirrored lead: 40 from the right
        {2, 1, 90, {58, 96, 0, 1}},
        {2, 1, 119, {0, 38, 0, 1}},
        {2, 1, 120, {0, 36, 1, 1}},
        {2, 1, 138, {0, 0, 1, 1}},
        {2, 1, 139, {2, 0, 0, 0}},       // back to left to right
        {2, 1, 140, {4, 0, 0, 0}},
        {150, 0, 1, {100, 100, 0, 0}},   // a step wider than the range
        {150, 0, 2, {1, 0, 0, 0}},
        {150, 1, 2, {0, 100, 0, 1}},     // reversed, head clamped at 0
        {150, 1, 4, {100, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CProgressStrip strip;
        strip.step = c.step;
        strip.bounce = c.bounce;
        const StripState got = After(strip, c.steps);
        EXPECT_TRUE(got.head == c.expected.head && got.tail == c.expected.tail && got.phase == c.expected.phase &&
                    got.direction == c.expected.direction)
            << "step " << c.step << " bounce " << c.bounce << " after " << c.steps << ": " << Describe(got)
            << ", expected " << Describe(c.expected);
    }
}

TEST(ProgressStrip, BounceExchangesTheColoursAndRestoresThem)
{
    const COLORREF end = RGB(0, 128, 255), middle = RGB(0, 0, 255);
    struct Case { int bounce, steps; COLORREF end, middle; int direction; } cases[] = {
        {1, 69, end, middle, 0}, {1, 70, middle, end, 1}, {1, 138, middle, end, 1}, {1, 139, end, middle, 0},
        {0, 70, end, middle, 0}, {0, 140, end, middle, 0},
    };
    for (const Case& c : cases) {
        CProgressStrip strip;
        strip.Attach(nullptr, end, 2, end, middle);
        strip.bounce = c.bounce;
        After(strip, c.steps);
        EXPECT_EQ(c.end, strip.endColour) << "bounce " << c.bounce << " after " << c.steps;
        EXPECT_EQ(c.middle, strip.middleColour) << "bounce " << c.bounce << " after " << c.steps;
        EXPECT_EQ(c.direction, strip.direction) << "bounce " << c.bounce << " after " << c.steps;
    }
}

TEST(ProgressStrip, AZeroStepStillMoves)
{
    CProgressStrip strip;
    strip.Attach(nullptr, 0, 0, 0, 0);
    EXPECT_EQ(1, strip.step);
    strip.step = 0;
    strip.Advance();
    EXPECT_EQ(1, strip.head) << "a step below 1 would freeze the strip";
}
