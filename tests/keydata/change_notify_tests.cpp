// A profile write in one process reaches every other process that read the same key as
// WM_KEY_DATA_CHANGED; the writer itself is not told.
#include <gtest/gtest.h>

#include <thread>

#include "key_bench.h"
#include "key_messages_bench.h"
#include "lang.h"
#include "process.h"
#include "scoped.h"

TEST(ChangeNotification, AWriteReachesTheOtherReaderButNotTheWriter)
{
    g_lang.Load(L"ovl", nullptr);
    KeyBench bench;
    KeyRecipe key;
    key.pin = "";
    key.apps[kAppLogonProfiles] = "first profiles";
    bench.PutKey("Shared reader", key);

    const wchar_t readyName[] = L"OstrelKeyListenerReady";
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName);
    ProcessRun run;
    run.program = ExeDirW() + L"key_listener.exe";
    run.arguments = {L"Shared reader", readyName};
    run.timeoutMs = 40000;
    ProcessResult listener;
    std::thread child([&] { listener = RunProcess(run); });
    // A failed assertion below leaves the test: the listener is still waited for.
    struct JoinOnExit {
        std::thread& thread;
        ~JoinOnExit()
        {
            if (thread.joinable()) thread.join();
        }
    } joinChild{child};

    KeyWindowRig rig;
    ASSERT_TRUE(rig.Start());
    MessageLog& log = rig.log;
    CSmartKey_WndDisp& monitor = rig.monitor;
    ASSERT_TRUE(log.WaitFor(WM_KEY_INSERTED, 8000, "Shared reader")) << log.Describe();
    ASSERT_TRUE(monitor.ReadProfiles(nullptr));
    ASSERT_TRUE(log.WaitFor(WM_KEY_WAIT_FINISH, 8000)) << log.Describe();

    const bool listening = PumpUntil([&] { return WaitForSingleObject(ready, 0) == WAIT_OBJECT_0; }, 20000);
    if (listening) {
        log.Clear();
        const std::string changed = "second profiles";
        ASSERT_TRUE(monitor.WriteProfiles(nullptr, reinterpret_cast<const BYTE*>(changed.data()), DWORD(changed.size())));
        EXPECT_TRUE(log.WaitFor(WM_KEY_WAIT_FINISH, 8000)) << log.Describe();
        PumpUntil([] { return false; }, 3000);
        EXPECT_EQ(0, log.Count(WM_KEY_DATA_CHANGED)) << log.Describe();
    }
    child.join();
    CloseHandle(ready);
    ASSERT_TRUE(listening) << listener.output << listener.failure;
    EXPECT_EQ(0u, listener.exitCode) << listener.output;
    EXPECT_NE(std::string::npos, listener.output.find("reread: second profiles")) << listener.output;
}
