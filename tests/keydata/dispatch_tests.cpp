// Key events reach the windows as key messages, through the real monitor thread, the
// real dispatch thread and the real keyapi32.dll. Built in both character sets.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "key_bench.h"
#include "key_messages_bench.h"
#include "lang.h"
#include "text_convert.h"

namespace {
const DWORD kEventMs = 6000;   // the first poll, plus room for a slow machine
const DWORD kQuietMs = 4500;   // two more polls
const DWORD kFinishMs = 8000;  // the 1.2 s finishing wait, plus the command

using tstring = std::basic_string<TCHAR>;
tstring T(const std::string& text)
{
    TCHAR buffer[600];
    AnsiToText(text.c_str(), buffer, ARRAYSIZE(buffer));
    return buffer;
}

KeyRecipe Key(const std::string& pin, const std::string& profiles = "")
{
    KeyRecipe recipe;
    recipe.pin = pin;
    recipe.label = "Alice";
    if (!profiles.empty()) recipe.apps[kAppLogonProfiles] = profiles;
    return recipe;
}

struct DispatchTest : testing::Test {
    static void SetUpTestSuite() { g_lang.Load(_T("ovl"), nullptr); }

    void SetUp() override
    {
        ASSERT_TRUE(dispatch.StartThread(GetModuleHandle(nullptr))) << GetLastError();
        monitor.AttachDispatchWnd(&dispatch);
    }
    void TearDown() override
    {
        if (HasFailure()) std::printf("host %s\nself %s\n", hostLog.Describe().c_str(), selfLog.Describe().c_str());
        monitor.Finalize();
        dispatch.StopThread();
    }
    // Readers must exist before the monitor enumerates them.
    void Start(bool withHost = true)
    {
        if (withHost) {
            ASSERT_TRUE(host.Create());
            dispatch.SetDispatchWnd(host.Handle());
        }
        ASSERT_TRUE(monitor.Initialize(kAppLogonProfiles)) << GetLastError();
        monitor.StartMonitoring();
    }
    std::string Current() const { return Narrow(monitor.currentKey); }
    std::string Data() const
    {
        return std::string(reinterpret_cast<const char*>(monitor.dataBuffer), monitor.dataBuffer ? monitor.dataSize : 0);
    }

    KeyBench bench;
    MessageLog hostLog, selfLog;
    HostWindow host{hostLog};
    RecordingDispatch dispatch{selfLog};
    CSmartKey_WndDisp monitor;
};
}  // namespace

TEST_F(DispatchTest, KeyWithoutPinArrivesInsertedAndLeavesRemoved)
{
    bench.PutKey("R1", Key("", std::string(120, 'p')));
    Start();
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_INSERTED, kEventMs, "R1"));
    EXPECT_EQ("R1", Current());
    EXPECT_EQ("Alice", Narrow(monitor.displayName));
    EXPECT_EQ(120u, monitor.dataSize);
    EXPECT_EQ(32000u, monitor.dataTotal);
    EXPECT_FALSE(monitor.pinNeeded);
    EXPECT_TRUE(monitor.IsKeyReady());
    BYTE serial[8];
    monitor.GetKeySerial(serial);
    EXPECT_TRUE(monitor.CompareSerial(serial));
    serial[0] ^= 1;
    EXPECT_FALSE(monitor.CompareSerial(serial));

    DeleteFileA(bench.KeyPath("R1").c_str());
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_REMOVED, kEventMs, "R1"));
    EXPECT_EQ("", Current());
    EXPECT_EQ(0u, monitor.dataSize);
    EXPECT_EQ(nullptr, monitor.dataBuffer);
    EXPECT_EQ(1, hostLog.Count(WM_KEY_INSERTED));
    EXPECT_EQ(0, selfLog.Count(WM_KEY_INSERTED));
}

TEST_F(DispatchTest, PinKeyAsksForThePinThenDeliversItsProfiles)
{
    const std::string profiles = "\xFE profiles of Alice";
    bench.PutKey("R1", Key("1234", profiles));
    Start();
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_NEEDPIN, kEventMs, "R1"));
    EXPECT_TRUE(monitor.pinNeeded);
    EXPECT_TRUE(monitor.GetKeyMessage());
    EXPECT_EQ("Enter PIN code for 'Alice' Key:", Narrow(monitor.errorText));
    EXPECT_EQ(csNeedPIN, monitor.lastState);

    // A wrong PIN: the read ends, the key asks again and says how many attempts are left.
    hostLog.Clear();
    ASSERT_TRUE(monitor.ReadProfiles(_T("9999")));
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_WAIT_FINISH, kFinishMs));
    EXPECT_TRUE(hostLog.Has(WM_KEY_NEEDPIN, "R1"));
    EXPECT_TRUE(monitor.GetKeyMessage());
    EXPECT_EQ("The PIN you entered is incorrect (2 attempts remains).\nPlease enter PIN code for 'Alice' Key:",
              Narrow(monitor.errorText));

    hostLog.Clear();
    ASSERT_TRUE(monitor.ReadProfiles(_T("1234")));
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_WAIT_FINISH, kFinishMs));
    EXPECT_FALSE(monitor.GetKeyMessage()) << Narrow(monitor.errorText);
    EXPECT_EQ(profiles, Data());
    EXPECT_EQ(1, hostLog.Count(WM_KEY_WAIT_FINISH));
}

TEST_F(DispatchTest, UnusableKeysArriveAsErrorsWithTheirText)
{
    struct Case {
        const char* what;
        KeyRecipe key;
        bool corrupt;  // one byte in the middle of the key file flipped
        const char* text;
    };
    KeyRecipe blocked = Key("1234"), finallyBlocked = Key("1234"), unformatted = Key("1234"), corrupted = Key("");
    blocked.pinLeft = 0;
    finallyBlocked.pinLeft = 0;
    finallyBlocked.pukLeft = 0;
    unformatted.formatted = false;
    const Case cases[] = {
        {"blocked", blocked, false, "Key: Alice. The Key is blocked!"},
        // Finally blocked and unformatted keys are not read, so their label is unknown.
        {"finally blocked", finallyBlocked, false, "Key: R1. The Key is finally blocked!\nIt should be reformatted to reuse."},
        {"not formatted", unformatted, false, "Key: R1. The Key you connected has not been formatted!"},
        {"corrupted", corrupted, true, "Key: R1. Unknown error with the Key!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KeyBench caseBench;
        std::string bytes = caseBench.PutKey("R1", c.key);
        if (c.corrupt) {
            bytes[bytes.size() / 2] ^= 0x5A;
            WriteBytes(caseBench.KeyPath("R1"), bytes);
        }
        MessageLog log;
        CSmartKey_WndDisp caseMonitor;
        log.noteOnArrival = [&](UINT) { return Narrow(caseMonitor.errorText); };
        HostWindow window(log);
        ASSERT_TRUE(window.Create());
        dispatch.SetDispatchWnd(window.Handle());
        caseMonitor.AttachDispatchWnd(&dispatch);
        ASSERT_TRUE(caseMonitor.Initialize(kAppLogonProfiles));
        caseMonitor.StartMonitoring();
        const bool arrived = log.WaitFor(WM_KEY_ERROR, kEventMs, "R1");
        caseMonitor.Finalize();
        ASSERT_TRUE(arrived) << log.Describe();
        EXPECT_EQ(c.text, log.All().front().note) << log.Describe();
        EXPECT_EQ(0, log.Count(WM_KEY_INSERTED));
    }
}

TEST_F(DispatchTest, NoKeyIsReportedAbsentOnce)
{
    bench.AddReader("R1");
    Start();
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_ABSENT, kEventMs));
    PumpUntil([] { return false; }, kQuietMs);
    EXPECT_EQ(1, hostLog.Count(WM_KEY_ABSENT));
}

TEST_F(DispatchTest, ASecondReaderIsNotHeardWhileTheFirstKeysDataIsLoaded)
{
    bench.PutKey("R1", Key("", "profiles"));
    bench.AddReader("R2");
    Start();
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_INSERTED, kEventMs, "R1"));
    bench.PutKey("R2", Key(""));
    PumpUntil([] { return false; }, kQuietMs);
    EXPECT_FALSE(hostLog.Has(WM_KEY_INSERTED, "R2"));
    EXPECT_EQ("R1", Current());

    // Once the first key is gone, the second one is heard again.
    DeleteFileA(bench.KeyPath("R1").c_str());
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_REMOVED, kEventMs, "R1"));
    monitor.FireKey_insertion();  // nothing current: changes nothing
    EXPECT_EQ("", Current());
}

TEST_F(DispatchTest, WithoutATargetOnScreenTheDispatchWindowKeepsTheMessages)
{
    struct Case {
        const char* what;
        bool create, visible;
        const TCHAR* caption;
        bool toTarget;
    };
    const Case cases[] = {
        {"no target", false, false, nullptr, false},
        {"hidden, no caption", true, false, _T(""), false},
        {"hidden with a caption", true, false, _T("Logon"), true},
        {"visible", true, true, _T(""), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MessageLog targetLog;
        HostWindow target(targetLog);
        if (c.create) ASSERT_TRUE(target.Create(c.visible, c.caption));
        dispatch.SetDispatchWnd(target.Handle());
        selfLog.Clear();
        dispatch.SendNotify(WM_KEY_ABSENT, 0, 0);
        MessageLog& expected = c.toTarget ? targetLog : selfLog;
        MessageLog& other = c.toTarget ? selfLog : targetLog;
        EXPECT_TRUE(expected.WaitFor(WM_KEY_ABSENT, 2000));
        EXPECT_EQ(0, other.Count(WM_KEY_ABSENT));
    }
}

TEST_F(DispatchTest, TheRemovedReadersNameOutlivesItsRecord)
{
    // The window's thread is busy while the reader disappears and another one takes its
    // place; it reads the name of the removal message only afterwards.
    bench.PutKey("Reader one", Key(""));
    MessageLog log;
    HANDLE go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> window{nullptr};
    std::thread busy([&] {
        HostWindow own(log);
        own.Create();
        window = own.Handle();
        WaitForSingleObject(go, 30000);
        log.WaitFor(WM_KEY_REMOVED, kEventMs);
    });
    ASSERT_TRUE(PumpUntil([&] { return window.load() != nullptr; }, 5000));
    dispatch.SetDispatchWnd(window);
    ASSERT_TRUE(monitor.Initialize(kAppLogonProfiles));
    monitor.StartMonitoring();
    ASSERT_TRUE(PumpUntil([&] { return Current() == "Reader one"; }, kEventMs));

    RemoveTree(bench.Folder("Reader one"));
    ASSERT_TRUE(PumpUntil([&] { return monitor.ReaderCount() == 0; }, kEventMs));
    bench.PutKey("Reader two", Key(""));
    ASSERT_TRUE(PumpUntil([&] { return monitor.ReaderCount() == 1; }, kEventMs));
    SetEvent(go);
    busy.join();
    CloseHandle(go);
    ASSERT_TRUE(log.Has(WM_KEY_REMOVED, "")) << log.Describe();
    for (const KeyMessage& m : log.All())
        if (m.message == WM_KEY_REMOVED) EXPECT_EQ("Reader one", m.reader);
}

TEST_F(DispatchTest, ASecondWaitReplacesTheFirst)
{
    ASSERT_TRUE(host.Create());
    dispatch.SetDispatchWnd(host.Handle());
    HANDLE first = CreateSemaphore(nullptr, 0, 1, nullptr), second = CreateSemaphore(nullptr, 0, 1, nullptr);
    HANDLE firstCopy, secondCopy;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), first, GetCurrentProcess(), &firstCopy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), second, GetCurrentProcess(), &secondCopy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    dispatch.WaitForKeyObject(firstCopy, kWaitRead);
    dispatch.WaitForKeyObject(secondCopy, kWaitWrite);
    // The first one is let go of: signalling it ends nothing.
    ReleaseSemaphore(first, 1, nullptr);
    PumpUntil([] { return false; }, 2000);
    EXPECT_EQ(0, hostLog.Count(WM_KEY_WAIT_FINISH));
    EXPECT_TRUE(dispatch.IsWaiting());
    DWORD flags;
    EXPECT_FALSE(GetHandleInformation(firstCopy, &flags));

    ReleaseSemaphore(second, 1, nullptr);
    ASSERT_TRUE(hostLog.WaitFor(WM_KEY_WAIT_FINISH, 3000));
    PumpUntil([] { return false; }, 1500);
    EXPECT_EQ(1, hostLog.Count(WM_KEY_WAIT_FINISH));
    EXPECT_FALSE(dispatch.IsWaiting());
    CloseHandle(first);
    CloseHandle(second);
}
