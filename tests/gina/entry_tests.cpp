// The GINA's entry, negotiation, context and small entry points, through its real exports
// as the Winlogon stand-in calls them. Runs under NT 4.0, 2000, XP and Server 2003.
#include <thread>

#include "gina_bench.h"
#include "scoped.h"
#include "ui_driver.h"
#include "wine_env.h"

namespace {
const wchar_t kWinlogonKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const wchar_t kSettingsKey[] = L"SOFTWARE\\Ostrel\\Logon";

bool Contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }
}  // namespace

TEST_F(GinaTest, NegotiatesTheInterfaceOfThisWindowsAndBuildsItsContext)
{
    ASSERT_TRUE(InitializeHere());
    const DWORD expected = EmulatedWindows() == "nt40" ? WLX_VERSION_1_1 : WLX_VERSION_1_3;
    EXPECT_EQ(expected, Host().OfferedVersion());
    EXPECT_EQ(expected, Host().DllVersion());

    Glb* glb = Context();
    ASSERT_NE(nullptr, glb);
    EXPECT_EQ(77u, glb->signature);
    EXPECT_EQ(DWORD(LOGON_STATE_ACTIVE), glb->LogonState);
    EXPECT_EQ(Host().WinlogonHandle(), glb->hWlx);
    ASSERT_NE(nullptr, glb->windowStation);
    EXPECT_STREQ(L"WinSta0", glb->windowStation);
    EXPECT_EQ(nullptr, glb->pAcc);
    EXPECT_EQ(0u, glb->locked | glb->logonResult | glb->noticeShown);
    EXPECT_TRUE(Host().CtrlAltDelEnabled()) << "WlxInitialize asks for Ctrl+Alt+Del";

    const std::string log = GinaLog();
    char version[32];
    sprintf(version, "WlxNegotiate, ver: %lX", Host().OfferedVersion());
    EXPECT_TRUE(Contains(log, version)) << log;
    EXPECT_TRUE(Contains(log, "neg ok")) << log;
    EXPECT_TRUE(Contains(log, "WlxInitialize, hWlx")) << log;
    EXPECT_TRUE(Contains(log, "Initializing end")) << log;
    EXPECT_TRUE(Contains(log, "[DllMain] product: Ostrel Logon")) << log;
    EXPECT_TRUE(Contains(log, "[DllMain] version: 1.00")) << log;
}

TEST_F(GinaTest, WinlogonOlderThanOnePointOneUninstallsTheGinaOnce)
{
    ScopedRegValue gina(HKEY_LOCAL_MACHINE, kWinlogonKey, L"GinaDll", L"ov_gina.dll");
    HostOptions options = Options();
    options.winlogonVersion = WLX_VERSION_1_0;

    bool initialized = true;
    std::thread winlogon([&] { initialized = InitializeHere(options); });
    HWND box = ui::WaitForMessageBox(L"Ostrel Logon", kWaitMs);
    ASSERT_NE(nullptr, box) << ui::DescribeWindows();
    EXPECT_EQ(L"Logon initialization failed due to a version conflict\nGINA module was uninstalled.\n"
              L"Windows NT will shutdown when you press OK.",
              ui::MessageBoxText(box));
    EXPECT_TRUE(ui::PressMessageBoxButton(box, IDOK));
    winlogon.join();
    EXPECT_FALSE(initialized);
    EXPECT_EQ(kExitNegotiationFailed, Host().ExitCode());
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kWinlogonKey, L"GinaDll"));
    EXPECT_TRUE(Contains(GinaLog(), "Unknown version:  10000")) << GinaLog();

    // Nothing left to remove: refused again, without a message.
    UnloadGina();
    EXPECT_FALSE(InitializeHere(options));
    EXPECT_EQ(nullptr, ui::WaitForMessageBox(L"Ostrel Logon", 300));
}

TEST_F(GinaTest, OnXpTheShellServicesAreAskedUpToSixTimes)
{
    HMODULE shsvcs = LoadLibraryW(L"Shsvcs.dll");  // the tests' stand-in, beside this program
    ASSERT_NE(nullptr, shsvcs);
    using SetAnswers = void(WINAPI*)(const DWORD*, int);
    using Calls = void(WINAPI*)(int*, int*, DWORD*);
    auto setAnswers = reinterpret_cast<SetAnswers>(GetProcAddress(shsvcs, "FixtureSetAnswers"));
    auto calls = reinterpret_cast<Calls>(GetProcAddress(shsvcs, "FixtureCalls"));
    ASSERT_TRUE(setAnswers && calls);

    const bool xp = EmulatedWindows() == "winxp";
    struct Case { std::vector<DWORD> answers; int waits, signals; } cases[] = {
        {{0}, 1, 1}, {{1, 1, 0}, 3, 1}, {{1, 1, 1, 1, 1, 0}, 6, 1}, {{1, 1, 1, 1, 1, 1, 0}, 6, 0},
    };
    for (const Case& c : cases) {
        setAnswers(c.answers.data(), int(c.answers.size()));
        ASSERT_TRUE(InitializeHere());
        int waits = -1, signals = -1;
        DWORD argument = 0;
        calls(&waits, &signals, &argument);
        EXPECT_EQ(xp ? c.waits : 0, waits) << c.answers.size() << " answers";
        EXPECT_EQ(xp ? c.signals : 0, signals) << c.answers.size() << " answers";
        if (xp) {
            EXPECT_EQ(2000u, argument);
        }
        UnloadGina();
    }
    FreeLibrary(shsvcs);
}

TEST_F(GinaTest, SmallEntryPointsAgreeAndReport)
{
    ASSERT_TRUE(InitializeHere());
    CGinaCalls& gina = Host().Gina();
    EXPECT_TRUE(gina.IsLockOk());

    gina.DisplaySasNotice();
    EXPECT_EQ(1u, Context()->noticeShown);
    EXPECT_TRUE(gina.IsLogoffOk());
    EXPECT_EQ(DWORD(LOGON_STATE_LOGGED_OFF), Context()->LogonState);
    EXPECT_EQ(0u, Context()->noticeShown);
    EXPECT_TRUE(gina.IsLogoffOk());
    EXPECT_EQ(DWORD(LOGON_STATE_LOGGED_OFF), Context()->LogonState);

    for (BOOL secure : {TRUE, FALSE}) {
        BOOL flag = secure;
        EXPECT_TRUE(gina.ScreenSaverNotify(flag));
        EXPECT_EQ(secure, flag) << "the secure flag is left as it was";
    }
    EXPECT_TRUE(Contains(GinaLog(), "WlxScreenSaverNotify 1"));
    EXPECT_TRUE(Contains(GinaLog(), "WlxScreenSaverNotify 0"));

    WLX_MPR_NOTIFY_INFO info = {};
    EXPECT_TRUE(gina.NetworkProviderLoad(info));
    EXPECT_EQ(nullptr, info.pszUserName);

    gina.DisplayLockedNotice();
    EXPECT_EQ(1u, Context()->locked);

    Context()->userToken = reinterpret_cast<HANDLE>(0x1234);
    Context()->pAcc = reinterpret_cast<Acc*>(0x5678);
    gina.Logoff();
    EXPECT_EQ(nullptr, Context()->userToken);
    EXPECT_EQ(nullptr, Context()->pAcc);
    EXPECT_EQ(DWORD(LOGON_STATE_LOGGED_OFF), Context()->LogonState);

    gina.Shutdown(WLX_SAS_ACTION_SHUTDOWN_REBOOT);
    EXPECT_TRUE(Contains(GinaLog(), "WlxShutdown (finalizing CSmartkey) B")) << GinaLog();
    EXPECT_TRUE(Contains(GinaLog(), "WlxShutdown (finalized)")) << GinaLog();
}

TEST_F(GinaTest, GetStatusMessageWritesTheProductNameOnlyWhenItFits)
{
    ASSERT_TRUE(InitializeHere());
    using GetStatus = BOOL(WINAPI*)(PVOID, DWORD*, PWSTR, DWORD);
    auto getStatus = reinterpret_cast<GetStatus>(Export("WlxGetStatusMessage"));
    ASSERT_NE(nullptr, getStatus);
    const DWORD kFits = sizeof(L"Ostrel Logon");
    struct Case { bool buffer; DWORD size; const wchar_t* expected; } cases[] = {
        {true, 0, L"untouched"}, {false, 100, nullptr}, {true, kFits - 2, L"untouched"},
        {true, kFits, L"Ostrel Logon"}, {true, 200, L"Ostrel Logon"},
    };
    for (const Case& c : cases) {
        wchar_t message[100] = L"untouched";
        DWORD options = 0xABCD;
        EXPECT_TRUE(getStatus(Context(), &options, c.buffer ? message : nullptr, c.size));
        EXPECT_EQ(0xABCDu, options) << "options are not written";
        if (c.expected) {
            EXPECT_STREQ(c.expected, message) << c.size;
        }
    }
    EXPECT_TRUE(Host().Gina().DisplayStatusMessage(nullptr, 0, L"Title", L"Applying your personal settings..."));
    EXPECT_TRUE(Host().Gina().RemoveStatusMessage());
    EXPECT_TRUE(Contains(GinaLog(), "WlxDisplayStatusMessage:  Applying your personal settings...")) << GinaLog();
    EXPECT_TRUE(Contains(GinaLog(), "WlxRemoveStatusMessage..")) << GinaLog();
}

TEST_F(GinaTest, KeyRemovalSasAnswersAfterTheBriefWait)
{
    ASSERT_TRUE(InitializeHere());
    struct Case { DWORD sas; int action; } cases[] = {
        {GINA_SAS_LOCK, WLX_SAS_ACTION_LOCK_WKSTA}, {GINA_SAS_LOGOFF, WLX_SAS_ACTION_FORCE_LOGOFF}};
    for (const Case& c : cases) {
        const size_t from = Host().TraceLineCount();
        const DWORD start = GetTickCount();
        EXPECT_EQ(c.action, Host().Gina().LoggedOnSas(c.sas));
        const DWORD elapsed = GetTickCount() - start;
        EXPECT_GE(elapsed, 650u) << "400 ms timer, then 300 ms";
        EXPECT_LT(elapsed, 1500u);
        EXPECT_TRUE(Host().WaitForTrace("WlxDialogBoxParam(", 0, from)) << Trace();
        EXPECT_TRUE(Host().WaitForTrace("-> 2", 0, from)) << Trace();
    }
    EXPECT_TRUE(Contains(GinaLog(), "0.2 second dialog BEGIN"));
    EXPECT_TRUE(Contains(GinaLog(), "0.2 second dialog END"));

    const DWORD start = GetTickCount();
    EXPECT_EQ(WLX_SAS_ACTION_NONE, Host().Gina().LoggedOnSas(WLX_SAS_TYPE_CTRL_ALT_DEL));
    EXPECT_LT(GetTickCount() - start, 300u) << "no wait dialog for other SASes";
}

TEST_F(GinaTest, LogonDialogButtonsShutDownOrRestartThroughWinlogon)
{
    struct Case { const char* sas; const char* action; } cases[] = {
        {"sas 251", "WLX_SAS_ACTION_SHUTDOWN_POWER_OFF"}, {"sas 256", "WLX_SAS_ACTION_SHUTDOWN_REBOOT"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(StartHost());
        ASSERT_TRUE(Host().WaitForState(HostState::LoggedOut, kWaitMs));
        Host().Post("cad");
        EXPECT_TRUE(Host().WaitForTrace("WlxLoggedOutSAS(dwSasType=", kWaitMs)) << Trace();
        EXPECT_TRUE(Host().WaitForState(HostState::LoggedOut, kWaitMs)) << "no logon yet: still logged out";
        Host().Post(c.sas);
        ASSERT_TRUE(Host().WaitForState(HostState::ShutDown, kWaitMs)) << Trace();
        EXPECT_TRUE(Host().WaitForTrace(std::string("-> ") + c.action, 0)) << Trace();
        EXPECT_TRUE(Host().WaitForTrace("WlxShutdown(", 0)) << Trace();
        UnloadGina();
    }
}

namespace {
// A 2 x 2 24-bit bitmap file.
std::string TinyBitmap()
{
    const unsigned char header[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                    40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                    16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::string data(reinterpret_cast<const char*>(header), sizeof header);
    data.append(16, '\x7f');
    return data;
}
}  // namespace

TEST_F(GinaTest, LogoComesFromLogoPictureElseFromTheBuiltInBitmap)
{
    ScopedFile bitmap("C:\\ovt_logo.bmp", TinyBitmap());
    struct Case { const wchar_t* picture; std::vector<std::string> expected, absent; } cases[] = {
        {L"C:\\ovt_logo.bmp", {"Logo loaded from ->  C:\\ovt_logo.bmp  0 0"}, {"Logo loaded successfully!"}},
        {L"C:\\ovt_missing_logo.bmp",
         {"Load logo failed from ->  C:\\ovt_missing_logo.bmp  0 0", "[DllMain] Logo loaded successfully!"}, {}},
        {nullptr, {"[DllMain] Logo loaded successfully!"}, {"Load logo failed", "Logo loaded from"}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ScopedRegValue> picture(
            c.picture ? new ScopedRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, L"Logo Picture", c.picture)
                      : new ScopedRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, L"Logo Picture"));
        ScopedFile freshLog(kGinaLogPath, "");
        ASSERT_TRUE(InitializeHere());
        const std::string log = GinaLog();
        for (const std::string& line : c.expected) EXPECT_TRUE(Contains(log, line)) << line << "\n" << log;
        for (const std::string& line : c.absent) EXPECT_FALSE(Contains(log, line)) << line << "\n" << log;
        UnloadGina();
    }
}
