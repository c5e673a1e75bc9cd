// When Winlogon does not go on with a GINA: it cannot be loaded, it refuses or overshoots the
// offered version, it lacks entry points; and when there is no Winlogon at all.
#include <windows.h>
#include <winwlx.h>

#include "host_harness.h"
#include "process.h"
#include "scoped.h"

namespace {

struct RefusalCase {
    const char* name;
    const wchar_t* gina;
    DWORD offer;                  // 0: what this Windows offers
    const wchar_t* forcedAnswer;  // fixture_env::kAnswerVersion, or nullptr
    int exitCode;
    const char* traced;
};

class RefusalTest : public GinaHostTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, StopsBeforeWlxInitialize)
{
    const RefusalCase& c = GetParam();
    HostOptions options = FixtureHostOptions(c.gina);
    options.winlogonVersion = c.offer;
    if (c.forcedAnswer) env_.Set(fixture_env::kAnswerVersion, c.forcedAnswer);
    EXPECT_FALSE(StartHost(options));
    EXPECT_EQ(c.exitCode, Host().ExitCode());
    EXPECT_EQ(HostState::Failed, Host().State());
    EXPECT_TRUE(AnyLineContains(Host().TraceLines(), c.traced));
    EXPECT_FALSE(AnyLineContains(Host().TraceLines(), "WlxInitialize"));
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, RefusalTest,
    testing::Values(
        RefusalCase{"Missing", L"no_such_gina.dll", 0, nullptr, kExitLoadFailed, "HOST  error: cannot load "},
        RefusalCase{"VersionRefused", kFixtureGina, WLX_VERSION_1_0, nullptr, kExitNegotiationFailed,
                    "GINA> WlxNegotiate(dwWinlogonVersion=0x10000) -> FALSE, dwDllVersion=0x10001"},
        RefusalCase{"AnswerAboveOffer", kFixtureGina, WLX_VERSION_1_1, L"0x10003", kExitNegotiationFailed,
                    "HOST  error: the GINA answered version 0x10003 (1.3), newer than the offered 0x10001 (1.1)"},
        RefusalCase{"MissingStatusCalls", kFixtureGinaNoStatus, WLX_VERSION_1_3, nullptr, kExitLoadFailed,
                    "must export WlxDisplayStatusMessage, WlxGetStatusMessage, WlxRemoveStatusMessage"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST(GinaHostRefusal, DllWithoutWlxNegotiateIsNoGina)
{
    HostOptions options = FixtureHostOptions();
    options.ginaPath = L"user32.dll";
    CWinlogonHost host(options);
    EXPECT_FALSE(host.Load());
    EXPECT_EQ(kExitLoadFailed, host.ExitCode());
    EXPECT_TRUE(AnyLineContains(host.TraceLines(), "is not a GINA: it does not export WlxNegotiate"));
}

// ginahost.exe as a process: exit codes and messages of the runs that stop early.
struct ProcessCase {
    const char* name;
    const wchar_t* program;
    std::vector<std::wstring> arguments;
    DWORD exitCode;
    const char* output;  // in standard output or standard error
};

class GinaHostProcessRefusal : public testing::TestWithParam<ProcessCase> {};

TEST_P(GinaHostProcessRefusal, ExitsWithItsCodeAndSaysWhy)
{
    const ProcessCase& c = GetParam();
    ProcessRun run;
    run.program = ExeDirW() + c.program;
    run.arguments = c.arguments;
    run.timeoutMs = 20000;
    ProcessResult result = RunProcess(run);
    ASSERT_TRUE(result.started) << result.failure;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(c.exitCode, result.exitCode);
    EXPECT_NE(std::string::npos, (result.output + result.errorOutput).find(c.output))
        << "stdout:\n" << result.output << "stderr:\n" << result.errorOutput;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, GinaHostProcessRefusal,
    testing::Values(
        ProcessCase{"NoWinlogonOnWindows9x", L"ginahost-win98.exe", {L"--gina", L"fixture_gina.dll"}, kExitNoWinlogon,
                    "Windows 9x has no Winlogon: a GINA is never loaded on this platform"},
        ProcessCase{"VersionConflict",
                    L"ginahost-winxp.exe",
                    {L"--gina", L"fixture_gina.dll", L"--winlogon-version", L"0x10000"},
                    kExitNegotiationFailed,
                    "HOST  error: WlxNegotiate refused Winlogon version 0x10000 (1.0)"},
        ProcessCase{"UnknownOption", L"ginahost-winxp.exe", {L"--frobnicate"}, kExitUsage,
                    "ginahost: unknown option --frobnicate"},
        ProcessCase{"Help", L"ginahost-winxp.exe", {L"--help"}, 0, "cad, sas, wait, state and help act at once"}),
    [](const testing::TestParamInfo<ProcessCase>& info) { return std::string(info.param.name); });

}  // namespace
