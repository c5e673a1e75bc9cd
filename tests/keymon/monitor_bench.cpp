// monitor_bench: what the key monitor costs per poll. Eight readers hold PIN-protected
// keys that were accepted once; then every reader is polled as the monitor thread does
// every 2 s, for ROUNDS rounds. Prints CPU and wall time per reader per poll, and checks
// that no key was reported again.
//   monitor_bench [ROUNDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "key_bench.h"
#include "lang.h"
#include "smart_key.h"

namespace {
const int kReaders = 8;

class CountingMonitor : public CSmartKey {
public:
    void onKeyInserted(const TCHAR*) override { ++inserted; }
    void onNewErrorMessage(const TCHAR*, const TCHAR*) override { ++errors; }
    int inserted = 0, errors = 0;
};

double Seconds(const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; }

double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

double WallSeconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}
}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 500;
    g_lang.Load(L"ovl", nullptr);
    KeyBench bench;  // a readers folder of its own while the benchmark runs
    for (int i = 0; i < kReaders; ++i) bench.PutKey("bench " + std::to_string(i), KeyRecipe());

    CountingMonitor monitor;
    if (!monitor.Initialize(kAppLogonProfiles)) {
        std::fprintf(stderr, "keyapi32.dll could not be loaded (%lu)\n", GetLastError());
        return 2;
    }
    monitor.SetPIN(nullptr, L"1234");
    for (int i = 0; i < monitor.ReaderCount(); ++i) monitor.ProcessReader(i, false);
    if (monitor.inserted != kReaders) {
        std::fprintf(stderr, "expected %d keys accepted, got %d\n", kReaders, monitor.inserted);
        return 2;
    }

    const double cpu0 = ThreadCpuSeconds(), wall0 = WallSeconds();
    for (int round = 0; round < rounds; ++round)
        for (int i = 0; i < monitor.ReaderCount(); ++i) monitor.ProcessReader(i, false);
    const double cpu = ThreadCpuSeconds() - cpu0, wall = WallSeconds() - wall0;
    const double polls = double(rounds) * kReaders;

    std::printf("readers: %d, rounds: %d, polls: %.0f\n", kReaders, rounds, polls);
    std::printf("CPU per reader per poll:  %.1f us\n", cpu / polls * 1e6);
    std::printf("wall per reader per poll: %.1f us\n", wall / polls * 1e6);
    std::printf("one 2 s monitor pass over all readers: %.3f ms CPU\n", cpu / rounds * 1e3);
    std::printf("keys reported again: %d, errors: %d\n", monitor.inserted - kReaders, monitor.errors);
    monitor.Finalize();
    return monitor.inserted == kReaders && monitor.errors == 0 ? 0 : 1;
}
