// The key monitor against the real keyapi32.dll, with reader folders of the test's own.
// Most cases poll one reader by hand (ProcessReader on the test thread); the monitor
// thread's own behaviour (absence, a vanishing reader, callbacks that open the key, the
// stop handshake) runs the real thread.
#include <gtest/gtest.h>

#include <atomic>

#include "key_bench.h"
#include "lang.h"
#include "recording_monitor.h"

namespace {
const DWORD kThreadWaitMs = 6000;  // three polls

struct MonitorTest : testing::Test {
    // Status texts come from the language module beside this program.
    static void SetUpTestSuite() { g_lang.Load(L"ovl", nullptr); }
    void TearDown() override
    {
        if (HasFailure()) std::printf("%s\n", monitor.Describe().c_str());
        monitor.Finalize();
    }
    // Readers must exist before the monitor enumerates them.
    void Start()
    {
        ASSERT_TRUE(monitor.Initialize(kAppLogonProfiles)) << GetLastError();
    }
    int Index(const std::string& reader)
    {
        KeyReader* record = monitor.ByName(reader);
        return record ? record->index : -1;
    }
    bool Poll(const std::string& reader) { return monitor.ProcessReader(Index(reader), false); }
    KeyReader& Record(const std::string& reader) { return *monitor.ByName(reader); }

    KeyBench bench;
    RecordingMonitor monitor;
};

KeyRecipe NoPin()
{
    KeyRecipe spec;
    spec.pin = "";
    return spec;
}
}  // namespace

TEST_F(MonitorTest, KeyWithoutPinIsReportedOnceAndItsRemovalOnce)
{
    KeyRecipe spec = NoPin();
    spec.label = "Alice";
    spec.apps[kAppLogonProfiles] = std::string(100, 'p');
    bench.PutKey("R1", spec);
    Start();
    EXPECT_EQ(1, monitor.Count("reader+:R1"));

    EXPECT_TRUE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("pin-accepted:R1"));
    EXPECT_EQ(1, monitor.Count("inserted:R1"));
    KeyReader& r = Record("R1");
    EXPECT_EQ(csInserted, r.state);
    EXPECT_STREQ(L"Ready for operation.", r.statusText);
    EXPECT_STREQ(L"Alice", r.label);
    EXPECT_EQ(100u, r.appUsed);
    EXPECT_EQ(0u, r.bioUsed);

    // Left in its reader: later polls change nothing.
    EXPECT_FALSE(Poll("R1"));
    EXPECT_FALSE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("inserted:R1"));

    DeleteFileA(bench.KeyPath("R1").c_str());
    EXPECT_FALSE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("removed:R1"));
    EXPECT_EQ(csAbsent, r.state);
    EXPECT_STREQ(L"Waiting for Key insertion . . .", r.statusText);
    EXPECT_STREQ(L"", r.label);
    EXPECT_EQ(0u, r.appUsed);
    EXPECT_FALSE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("removed:R1"));
}

TEST_F(MonitorTest, PinIsAskedCountedAndAccepted)
{
    KeyRecipe spec;  // PIN 1234, 3 attempts
    bench.PutKey("R1", spec);
    Start();

    EXPECT_FALSE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("needpin:R1:0:3")) << "no PIN presented: nothing counted";
    EXPECT_EQ(csNeedPIN, Record("R1").state);
    EXPECT_STREQ(L"Please enter PIN of the Key.", Record("R1").statusText);

    // The key waits for its PIN: later polls change nothing.
    EXPECT_FALSE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("needpin:R1:0:3"));

    // A person types a wrong PIN, then the right one; an operation opens the key afresh.
    monitor.AnswerPins("R1", {"9999", "1234"});
    monitor.Api().CloseCard(Record("R1").handle, 0);
    EXPECT_TRUE(Poll("R1"));
    EXPECT_EQ(2, monitor.Count("needpin:R1:0:3"));
    EXPECT_EQ(1, monitor.Count("needpin:R1:1:2"));
    EXPECT_EQ(1, monitor.Count("inserted:R1"));
    EXPECT_EQ(0, Record("R1").failedPins);
    EXPECT_EQ(csInserted, Record("R1").state);
}

TEST_F(MonitorTest, WrongPinsBlockTheKey)
{
    bench.PutKey("R1", KeyRecipe());
    Start();
    monitor.AnswerPins("R1", {"1", "2", "3"});
    EXPECT_FALSE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("needpin:R1:1:2"));
    EXPECT_EQ(1, monitor.Count("needpin:R1:2:1"));
    EXPECT_EQ(0, monitor.Count("needpin:R1:3:0")) << "a key that is now blocked is reported as blocked";
    EXPECT_EQ(1, monitor.Count("error:R1:The Key is blocked!"));
    EXPECT_EQ(csBlocked, Record("R1").state);
    EXPECT_STREQ(L"The Key is blocked!", Record("R1").opText);
}

TEST_F(MonitorTest, KeyStatesThatCannotBeUsed)
{
    struct Case { const char* reader; KeyRecipe spec; bool corrupt; int state; const char* text; bool result; };
    KeyRecipe blocked, finallyBlocked, unformatted;
    blocked.pinLeft = 0;
    finallyBlocked.pinLeft = 0;
    finallyBlocked.pukLeft = 0;
    unformatted.formatted = false;
    const Case cases[] = {
        {"Blocked", blocked, false, csBlocked, "The Key is blocked!", false},
        {"Final", finallyBlocked, false, csFinallyBlocked, "The Key is finally blocked!\nIt should be reformatted to reuse.", false},
        {"Unformatted", unformatted, false, csNotFormatted, "The Key you connected has not been formatted!", false},
        {"Corrupt", KeyRecipe(), true, csError, "Unknown error with the Key!", true},
    };
    for (const Case& c : cases) {
        const std::string bytes = bench.PutKey(c.reader, c.spec);
        if (c.corrupt) {
            std::string damaged = bytes;
            damaged[damaged.size() / 2] ^= 0x5A;
            WriteBytes(bench.KeyPath(c.reader), damaged);
        }
    }
    bench.PutKey("Truncated", KeyRecipe());
    WriteBytes(bench.KeyPath("Truncated"), FileBytes(bench.KeyPath("Truncated")).substr(0, 40));
    Start();
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, Poll(c.reader)) << c.reader;
        EXPECT_EQ(c.state, Record(c.reader).state) << c.reader;
        EXPECT_EQ(1, monitor.Count(std::string("error:") + c.reader + ":" + c.text)) << c.reader;
        EXPECT_EQ(0, monitor.Count(std::string("inserted:") + c.reader));
    }
    EXPECT_TRUE(Poll("Truncated"));
    EXPECT_EQ(csError, Record("Truncated").state);
}

TEST_F(MonitorTest, AnotherKeyInTheSameReaderDoesNotInheritThePin)
{
    KeyRecipe first;
    first.idByte = 0x11;
    bench.PutKey("R1", first);
    Start();
    EXPECT_FALSE(Poll("R1"));
    // The person types the PIN; an operation opens the key afresh.
    monitor.SetPIN(L"R1", L"1234");
    monitor.Api().CloseCard(Record("R1").handle, 0);
    EXPECT_TRUE(Poll("R1"));
    EXPECT_EQ(1, monitor.Count("inserted:R1"));

    KeyRecipe second;  // same PIN, another key
    second.idByte = 0x22;
    bench.PutKey("R1", second);
    EXPECT_FALSE(Poll("R1"));
    EXPECT_EQ(2, monitor.Count("needpin:R1:0:3")) << "the swapped key asks for its PIN; nothing was counted";
    EXPECT_EQ(1, monitor.Count("inserted:R1"));
    EXPECT_EQ(0x22, Record("R1").cardId[0]);
}

TEST_F(MonitorTest, PresetPinIsTriedOnceThenAsked)
{
    bench.PutKey("Right", KeyRecipe());
    bench.PutKey("Wrong", KeyRecipe());
    Start();
    monitor.SetPIN(nullptr, L"1234");
    EXPECT_TRUE(Poll("Right"));
    EXPECT_EQ(1, monitor.Count("inserted:Right"));

    monitor.SetPIN(nullptr, L"0000");
    EXPECT_FALSE(Poll("Wrong"));
    EXPECT_EQ(1, monitor.Count("needpin:Wrong:1:2")) << "the preset PIN counts as one wrong attempt";
    EXPECT_EQ(csNeedPIN, Record("Wrong").state);
}

TEST_F(MonitorTest, IgnoredReaderIsNeverOpened)
{
    bench.PutKey("Vidor", NoPin());
    bench.PutKey("R1", NoPin());
    monitor.SetReaderIgnored("VIDOR");
    Start();
    EXPECT_EQ(nullptr, Record("Vidor").handle);
    EXPECT_NE(nullptr, Record("R1").handle);
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("inserted:R1", kThreadWaitMs));
    EXPECT_EQ(0, monitor.Count("inserted:Vidor"));
    EXPECT_EQ(0, monitor.Count("error:Vidor:Unknown error with the Key!"));
}

TEST_F(MonitorTest, NoReaderAtAllIsReportedOnce)
{
    Start();
    ASSERT_EQ(0, monitor.ReaderCount());
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("absent", kThreadWaitMs));
    Sleep(2500);
    EXPECT_EQ(1, monitor.Count("absent"));
}

TEST_F(MonitorTest, ReadersWithoutKeysAreReportedAbsentOnceAndKeysArriveLater)
{
    bench.AddReader("R1");
    Start();
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("absent", kThreadWaitMs));
    bench.PutKey("R1", NoPin());
    ASSERT_TRUE(monitor.WaitFor("inserted:R1", kThreadWaitMs));
    EXPECT_EQ(1, monitor.Count("absent"));
}

TEST_F(MonitorTest, ReaderThatDisappearsWithItsKeyIsReportedRemoved)
{
    bench.PutKey("R1", NoPin());
    bench.AddReader("R2");
    Start();
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("inserted:R1", kThreadWaitMs));
    RemoveTree(bench.Folder("R1"));
    ASSERT_TRUE(monitor.WaitFor("reader-:R1", kThreadWaitMs));
    EXPECT_EQ(1, monitor.Count("removed:R1"));
    EXPECT_EQ(0, monitor.Count("reader-:R2"));
    // The callback comes just before the record leaves the table.
    for (int i = 0; i < 100 && monitor.ReaderCount() != 1; ++i) Sleep(10);
    EXPECT_EQ(nullptr, monitor.ByName("R1"));
    EXPECT_EQ(1, monitor.ReaderCount());

    bench.AddReader("R3");
    ASSERT_TRUE(monitor.WaitFor("reader+:R3", kThreadWaitMs));
}

TEST_F(MonitorTest, CallbackOpeningTheKeyOnTheMonitorThreadDoesNotHang)
{
    KeyRecipe spec = NoPin();
    spec.apps[kAppLogonProfiles] = "profile bytes";
    bench.PutKey("R1", spec);
    Start();
    std::string readBack;
    bool stopAnsweredAtOnce = false;
    std::atomic<bool> callbackDone{false};
    monitor.whenInserted = [&](const std::string& reader) {
        // A stop asked from inside a callback must not wait for the thread that asks.
        const DWORD start = GetTickCount();
        stopAnsweredAtOnce = !monitor.AskToStopMonitorThread() && GetTickCount() - start < 50;
        // Opened as an operation opens it: the kept connection ends first.
        const int index = monitor.ByName(reader)->index;
        monitor.Api().CloseCard(monitor.Reader(index)->handle, 0);
        if (monitor.ProcessReader(index, true)) {
            BYTE data[64] = {};
            DWORD length = sizeof data;
            KEYAPI_READER h = monitor.Reader(index)->handle;
            if (monitor.Api().ReadDataApp(h, 0, data, &length, kAppLogonProfiles))
                readBack.assign(reinterpret_cast<char*>(data), length);
            monitor.Api().CloseCard(h, 1);
        }
        callbackDone = true;
    };
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("inserted:R1", kThreadWaitMs));
    for (int waited = 0; waited < int(kThreadWaitMs) && !callbackDone; waited += 10) Sleep(10);
    ASSERT_TRUE(callbackDone) << "the callback hangs";
    DeleteFileA(bench.KeyPath("R1").c_str());
    ASSERT_TRUE(monitor.WaitFor("removed:R1", kThreadWaitMs)) << "the monitor goes on after the callback";
    EXPECT_TRUE(stopAnsweredAtOnce);
    EXPECT_EQ("profile bytes", readBack);
}

TEST_F(MonitorTest, StopHandshakePausesPollingUntilReleased)
{
    bench.PutKey("R1", NoPin());
    Start();
    EXPECT_FALSE(monitor.AskToStopMonitorThread()) << "no thread yet";
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("inserted:R1", kThreadWaitMs));

    // While the insertion callback still runs, a stop is refused at once; then it is granted.
    bool stopped = false;
    for (int tries = 0; tries < 50 && !stopped; ++tries) {
        stopped = monitor.AskToStopMonitorThread();
        if (!stopped) Sleep(20);
    }
    ASSERT_TRUE(stopped);
    EXPECT_FALSE(monitor.AskToStopMonitorThread()) << "already stopped";
    DeleteFileA(bench.KeyPath("R1").c_str());
    EXPECT_FALSE(monitor.WaitFor("removed:R1", 3000)) << "paused: nothing polled";
    monitor.ReleaseMonitorThread();
    EXPECT_TRUE(monitor.WaitFor("removed:R1", kThreadWaitMs));
}

TEST_F(MonitorTest, StopMonitoringResetsEveryReaderAndFinalizeUnloads)
{
    bench.PutKey("R1", KeyRecipe());
    Start();
    monitor.SetPIN(nullptr, L"1234");  // the preset PIN answers the monitor's request
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("inserted:R1", kThreadWaitMs));
    monitor.StopMonitoring();
    EXPECT_FALSE(monitor.IsMonitorRunning());
    EXPECT_EQ(csAbsent, Record("R1").state);
    EXPECT_STREQ(L"", Record("R1").pin);

    // The key is reported afresh after a restart, and asks for its PIN again.
    monitor.ClearEvents();
    monitor.StartMonitorThread();
    ASSERT_TRUE(monitor.WaitFor("inserted:R1", kThreadWaitMs));
    EXPECT_EQ(1, monitor.Count("needpin:R1:0:3"));

    monitor.Finalize();
    EXPECT_FALSE(monitor.IsLoaded());
    EXPECT_EQ(0, monitor.ReaderCount());
    EXPECT_TRUE(monitor.Initialize(kAppLogonProfiles)) << "a finalised monitor can start again";
    EXPECT_FALSE(monitor.Initialize(kAppLogonProfiles));
    EXPECT_EQ(DWORD(ERROR_ALREADY_INITIALIZED), GetLastError());
}

TEST_F(MonitorTest, SecondMonitorInTheProcessLeavesReaderChangesToTheFirst)
{
    bench.AddReader("R1");
    Start();
    EXPECT_TRUE(monitor.IsSingleInstanceInProcess());
    RecordingMonitor second;
    ASSERT_TRUE(second.Initialize(kAppLogonProfiles));
    EXPECT_FALSE(second.IsSingleInstanceInProcess());
    second.Finalize();
}
