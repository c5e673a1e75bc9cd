// profile_read_bench: the time from ReadProfiles to WM_KEY_WAIT_FINISH for a full
// profile buffer (32000 bytes) on a PIN-protected key with a real key's PIN seal, next
// to the same read done directly, which is the key work inside that time.
//   profile_read_bench [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "key_bench.h"
#include "key_messages_bench.h"
#include "lang.h"

namespace {
const uint32_t kRealKeyIterations = 64000;  // what keyctl and FormatCard give a new key

double NowMs()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(now.QuadPart) / double(frequency.QuadPart);
}

void Report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s min %8.1f  median %8.1f  max %8.1f ms\n", what, ms.front(), ms[ms.size() / 2], ms.back());
}
}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    g_lang.Load(L"ovl", nullptr);
    KeyBench bench;
    KeyRecipe key;
    key.iterations = kRealKeyIterations;
    std::string profiles(32000, '\0');
    for (size_t i = 0; i < profiles.size(); ++i) profiles[i] = char('A' + i % 26);
    key.apps[kAppLogonProfiles] = profiles;
    bench.PutKey("Bench reader", key);

    KeyWindowRig rig;
    if (!rig.Start()) return 1;
    MessageLog& log = rig.log;
    CSmartKey_WndDisp& monitor = rig.monitor;
    if (!log.WaitFor(WM_KEY_NEEDPIN, 8000, "Bench reader")) {
        std::printf("no PIN request: %s\n", log.Describe().c_str());
        return 1;
    }

    std::vector<double> finished, beyondWait, direct;
    for (int round = 0; round < rounds; ++round) {
        log.Clear();
        const double start = NowMs();
        if (!monitor.ReadProfiles(L"1234") || !log.WaitFor(WM_KEY_WAIT_FINISH, 100000)) return 1;
        const double took = NowMs() - start;
        if (monitor.dataSize != profiles.size()) {
            std::printf("read %lu bytes\n", static_cast<unsigned long>(monitor.dataSize));
            return 1;
        }
        finished.push_back(took);
        beyondWait.push_back(took - 1200.0);
    }
    // The key work alone: the same read on this thread (PIN check, decryption, copy).
    std::vector<BYTE> buffer(CSmartKey_WndDisp::kProfileBufferBytes);
    for (int round = 0; round < rounds; ++round) {
        DWORD length = 0;
        monitor.SetPIN(L"Bench reader", L"1234");
        const double start = NowMs();
        if (!monitor.Read(L"Bench reader", buffer.data(), &length, DWORD(buffer.size()))) return 1;
        direct.push_back(NowMs() - start);
    }
    std::printf("%d rounds, 32000-byte profile buffer, PIN seal of %u iterations\n", rounds,
                unsigned(kRealKeyIterations));
    Report("ReadProfiles -> WM_KEY_WAIT_FINISH", finished);
    Report("  beyond the fixed 1200 ms wait", beyondWait);
    Report("direct Read (the key work)", direct);
    return 0;
}
