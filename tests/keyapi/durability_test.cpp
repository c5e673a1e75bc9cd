// The key file is never torn: a writer killed at any moment leaves the old or the new key,
// and writers in several processes take turns.
#include <gtest/gtest.h>

#include <random>

#include "key_bench.h"
#include "key_library.h"
#include "process.h"

namespace {
const DWORD kSize = 20000;  // large enough that a kill often lands inside a write

class Child {
public:
    explicit Child(const std::vector<std::wstring>& args)
    {
        std::wstring commandLine = QuoteArgument(ExeDirW() + L"key_writer.exe");
        for (const std::wstring& arg : args) commandLine += L" " + QuoteArgument(arg);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, ExeDirW().c_str(),
                                  &startup, &process_) != FALSE;
    }
    ~Child()
    {
        if (!started_) return;
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 10000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    bool Started() const { return started_; }
    void Kill()
    {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    // Exit code after at most `ms`, or STILL_ACTIVE.
    DWORD Wait(DWORD ms)
    {
        WaitForSingleObject(process_.hProcess, ms);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};
}  // namespace

TEST(Durability, AKilledWriterLeavesTheOldOrTheNewKey)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.apps[KEYAPI_APP_LOGON] = std::string(kSize, 'A');
    bench.PutKey("R", recipe);
    const std::string a(kSize, 'A'), b(kSize, 'B');
    std::mt19937 random(20240611);
    std::uniform_int_distribution<DWORD> delay(150, 700);  // the child needs ~100 ms to start
    int sawA = 0, sawB = 0, leftTemp = 0;

    for (int round = 0; round < 24; ++round) {
        {
            Child writer({L"R", L"1234", L"alternate", L"223", std::to_wstring(kSize)});
            ASSERT_TRUE(writer.Started());
            Sleep(delay(random));
            ASSERT_EQ(DWORD(STILL_ACTIVE), writer.Wait(0)) << "the writer stopped by itself in round " << round;
            writer.Kill();
        }
        leftTemp += FileExists(bench.KeyPath("R") + ".tmp");
        Reader reader("R");
        ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON)) << "round " << round;
        ASSERT_TRUE(Key().VerifyPIN(reader, "1234"));
        const std::string data = ReadApp(reader, KEYAPI_APP_LOGON);
        ASSERT_TRUE(data == a || data == b) << "round " << round << ": " << data.size() << " bytes, starting "
                                            << data.substr(0, 8);
        (data == a ? sawA : sawB)++;
    }
    // Both contents showed up: the kills landed between different writes.
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
    RecordProperty("old contents", sawA);
    RecordProperty("new contents", sawB);
    RecordProperty("temporary file left", leftTemp);
}

TEST(Durability, WritersInSeveralProcessesTakeTurns)
{
    KeyBench bench;
    bench.PutKey("R");
    const int writes = 25;
    Child logon({L"R", L"1234", L"own", L"223", std::to_wstring(writes)});
    Child netware({L"R", L"1234", L"own", L"231", std::to_wstring(writes)});
    Child bio({L"R", L"1234", L"own", L"227", std::to_wstring(writes)});
    ASSERT_TRUE(logon.Started() && netware.Started() && bio.Started());
    // Each rewrites the whole file; without the writer lock one would undo another's write.
    EXPECT_EQ(0u, logon.Wait(60000));
    EXPECT_EQ(0u, netware.Wait(60000));
    EXPECT_EQ(0u, bio.Wait(60000));

    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().VerifyPIN(reader, "1234"));
    EXPECT_EQ("223:25", ReadApp(reader, KEYAPI_APP_LOGON));
    EXPECT_EQ("231:25", ReadApp(reader, KEYAPI_APP_NETWARE));
    EXPECT_EQ("227:25", ReadApp(reader, KEYAPI_APP_BIO_TEMPLATE));
}
