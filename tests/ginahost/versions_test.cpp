// What depends on the emulated Windows: the version Winlogon offers, the dispatch table it
// hands over, the status messages of GINA 1.3, and ginahost.exe run under that Windows.
#include <windows.h>
#include <winwlx.h>

#include <cstdio>

#include "host_harness.h"
#include "process.h"
#include "scoped.h"
#include "wine_env.h"

namespace {

DWORD ExpectedOffer() { return EmulatedWindows() == "nt40" ? WLX_VERSION_1_1 : WLX_VERSION_1_3; }

std::string PointerText(const void* pointer)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", pointer);  // as the fixture journals it
    return text;
}

std::string HexText(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

TEST_F(GinaHostTest, NegotiatesTheVersionOfThisWindowsAndHandsOverItsDispatchTable)
{
    ASSERT_TRUE(InitializeHereOnly());
    DWORD offer = ExpectedOffer();
    EXPECT_EQ(offer, Host().OfferedVersion());
    EXPECT_EQ(offer, Host().DllVersion());
    size_t tableSize = offer == WLX_VERSION_1_1 ? sizeof(WLX_DISPATCH_VERSION_1_1) : sizeof(WLX_DISPATCH_VERSION_1_3);
    EXPECT_EQ(tableSize, Host().DispatchTableSize());

    std::vector<std::string> journal = Journal();
    EXPECT_TRUE(LinesInOrder(journal, {"Negotiate offered=" + HexText(offer) + " answered=" + HexText(offer) + " TRUE",
                                       "Initialize winsta=WinSta0 hWlx=" + PointerText(Host().WinlogonHandle()) +
                                           " reserved=" + PointerText(nullptr) +
                                           " table=" + PointerText(Host().DispatchTable())}));
    // A 1.3 GINA can ask for the table's size; a 1.1 table has no WlxGetOption to ask with.
    EXPECT_EQ(offer == WLX_VERSION_1_3, AnyLineContains(journal, "TableSize " + std::to_string(tableSize)));

    const char* tableName = offer == WLX_VERSION_1_1 ? "WLX_DISPATCH_VERSION_1_1" : "WLX_DISPATCH_VERSION_1_3";
    EXPECT_TRUE(LinesInOrder(Host().TraceLines(),
                             {"GINA> WlxNegotiate(dwWinlogonVersion=" + HexText(offer) + ") -> TRUE, dwDllVersion=" +
                                  HexText(offer),
                              "GINA> WlxInitialize(lpWinsta=\"WinSta0\", hWlx=0x*, pvReserved=NULL, pWinlogonFunctions=0x* " +
                                  std::string(tableName) + ") -> TRUE, pWlxContext=0x"}));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(), "WLX<  WlxUseCtrlAltDel() -> (void)"));
}

TEST_F(GinaHostTest, GinaWithoutStatusCallsIsGoodEnoughOnlyForA11Winlogon)
{
    bool accepted = InitializeHereOnly(FixtureHostOptions(kFixtureGinaNoStatus));
    EXPECT_EQ(ExpectedOffer() == WLX_VERSION_1_1, accepted);
    if (!accepted) {
        EXPECT_EQ(kExitLoadFailed, Host().ExitCode());
    }
}

TEST_F(GinaHostTest, LogonLockUnlockLogoffShutdownRound)
{
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    ASSERT_TRUE(PostAndWait("lock", HostState::Locked));
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    ASSERT_TRUE(PostAndWait("logoff", HostState::LoggedOut));
    ASSERT_TRUE(PostAndWait("quit", HostState::ShutDown));
    ASSERT_TRUE(Host().Join(kWaitMs));
    EXPECT_EQ(kExitShutDown, Host().ExitCode());

    bool statusMessages = ExpectedOffer() == WLX_VERSION_1_3;
    std::vector<std::string> journal = Journal();
    EXPECT_TRUE(LinesInOrder(journal, {"NoticeDialog result=101", "LoggedOutSAS sas=1", "ActivateUserShell "
                                       "desktop=Winsta0\\Default script=(null) environment=ok freed=yes",
                                       "IsLockOk TRUE", "LockedDialog result=101", "WkstaLockedSAS sas=1",
                                       "IsLogoffOk TRUE", "Logoff", "NoticeDialog result=", "Shutdown type=5"}));
    if (statusMessages) {
        EXPECT_TRUE(LinesInOrder(journal, {"DisplayStatusMessage title=Please wait message=Applying your personal "
                                           "settings...",
                                           "ActivateUserShell", "RemoveStatusMessage",
                                           "DisplayStatusMessage title=Please wait message=Logging off...", "Logoff",
                                           "RemoveStatusMessage"}));
    } else {
        EXPECT_FALSE(AnyLineContains(journal, "StatusMessage"));
    }
    EXPECT_FALSE(AnyLineContains(journal, "BadContext"));
    EXPECT_TRUE(LinesInOrder(Host().TraceLines(),
                             {"HOST  state: logged-out", "HOST  state: logged-on", "HOST  state: locked",
                              "HOST  state: logged-on", "HOST  state: logged-out", "HOST  state: shut-down"}));
}

TEST(GinaHostProcess, PipedCommandsDriveTheGinaAndTheTraceShowsIt)
{
    if (EmulatedWindows().empty()) GTEST_SKIP() << "needs a versioned run";
    ProcessRun run;
    run.program = ExeDirW() + L"ginahost-" + std::wstring(EmulatedWindows().begin(), EmulatedWindows().end()) + L".exe";
    run.arguments = {L"--gina", ExeDirW() + kFixtureGina, L"--client-credentials", L"alice,OSTREL,pw"};
    run.input = "cad\nwait 50\nlock\nsas 300\nstate\nlogoff\n";  // end of input: quit
    run.environment = {{fixture_env::kLockedActions, L"UNLOCK_WKSTA"}};
    run.timeoutMs = 30000;
    ProcessResult result = RunProcess(run);
    ASSERT_TRUE(result.started) << result.failure;
    EXPECT_FALSE(result.timedOut) << result.output;
    EXPECT_EQ((DWORD)kExitShutDown, result.exitCode) << result.output << result.errorOutput;

    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = result.output.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(result.output.substr(start, end - start));
    DWORD offer = ExpectedOffer();
    EXPECT_TRUE(LinesInOrder(
        lines,
        {"HOST  loading ", "GINA> WlxNegotiate(dwWinlogonVersion=" + HexText(offer) + ") -> TRUE",
         "GINA> WlxInitialize(lpWinsta=\"WinSta0\"", "HOST  state: logged-out", "GINA> WlxDisplaySASNotice() ...",
         "HOST  command: cad", "HOST  SAS 1 CTRL_ALT_DEL ends dialog #101",
         "GINA> WlxLoggedOutSAS(dwSasType=1 CTRL_ALT_DEL) -> WLX_SAS_ACTION_LOGON", "HOST  state: logged-on",
         "HOST  command: lock", "GINA> WlxIsLockOk() -> TRUE", "HOST  state: locked",
         "GINA> WlxWkstaLockedSAS(dwSasType=300 (custom)) -> WLX_SAS_ACTION_UNLOCK_WKSTA", "HOST  state: logged-on (",
         "GINA> WlxIsLogoffOk() -> TRUE", "GINA> WlxLogoff() -> (void)", "HOST  end of input: quit",
         "GINA> WlxShutdown(ShutdownType=WLX_SAS_ACTION_SHUTDOWN) -> (void)", "HOST  state: shut-down"}))
        << result.output;
    EXPECT_EQ(offer == WLX_VERSION_1_3,
              AnyLineContains(lines, "WLX<  WlxQueryClientCredentials(pCred=0x")) << result.output;
}

}  // namespace
