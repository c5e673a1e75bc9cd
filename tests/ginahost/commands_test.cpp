// What ginahost takes as input: its command line, its commands, and the commands that reach
// the GINA's less common entry points.
#include <windows.h>
#include <winwlx.h>

#include "command.h"
#include "host_harness.h"
#include "host_options.h"

namespace {

std::string ArgumentsText(const std::vector<std::wstring>& args)
{
    std::string text;
    for (const std::wstring& arg : args) text += " " + std::string(arg.begin(), arg.end());
    return text;
}

struct CommandCase {
    const char* line;
    bool valid;
    CommandKind kind;
    DWORD number;
};

TEST(GinaHostCommands, ParseIntoKindAndArgument)
{
    const CommandCase cases[] = {
        {"cad", true, CommandKind::CtrlAltDel, 0},
        {"  sas 250 ", true, CommandKind::Sas, 250},
        {"sas 0x80", true, CommandKind::Sas, 0x80},
        {"sas", false, CommandKind::Sas, 0},
        {"sas many", false, CommandKind::Sas, 0},
        {"shutdown", true, CommandKind::Shutdown, WLX_SAS_ACTION_SHUTDOWN},
        {"shutdown reboot", true, CommandKind::Shutdown, WLX_SAS_ACTION_SHUTDOWN_REBOOT},
        {"shutdown poweroff", true, CommandKind::Shutdown, WLX_SAS_ACTION_SHUTDOWN_POWER_OFF},
        {"shutdown 14", true, CommandKind::Shutdown, WLX_SAS_ACTION_SHUTDOWN_HIBERNATE},
        {"shutdown later", false, CommandKind::Shutdown, 0},
        {"quit", true, CommandKind::Quit, WLX_SAS_ACTION_SHUTDOWN},
        {"wait 500", true, CommandKind::Wait, 500},
        {"wait", false, CommandKind::Wait, 0},
        {"lock now", false, CommandKind::Lock, 0},
        {"logon", false, CommandKind::Help, 0},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.line);
        Command command;
        std::string error;
        EXPECT_EQ(c.valid, ParseCommand(c.line, command, error)) << error;
        EXPECT_EQ(c.valid, error.empty());
        if (!c.valid) continue;
        EXPECT_EQ(c.kind, command.kind);
        EXPECT_EQ(c.number, command.number);
    }
}

TEST(GinaHostCommands, StatusKeepsItsWholeTextAsUnicode)
{
    Command command;
    std::string error;
    ASSERT_TRUE(ParseCommand("status  Préparation du bureau", command, error));
    EXPECT_EQ(L"Pr\u00e9paration du bureau", command.text);
    ASSERT_TRUE(ParseCommand("status", command, error));
    EXPECT_TRUE(command.text.empty());
}

TEST(GinaHostCommands, InputSplitsAtSemicolonsAndLineBreaksWithoutBlanksOrComments)
{
    std::vector<std::string> expected = {"cad", "wait 500", "sas 250", "quit"};
    EXPECT_EQ(expected, SplitCommandLines("cad;wait 500\r\n\n# the custom SAS\nsas 250 ; ;quit"));
}

TEST(GinaHostArguments, ReadOptionsCredentialsAndCommands)
{
    ProgramOptions options;
    std::string error;
    ASSERT_TRUE(ParseProgramArguments({L"--gina", L"C:\\x\\my.dll", L"--winlogon-version", L"0x10000",
                                       L"--client-credentials", L"alice,OSTREL,p,a,ss", L"--commands", L"cad;quit",
                                       L"--commands", L"state", L"--trace", L"t.txt", L"--quiet"},
                                      options, error))
        << error;
    EXPECT_EQ(L"C:\\x\\my.dll", options.host.ginaPath);
    EXPECT_EQ(0x10000u, options.host.winlogonVersion);
    EXPECT_TRUE(options.host.clientCredentials.configured);
    EXPECT_EQ(L"alice", options.host.clientCredentials.user);
    EXPECT_EQ(L"OSTREL", options.host.clientCredentials.domain);
    EXPECT_EQ(L"p,a,ss", options.host.clientCredentials.password);
    EXPECT_FALSE(options.host.inetCredentials.configured);
    EXPECT_EQ((std::vector<std::string>{"cad;quit", "state"}), options.commands);
    EXPECT_EQ(L"t.txt", options.host.traceFile);
    EXPECT_FALSE(options.host.traceToStdout);
}

TEST(GinaHostArguments, RejectWhatTheyCannotUse)
{
    const std::vector<std::vector<std::wstring>> bad = {
        {L"--gina"},
        {L"--winlogon-version", L"one"},
        {L"--client-credentials", L"alice"},
        {L"--inet-credentials", L",DOMAIN,pw"},
        {L"--frobnicate"},
    };
    for (const auto& args : bad) {
        ProgramOptions options;
        std::string error;
        EXPECT_FALSE(ParseProgramArguments(args, options, error)) << "accepted" << ArgumentsText(args);
        EXPECT_FALSE(error.empty());
    }
}

class ShellCommandTest : public GinaHostTest {
protected:
    void SetUp() override { env_.Set(fixture_env::kNoticeDialog, L"0"); }
};

TEST_F(ShellCommandTest, StatusCommandsReachTheStatusMessageCalls)
{
    ASSERT_TRUE(StartHost());
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    Host().Post("status Installing updates;getstatus;status;getstatus");
    ASSERT_TRUE(Host().WaitForTrace("-> FALSE, dwOptions=0x0, pMessage=\"\"", kWaitMs));
    EXPECT_TRUE(LinesInOrder(
        Host().TraceLines(),
        {"GINA> WlxDisplayStatusMessage(hDesktop=0x", "pTitle=\"Please wait\", pMessage=\"Installing updates\") -> TRUE",
         "GINA> WlxGetStatusMessage(dwBufferSize=256) -> TRUE, dwOptions=0x0, pMessage=\"Installing updates\"",
         "GINA> WlxRemoveStatusMessage() -> TRUE", "GINA> WlxGetStatusMessage(dwBufferSize=256) -> FALSE"}));
}

TEST_F(ShellCommandTest, NetworkProviderLoadHandsOverWhatTheGinaFilledIn)
{
    ASSERT_TRUE(StartHost());
    Host().Post("npload");
    EXPECT_TRUE(Host().WaitForTrace("GINA> WlxNetworkProviderLoad() -> TRUE, user=\"fixture-user\", "
                                    "domain=\"FIXTURE\", password=NULL, oldPassword=NULL",
                                    kWaitMs));
}

TEST_F(ShellCommandTest, SecureScreenSaverLocksTheWorkstation)
{
    ASSERT_TRUE(StartHost());
    Host().Post("screensaver");
    ASSERT_TRUE(Host().WaitForTrace("HOST  screensaver: Winlogon asks the GINA only while a user is logged on", kWaitMs));
    ASSERT_TRUE(PostAndWait("cad", HostState::LoggedOn));
    ASSERT_TRUE(PostAndWait("screensaver", HostState::Locked));
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(), "GINA> WlxScreenSaverNotify(*pSecure=TRUE) -> TRUE, *pSecure=TRUE"));
    EXPECT_TRUE(AnyLineContains(Journal(), "ScreenSaverNotify secure=1"));
}

}  // namespace
