// ginahost.exe as an administrator would run it: the GINA's negotiation under each
// emulated Windows, seen in the printed trace.
#include <gtest/gtest.h>

#include "process.h"
#include "scoped.h"
#include "wine_env.h"

TEST(GinahostProcess, NegotiatesThisWindowsVersionAndShutsDown)
{
    ProcessRun run;
    run.program = ExeDirW() + L"ginahost-" + std::wstring(EmulatedWindows().begin(), EmulatedWindows().end()) + L".exe";
    run.arguments = {L"--commands", L"cad; sas 251"};
    run.timeoutMs = 20000;
    const ProcessResult result = RunProcess(run);
    ASSERT_TRUE(result.started) << result.failure;
    EXPECT_FALSE(result.timedOut) << result.output;
    EXPECT_EQ(0u, result.exitCode) << result.output << result.errorOutput;
    const char* version = EmulatedWindows() == "nt40" ? "0x10001" : "0x10003";
    const std::string negotiated = std::string("GINA> WlxNegotiate(dwWinlogonVersion=") + version + ") -> TRUE, dwDllVersion=" + version;
    EXPECT_NE(std::string::npos, result.output.find(negotiated)) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("WLX<  WlxUseCtrlAltDel(")) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("-> WLX_SAS_ACTION_SHUTDOWN_POWER_OFF")) << result.output;
}
