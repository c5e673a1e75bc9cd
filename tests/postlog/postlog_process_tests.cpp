// Postlog.exe as Windows starts it in a new session: no arguments, its own short log,
// exit code 0 after half a minute whatever the account has.
#include <gtest/gtest.h>

#include "process.h"
#include "scoped.h"

TEST(PostlogProgram, WritesItsLogHeaderAndExitsWithZeroAfterThirtySeconds)
{
    ScopedFile logSwitch("C:\\OV_Postlog.log", "5");
    ProcessRun run;
    run.program = ExeDirW() + L"Postlog.exe";
    run.timeoutMs = 60000;
    const ProcessResult result = RunProcess(run);
    ASSERT_TRUE(result.started) << result.failure;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_GE(result.elapsedMs, 30000u);
    EXPECT_LT(result.elapsedMs, 45000u);

    const std::string log = ReadFileText(logSwitch.path());
    EXPECT_NE(std::string::npos, log.find("   Product: Ostrel Logon, Ver: 1.0.0.0\n   Module: ")) << log;
    EXPECT_NE(std::string::npos, log.find("Postlog.exe, Ver: 1.00\n")) << log;
    EXPECT_NE(std::string::npos, log.find("[               run_user_script] run_user_script start")) << log;
}
