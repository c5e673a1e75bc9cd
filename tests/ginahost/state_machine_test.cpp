// Winlogon's states around the GINA: what each Wlx*SAS result and each shell command leads to.
#include <windows.h>
#include <winwlx.h>

#include <algorithm>

#include "host_harness.h"
#include "ui_driver.h"

namespace {

size_t CountLines(const std::vector<std::string>& lines, const std::string& text)
{
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// Notices without dialogs keep these tests to the state machine.
class StateMachineTest : public GinaHostTest {
protected:
    void SetUp() override { env_.Set(fixture_env::kNoticeDialog, L"0"); }

    bool LogOn()
    {
        return StartHost() && PostAndWait("cad", HostState::LoggedOn);
    }
};

struct LoggedOnCase {
    const wchar_t* action;
    const char* actionName;
    HostState after;
    bool logsOff;
    const char* shutdownLine;  // journal line of WlxShutdown, or nullptr
    const char* note;          // what the host says, or nullptr
};

class LoggedOnActionTest : public StateMachineTest, public testing::WithParamInterface<LoggedOnCase> {};

TEST_P(LoggedOnActionTest, LeadsToItsState)
{
    const LoggedOnCase& c = GetParam();
    env_.Set(fixture_env::kLoggedOnActions, c.action);
    ASSERT_TRUE(LogOn());
    Host().Post("cad");
    ASSERT_TRUE(Host().WaitForTrace(std::string("GINA> WlxLoggedOnSAS(dwSasType=1 CTRL_ALT_DEL, pReserved=NULL) -> ") +
                                        c.actionName,
                                    kWaitMs));
    EXPECT_TRUE(Host().WaitForState(c.after, kWaitMs)) << "state: " << HostStateName(Host().State());
    std::vector<std::string> journal = Journal();
    EXPECT_EQ(c.logsOff, HasLine(journal, "Logoff"));
    if (c.shutdownLine) {
        EXPECT_TRUE(LinesInOrder(journal, {"Logoff", c.shutdownLine}));
        EXPECT_TRUE(Host().Join(kWaitMs));
        EXPECT_EQ(kExitShutDown, Host().ExitCode());
    } else {
        EXPECT_FALSE(AnyLineContains(journal, "Shutdown"));
    }
    if (c.note) {
        EXPECT_TRUE(Host().WaitForTrace(std::string("HOST  ") + c.note, kWaitMs));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Actions, LoggedOnActionTest,
    testing::Values(
        LoggedOnCase{L"NONE", "WLX_SAS_ACTION_NONE", HostState::LoggedOn, false, nullptr, nullptr},
        LoggedOnCase{L"PWD_CHANGED", "WLX_SAS_ACTION_PWD_CHANGED", HostState::LoggedOn, false, nullptr, nullptr},
        LoggedOnCase{L"TASKLIST", "WLX_SAS_ACTION_TASKLIST", HostState::LoggedOn, false, nullptr,
                     "task manager would start now"},
        LoggedOnCase{L"LOCK_WKSTA", "WLX_SAS_ACTION_LOCK_WKSTA", HostState::Locked, false, nullptr, nullptr},
        LoggedOnCase{L"LOGOFF", "WLX_SAS_ACTION_LOGOFF", HostState::LoggedOut, true, nullptr, nullptr},
        LoggedOnCase{L"FORCE_LOGOFF", "WLX_SAS_ACTION_FORCE_LOGOFF", HostState::LoggedOut, true, nullptr, nullptr},
        LoggedOnCase{L"SHUTDOWN", "WLX_SAS_ACTION_SHUTDOWN", HostState::ShutDown, true, "Shutdown type=5",
                     "the computer would shut down now (WLX_SAS_ACTION_SHUTDOWN)"},
        LoggedOnCase{L"SHUTDOWN_POWER_OFF", "WLX_SAS_ACTION_SHUTDOWN_POWER_OFF", HostState::ShutDown, true,
                     "Shutdown type=10", nullptr},
        LoggedOnCase{L"SHUTDOWN_REBOOT", "WLX_SAS_ACTION_SHUTDOWN_REBOOT", HostState::ShutDown, true,
                     "Shutdown type=11", nullptr},
        LoggedOnCase{L"SHUTDOWN_SLEEP", "WLX_SAS_ACTION_SHUTDOWN_SLEEP", HostState::LoggedOn, false, nullptr,
                     "the computer would go to sleep now (WLX_SAS_ACTION_SHUTDOWN_SLEEP); the session stays"}),
    [](const testing::TestParamInfo<LoggedOnCase>& info) { return ui::Utf8(info.param.action); });

TEST_F(StateMachineTest, LoggedOutSasThatLogsNobodyOnShowsTheNoticeAgain)
{
    env_.Set(fixture_env::kLoggedOutActions, L"NONE,LOGON");
    ASSERT_TRUE(StartHost());
    Host().Post("cad");
    ASSERT_TRUE(Host().WaitForTrace("-> WLX_SAS_ACTION_NONE", kWaitMs));
    std::vector<std::string> trace = Host().TraceLines();
    size_t none = std::find_if(trace.begin(), trace.end(), [](const std::string& line) {
                      return line.find("-> WLX_SAS_ACTION_NONE") != std::string::npos;
                  }) - trace.begin();
    ASSERT_TRUE(Host().WaitForTrace("GINA> WlxDisplaySASNotice() -> (void)", kWaitMs, none + 1));
    EXPECT_EQ(HostState::LoggedOut, Host().State());
    EXPECT_TRUE(LinesInOrder(Journal(), {"DisplaySASNotice", "LoggedOutSAS", "DisplaySASNotice"}));
    // The next SAS logs on.
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
}

TEST_F(StateMachineTest, ShutdownFromTheLoggedOutStateNeedsNoLogoff)
{
    env_.Set(fixture_env::kLoggedOutActions, L"SHUTDOWN_REBOOT");
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(PostAndWait("cad", HostState::ShutDown));
    EXPECT_TRUE(Host().Join(kWaitMs));
    EXPECT_TRUE(LinesInOrder(Journal(), {"LoggedOutSAS sas=1", "Shutdown type=11"}));
    EXPECT_FALSE(HasLine(Journal(), "Logoff"));
}

TEST_F(StateMachineTest, LockedWorkstationStaysLockedUntilTheGinaUnlocksOrLogsOff)
{
    env_.Set(fixture_env::kLockedActions, L"NONE,LOGOFF");
    ASSERT_TRUE(LogOn());
    ASSERT_TRUE(PostAndWait("lock", HostState::Locked));
    Host().Post("cad");
    ASSERT_TRUE(Host().WaitForTrace("GINA> WlxWkstaLockedSAS(dwSasType=1 CTRL_ALT_DEL) -> WLX_SAS_ACTION_NONE", kWaitMs));
    EXPECT_EQ(HostState::Locked, Host().State());
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOut));
    EXPECT_EQ(2u, CountLines(Journal(), "DisplayLockedNotice without a dialog"));
    EXPECT_TRUE(LinesInOrder(Journal(), {"IsLockOk TRUE", "DisplayLockedNotice", "WkstaLockedSAS sas=1",
                                         "DisplayLockedNotice", "WkstaLockedSAS sas=1", "Logoff"}));
}

struct RefusedShellCommand {
    const char* command;
    const wchar_t* setting;  // the fixture's answer that refuses it
    const char* question;    // the entry point that is asked
};

class RefusedShellCommandTest : public StateMachineTest, public testing::WithParamInterface<RefusedShellCommand> {};

TEST_P(RefusedShellCommandTest, KeepsTheUserLoggedOn)
{
    env_.Set(GetParam().setting, L"0");
    ASSERT_TRUE(LogOn());
    Host().Post(GetParam().command);
    ASSERT_TRUE(Host().WaitForTrace(std::string("GINA> ") + GetParam().question + "() -> FALSE", kWaitMs));
    Host().Post("state");
    ASSERT_TRUE(Host().WaitForTrace("HOST  state: logged-on (", kWaitMs));
    EXPECT_FALSE(HasLine(Journal(), "Logoff"));
}

INSTANTIATE_TEST_SUITE_P(Commands, RefusedShellCommandTest,
                         testing::Values(RefusedShellCommand{"lock", fixture_env::kLockOk, "WlxIsLockOk"},
                                         RefusedShellCommand{"logoff", fixture_env::kLogoffOk, "WlxIsLogoffOk"}),
                         [](const testing::TestParamInfo<RefusedShellCommand>& info) {
                             return std::string(info.param.command);
                         });

TEST_F(StateMachineTest, ShellThatDoesNotStartCancelsTheLogon)
{
    env_.Set(fixture_env::kShellOk, L"0");
    ASSERT_TRUE(StartHost());
    Host().Post("cad");
    ASSERT_TRUE(Host().WaitForTrace("HOST  WlxActivateUserShell failed: Winlogon cancels the logon", kWaitMs));
    ASSERT_TRUE(Host().WaitForTrace("GINA> WlxLogoff() -> (void)", kWaitMs));
    EXPECT_TRUE(Host().WaitForState(HostState::LoggedOut, kWaitMs));
    EXPECT_TRUE(LinesInOrder(Journal(), {"ActivateUserShell", "Logoff"}));
}

TEST_F(StateMachineTest, ContextSetWithWlxSetContextPointerReachesEveryEntryPoint)
{
    env_.Set(fixture_env::kContext, L"setpointer");
    ASSERT_TRUE(LogOn());
    ASSERT_TRUE(PostAndWait("lock", HostState::Locked));
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    ASSERT_TRUE(PostAndWait("logoff;quit", HostState::ShutDown));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(), "WLX<  WlxSetContextPointer(pWlxContext=0x"));
    EXPECT_TRUE(WaitForJournal("Shutdown type=5"));
    EXPECT_FALSE(AnyLineContains(Journal(), "BadContext")) << "an entry point got another context";
}

TEST_F(StateMachineTest, EndOfInputQuitsOnceTheQueueIsDone)
{
    ASSERT_TRUE(StartHost());
    Host().Post("cad;wait 100;lock");
    Host().EndOfInput();
    ASSERT_TRUE(Host().Join(kWaitMs));
    EXPECT_EQ(kExitShutDown, Host().ExitCode());
    EXPECT_TRUE(LinesInOrder(Host().TraceLines(), {"HOST  command: cad", "HOST  command: wait 100", "HOST  command: lock",
                                                   "HOST  state: locked", "HOST  end of input: quit",
                                                   "GINA> WlxLogoff()", "GINA> WlxShutdown("}));
}

}  // namespace
