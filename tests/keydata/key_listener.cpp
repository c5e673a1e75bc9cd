// A second process for the change-notification test: it reads the profiles of the key
// in the reader named on its command line, tells the test through the named event in
// the second argument that it did, waits for WM_KEY_DATA_CHANGED and prints the data it
// reads again then. Exit code 0: changed and reread; 2: no change reported; 1: setup.
#include <windows.h>

#include <cstdio>
#include <string>

#include "key_messages_bench.h"
#include "lang.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) return 1;
    const std::wstring reader = argv[1];
    g_lang.Load(L"ovl", nullptr);
    MessageLog log;
    RecordingDispatch dispatch(log);  // no target: every message stays with the dispatch window
    if (!dispatch.StartThread(GetModuleHandle(nullptr))) return 1;
    CSmartKey_WndDisp monitor;
    monitor.AttachDispatchWnd(&dispatch);
    if (!monitor.Initialize(kAppLogonProfiles)) return 1;
    monitor.StartMonitoring();
    const std::string name = Narrow(reader.c_str());
    if (!log.WaitFor(WM_KEY_INSERTED, 8000, name) || !monitor.ReadProfiles(nullptr) ||
        !log.WaitFor(WM_KEY_WAIT_FINISH, 8000)) {
        std::printf("setup failed: %s\n", log.Describe().c_str());
        return 1;
    }
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (!ready) return 1;
    SetEvent(ready);
    CloseHandle(ready);

    int result = 2;
    if (log.WaitFor(WM_KEY_DATA_CHANGED, 10000)) {
        log.Clear();
        if (monitor.ReadProfiles(nullptr) && log.WaitFor(WM_KEY_WAIT_FINISH, 8000)) {
            std::printf("reread: %.*s\n", int(monitor.dataSize), reinterpret_cast<const char*>(monitor.dataBuffer));
            result = 0;
        }
    }
    std::printf("%s\n", log.Describe().c_str());
    monitor.Finalize();
    dispatch.StopThread();
    return result;
}
