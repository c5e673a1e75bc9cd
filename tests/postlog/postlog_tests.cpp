// The logon script runner against a fake account boundary: test machines have no real
// local accounts with script paths. Everything else (paths, log, launch rules) is real.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "log.h"
#include "logon_script.h"
#include "scoped.h"

namespace {
// The fake Windows behind the runner.
struct FakeWindows {
    std::string user = "alice";
    bool userNameFails = false;
    std::map<std::wstring, const wchar_t*> scripts;  // account -> script path (nullptr: none)
    std::string computer = "PC1";
    bool computerNameFails = false;
    INT_PTR launchResult = 42;
    std::vector<std::string> launched;
    std::vector<std::string> launchVerbs;
    int allocated = 0, freed = 0;
    DWORD slept = 0;
} g_fake;

BOOL WINAPI FakeGetUserName(LPSTR buffer, LPDWORD size)
{
    if (g_fake.userNameFails || g_fake.user.size() + 1 > *size) return FALSE;
    lstrcpyA(buffer, g_fake.user.c_str());
    *size = DWORD(g_fake.user.size() + 1);
    return TRUE;
}

NET_API_STATUS WINAPI FakeNetUserGetInfo(LPCWSTR server, LPCWSTR user, DWORD level, LPBYTE* buffer)
{
    auto account = g_fake.scripts.find(user);
    if (server || level != 3 || account == g_fake.scripts.end()) return NERR_UserNotFound;
    auto* info = static_cast<USER_INFO_3*>(calloc(1, sizeof(USER_INFO_3)));
    info->usri3_name = const_cast<LPWSTR>(account->first.c_str());
    info->usri3_script_path = const_cast<LPWSTR>(account->second);
    ++g_fake.allocated;
    *buffer = reinterpret_cast<LPBYTE>(info);
    return NERR_Success;
}

NET_API_STATUS WINAPI FakeNetApiBufferFree(LPVOID buffer)
{
    ++g_fake.freed;
    free(buffer);
    return NERR_Success;
}

BOOL WINAPI FakeGetComputerName(LPSTR buffer, LPDWORD size)
{
    if (g_fake.computerNameFails) return FALSE;
    lstrcpyA(buffer, g_fake.computer.c_str());
    return TRUE;
}

HINSTANCE WINAPI FakeShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show)
{
    g_fake.launched.push_back(file);
    g_fake.launchVerbs.push_back(std::string(verb) + "|" + parameters + "|" + directory + "|" + std::to_string(show));
    return reinterpret_cast<HINSTANCE>(g_fake.launchResult);
}

VOID WINAPI FakeSleep(DWORD ms) { g_fake.slept += ms; }

const PostlogApi kFake = {FakeGetUserName, FakeNetUserGetInfo, FakeNetApiBufferFree,
                          FakeGetComputerName, FakeShellExecute, FakeSleep};

struct PostlogRun : testing::Test {
    static void SetUpTestSuite()
    {
        // The runner writes through the module's short log; switch it on for all five levels.
        logSwitch = new ScopedFile("C:\\OV_Postlog.log", "5");
        g_shortLog.Start("Postlog", nullptr);
    }
    static void TearDownTestSuite() { delete logSwitch; }
    void SetUp() override
    {
        g_fake = FakeWindows();
        g_fake.scripts = {{L"alice", L"logon.bat"}, {L"bob", L"team\\start.cmd"}, {L"carol", nullptr},
                          {L"dave", L""}};
    }
    void TearDown() override { EXPECT_EQ(g_fake.allocated, g_fake.freed) << "account buffers leaked"; }
    static std::string Log() { return ReadFileText("C:\\OV_Postlog.log"); }
    static ScopedFile* logSwitch;
};
ScopedFile* PostlogRun::logSwitch;
}  // namespace

TEST_F(PostlogRun, StartsTheAccountsScriptFromTheNetlogonShareThenWaitsHalfAMinute)
{
    EXPECT_EQ(0, RunPostlog(kFake));
    ASSERT_EQ(1u, g_fake.launched.size());
    EXPECT_EQ("\\\\PC1\\Netlogon\\logon.bat", g_fake.launched[0]);
    EXPECT_EQ("open|||1", g_fake.launchVerbs[0]) << "verb, no parameters, no directory, SW_SHOWNORMAL";
    EXPECT_EQ(30000u, g_fake.slept);
    EXPECT_NE(std::string::npos, Log().find("I  [               run_user_script] run_user_script start"));
    EXPECT_NE(std::string::npos, Log().find("I  [               run_user_script] \\\\PC1\\Netlogon\\logon.bat"));
}

TEST_F(PostlogRun, ScriptPathsAndComputerNames)
{
    struct Case { const char* user; const char* computer; bool computerFails; const char* path; } cases[] = {
        {"bob", "PC1", false, "\\\\PC1\\Netlogon\\team\\start.cmd"},  // sub-folder appended unchanged
        {"alice", "\\\\SRV", false, "\\\\SRV\\Netlogon\\logon.bat"},  // name given with its backslashes
        {"alice", "", true, "logon.bat"},                             // no computer name: the script alone
    };
    for (const Case& c : cases) {
        g_fake.launched.clear();
        g_fake.computer = c.computer;
        g_fake.computerNameFails = c.computerFails;
        run_user_script(c.user, kFake);
        ASSERT_EQ(1u, g_fake.launched.size()) << c.user;
        EXPECT_EQ(c.path, g_fake.launched[0]);
    }
}

TEST_F(PostlogRun, NothingStartsWithoutAScriptOrAccount)
{
    // carol: no script path; dave: an empty one (must not open the share folder itself);
    // eve: a domain user without a local account.
    for (const char* user : {"carol", "dave", "eve"}) {
        g_fake.user = user;
        EXPECT_EQ(0, RunPostlog(kFake));
        EXPECT_TRUE(g_fake.launched.empty()) << user;
    }
    EXPECT_EQ(90000u, g_fake.slept);
}

TEST_F(PostlogRun, FailuresAreLoggedAndTheProgramStillWaitsAndSucceeds)
{
    g_fake.launchResult = 2;  // ERROR_FILE_NOT_FOUND: the shell's failure is 32 or less
    EXPECT_EQ(0, RunPostlog(kFake));
    EXPECT_NE(std::string::npos, Log().find("] ShellExecute failed!"));

    g_fake.userNameFails = true;
    g_fake.launched.clear();
    EXPECT_EQ(0, RunPostlog(kFake));
    EXPECT_TRUE(g_fake.launched.empty());
    EXPECT_NE(std::string::npos, Log().find("[               run_user_script] GetUserName FAILED!"));
    EXPECT_EQ(60000u, g_fake.slept);
}
