// Key data operations of the monitor against the real keyapi32.dll: reads, writes,
// deletes, random bytes, the asynchronous command, the error texts and the panel's PIN
// and label changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "key_bench.h"
#include "key_messages_bench.h"
#include "key_storage.h"
#include "lang.h"

namespace {
const DWORD kEventMs = 6000;

std::string Bytes(const BYTE* data, DWORD size) { return std::string(reinterpret_cast<const char*>(data), size); }
const BYTE* Raw(const std::string& text) { return reinterpret_cast<const BYTE*>(text.data()); }

struct KeyOpsTest : testing::Test {
    static void SetUpTestSuite() { g_lang.Load(L"ovl", nullptr); }
    void TearDown() override { monitor.Finalize(); }
    void Start() { ASSERT_TRUE(monitor.Initialize(kAppLogonProfiles)) << GetLastError(); }
    // A PIN is given for the key a poll found: a key not seen yet would not take it.
    void GivePin(const wchar_t* reader, const wchar_t* pin)
    {
        monitor.ProcessReader(monitor.FindReader(reader)->index, false);
        monitor.SetPIN(reader, pin);
    }
    // The key's data as another program would read it.
    std::string Stored(const wchar_t* reader, DWORD application = kAppLogonProfiles)
    {
        BYTE buffer[40000];
        DWORD length = 0;
        const bool ok = application == kAppLogonProfiles
                            ? monitor.Read(reader, buffer, &length, sizeof buffer)
                            : monitor.read_data_app(reader, buffer, &length, application, sizeof buffer);
        return ok ? Bytes(buffer, length) : "<read failed>";
    }
    std::wstring ErrorText(const wchar_t* reader)
    {
        wchar_t text[800];
        return monitor.GetErrorText(reader, text, ARRAYSIZE(text)) ? text : L"<none>";
    }

    KeyBench bench;
    CSmartKey monitor;
};

KeyRecipe WithProfiles(const std::string& profiles, const std::string& pin = "1234")
{
    KeyRecipe recipe;
    recipe.pin = pin;
    recipe.apps[kAppLogonProfiles] = profiles;
    return recipe;
}
}  // namespace

TEST_F(KeyOpsTest, ReadWithAShortBufferReportsTheNeededLengthAndLeavesTheBufferAlone)
{
    bench.PutKey("R1", WithProfiles(std::string(100, 'd')));
    Start();
    GivePin(L"R1", L"1234");

    struct Case {
        const char* what;
        DWORD offered, capacity;
        bool ok;
        DWORD length;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"offer below the data", 50, 0, false, 100,
         L"R1 : The data on the Key (100 bytes) is larger than the 50 bytes offered for it."},
        {"offer 0, buffer below the data", 0, 64, false, 100,
         L"R1 : The data on the Key (100 bytes) is larger than the 64 bytes offered for it."},
        {"offer exactly the data", 100, 0, true, 100, L"<none>"},
        {"offer 0, room enough", 0, 32010, true, 100, L"<none>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BYTE buffer[200];
        memset(buffer, 0xAA, sizeof buffer);
        DWORD length = c.offered;
        EXPECT_EQ(c.ok, monitor.Read(L"R1", buffer, &length, c.capacity));
        EXPECT_EQ(c.length, length);
        EXPECT_EQ(c.text, ErrorText(L"R1"));
        const std::string got = Bytes(buffer, 100);
        EXPECT_EQ(c.ok ? std::string(100, 'd') : std::string(100, '\xAA'), got);
    }
}

TEST_F(KeyOpsTest, WritesLeaveNoOldBytesBehind)
{
    bench.PutKey("R1", WithProfiles("", ""));
    Start();
    const std::string longText(300, 'L'), shortText = "short";
    ASSERT_TRUE(monitor.Write(L"R1", 0, Raw(longText), DWORD(longText.size())));
    EXPECT_EQ(300u, monitor.FindReader(L"R1")->appUsed);
    ASSERT_TRUE(monitor.Write(L"R1", 0, Raw(shortText), DWORD(shortText.size())));
    EXPECT_EQ(shortText, Stored(L"R1"));
    EXPECT_EQ(5u, monitor.FindReader(L"R1")->appUsed);

    // Bytes written further on keep what comes before them.
    ASSERT_TRUE(monitor.Write(L"R1", 3, Raw(std::string("RT")), 2));
    EXPECT_EQ("shoRT", Stored(L"R1"));
    // No data: only the stored size changes.
    ASSERT_TRUE(monitor.Write(L"R1", 0, nullptr, 3));
    EXPECT_EQ("sho", Stored(L"R1"));
    EXPECT_FALSE(monitor.Write(L"R1", 0, nullptr, 0));

    // Another application of the same key, and deleting.
    ASSERT_TRUE(monitor.write_data_app(L"R1", 0, Raw(longText), 300, kAppNetWare));
    ASSERT_TRUE(monitor.write_data_app(L"R1", 0, Raw(shortText), 5, kAppNetWare));
    EXPECT_EQ(shortText, Stored(L"R1", kAppNetWare));
    EXPECT_EQ("sho", Stored(L"R1"));
    ASSERT_TRUE(monitor.Delete(L"R1", kAppNetWare));
    EXPECT_EQ("", Stored(L"R1", kAppNetWare));
    ASSERT_TRUE(monitor.Delete(L"R1"));
    EXPECT_EQ("", Stored(L"R1"));
    EXPECT_EQ(0u, monitor.FindReader(L"R1")->appUsed);
}

TEST_F(KeyOpsTest, ErrorTexts)
{
    EXPECT_EQ(L"An error occurred while loading keyapi32.dll!", ErrorText(L"R1"));
    KeyRecipe small = WithProfiles("", "");
    small.capacity = 200;
    KeyRecipe blocked;
    blocked.pinLeft = 0;
    bench.PutKey("Small", small);
    bench.PutKey("Blocked", blocked);
    Start();
    EXPECT_EQ(L"The Key has not been found in the Key reader!", ErrorText(L"Nowhere"));
    EXPECT_EQ(L"<none>", ErrorText(L"Small"));

    const std::string tooMuch(500, 'x');
    EXPECT_FALSE(monitor.Write(L"Small", 0, Raw(tooMuch), 500));
    EXPECT_EQ(L"Small : Not enough free space on the Key!", ErrorText(L"Small"));
    EXPECT_EQ(DWORD(SCARD_E_NO_MEMORY), monitor.FindReader(L"Small")->opError);

    // A blocked key opens, but reading it fails; the text names the state.
    DWORD length = 0;
    BYTE buffer[10];
    monitor.Read(L"Blocked", buffer, &length, sizeof buffer);
    EXPECT_EQ(L"Blocked : The Key is blocked!", ErrorText(L"Blocked"));

    // Any other failure gives the full report.
    KeyReader* reader = monitor.FindReader(L"Small");
    reader->opError = 0x57;
    reader->opCode = kOpRead;
    lstrcpyW(reader->opText, L"Read data");
    reader->opReadLength = 7;
    reader->opWriteLength = 0;
    const std::wstring report = ErrorText(L"Small");
    EXPECT_EQ(0u, report.find(L"An error occurred while Read data! \nKey Reader: Small \n\nApp ID: 223\nRet,GLE:"))
        << report;
    EXPECT_NE(std::wstring::npos, report.find(L", 57\nWrite, Read, Offs len:0, 7, 0 \n")) << report;
}

TEST_F(KeyOpsTest, RandomBytesLabelAndPin)
{
    bench.PutKey("Ostrel USB Reader 2", WithProfiles("data"));
    bench.PutKey("R1", WithProfiles("data"));
    Start();
    GivePin(L"R1", L"1234");
    BYTE first[16] = {}, second[16] = {};
    ASSERT_TRUE(monitor.GetRandomBytes(L"R1", first, sizeof first));
    ASSERT_TRUE(monitor.GetRandomBytes(L"R1", second, sizeof second));
    EXPECT_NE(0, memcmp(first, second, sizeof first));

    wchar_t name[300];
    ASSERT_TRUE(monitor.GetDisplayName(L"R1", name, ARRAYSIZE(name)));
    EXPECT_STREQ(L"Test key", name);
    ASSERT_TRUE(monitor.ChangeLabel(L"R1", L"Alice's key"));
    ASSERT_TRUE(monitor.GetDisplayName(L"R1", name, ARRAYSIZE(name)));
    EXPECT_STREQ(L"Alice's key", name);
    char onKey[33] = {};
    ASSERT_TRUE(monitor.Api().ReadLabel(monitor.FindReader(L"R1")->handle, onKey));
    EXPECT_STREQ("Alice's key", onKey);

    // A reader without a label is named by its first and last word.
    monitor.FindReader(L"Ostrel USB Reader 2")->label[0] = 0;
    ASSERT_TRUE(monitor.GetDisplayName(L"Ostrel USB Reader 2", name, ARRAYSIZE(name)));
    EXPECT_STREQ(L"Ostrel 2", name);

    ASSERT_TRUE(monitor.ChangePIN(L"R1", L"567890123"));  // cut to 8 characters
    EXPECT_STREQ(L"56789012", monitor.FindReader(L"R1")->pin);
    CSmartKey other;
    ASSERT_TRUE(other.Initialize(kAppLogonProfiles));
    other.SetPIN(nullptr, L"56789012");  // the PIN for whichever key asks
    EXPECT_EQ("data", [&] {
        BYTE buffer[10];
        DWORD length = 0;
        return other.Read(L"R1", buffer, &length, sizeof buffer) ? Bytes(buffer, length) : "<read failed>";
    }());
    other.Finalize();
}

TEST_F(KeyOpsTest, OpeningAReaderThatIsNotThereLeavesTheMonitorPolling)
{
    bench.AddReader("R1");
    KeyWindowRig rig;
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(nullptr, rig.monitor.OpenKey(L"Read data", L"Nowhere"));
    bench.PutKey("R1", WithProfiles("x", ""));
    EXPECT_TRUE(rig.log.WaitFor(WM_KEY_INSERTED, kEventMs, "R1")) << rig.log.Describe();
}

TEST_F(KeyOpsTest, AReadWhileACommandRunsFailsAtOnce)
{
    bench.PutKey("R1", WithProfiles("old", ""));
    Start();
    const std::string text = "written by the command";
    HANDLE done;
    {
        // The command's write waits for the key file, which this test holds for a moment.
        KeyFileLock lock(bench.KeyPath("R1"));
        ASSERT_EQ(0u, lock.Error());
        done = monitor.WriteEx(L"R1", 0, Raw(text), DWORD(text.size()));
        ASSERT_NE(nullptr, done);
        EXPECT_TRUE(monitor.IsCommandRunning());
        BYTE buffer[100];
        DWORD length = 77;
        const DWORD start = GetTickCount();
        EXPECT_EQ(nullptr, monitor.ReadEx(L"R1", buffer, &length, sizeof buffer));
        EXPECT_EQ(0u, length);
        EXPECT_LT(GetTickCount() - start, 100u);
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(done, 300));
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 10000));
    CloseHandle(done);
    ASSERT_TRUE(PumpUntil([&] { return !monitor.IsCommandRunning(); }, 2000));

    BYTE buffer[100];
    DWORD length = 0;
    done = monitor.ReadEx(L"R1", buffer, &length, sizeof buffer);
    ASSERT_NE(nullptr, done);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 10000));
    CloseHandle(done);
    EXPECT_EQ(text, Bytes(buffer, length));
}

TEST_F(KeyOpsTest, AnOperationDoesNotWaitForTheMonitorsNextPass)
{
    bench.PutKey("R1", WithProfiles("data", ""));
    Start();
    monitor.StartMonitorThread();
    Sleep(300);  // the first pass is over: the monitor sleeps until the next one
    DWORD slowest = 0;
    for (int i = 0; i < 6; ++i) {
        BYTE buffer[10];
        DWORD length = 0;
        const DWORD start = GetTickCount();
        ASSERT_TRUE(monitor.Read(L"R1", buffer, &length, sizeof buffer));
        slowest = std::max(slowest, GetTickCount() - start);
        Sleep(250);
    }
    // The pause is granted within one handshake poll (100 ms), not after the 2 s sleep.
    EXPECT_LT(slowest, 600u);
}
