// keyapi_bench: what polling costs. Eight readers with PIN-protected keys, polled the way
// the key monitor does it every 2 s, 1000 rounds: InitCard on a kept connection (-5)
// and on a key waiting for its PIN (attempts left, empty PIN refused). Prints CPU and
// wall time per poll. Exit code 1 for a wrong answer, or when a call takes 1 ms of CPU
// or more on average (wall time depends on the machine's load and is only reported).
//   keyapi_bench [ROUNDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "keyapi32.h"

namespace {
#define BIND(name) auto name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(GetProcAddress(library, #name)))

const int kReaders = 8;

double Seconds(const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; }

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

double WallSeconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

std::string Exe(const char* name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

bool Run(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

void RemoveReaders(const std::string& root)
{
    for (int i = 0; i < kReaders; ++i) {
        const std::string folder = root + "\\bench " + std::to_string(i);
        DeleteFileA((folder + "\\ostrel.key").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    RemoveDirectoryA(root.c_str());
}
}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string root = std::string(temp) + "keyapi-bench-" + std::to_string(GetCurrentProcessId());

    // Its own readers folder for the run; the setting is put back at the end.
    HKEY settings;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ostrel\\KeyApi", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                    nullptr, &settings, nullptr);
    char oldPath[MAX_PATH] = {};
    DWORD oldSize = sizeof oldPath;
    const bool hadPath = RegQueryValueExA(settings, "ReadersPath", nullptr, nullptr, reinterpret_cast<BYTE*>(oldPath),
                                          &oldSize) == ERROR_SUCCESS;
    RegSetValueExA(settings, "ReadersPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
                   DWORD(root.size() + 1));

    HMODULE library = LoadLibraryA(Exe("keyapi32.dll").c_str());
    BIND(InitReader);
    BIND(InitCard);
    BIND(CloseCard);
    BIND(VerifyPIN);
    int failures = 0;
    KEYAPI_READER readers[kReaders] = {};
    CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < kReaders; ++i) {
        const std::string name = "bench " + std::to_string(i);
        CreateDirectoryA((root + "\\" + name).c_str(), nullptr);
        // Real keys: default PBKDF2 iterations, AES, a PUK.
        if (!Run("\"" + Exe("keyctl.exe") + "\" create \"" + name + "\" --pin 1234 --puk 12345678")) ++failures;
        readers[i] = InitReader(name.c_str());
    }

    // The monitor's accepted key: verified once, then every poll answers -5 from the kept connection.
    for (KEYAPI_READER reader : readers) {
        if (InitCard(reader, KEYAPI_APP_LOGON) != 5 || !VerifyPIN(reader, "1234")) ++failures;
        CloseCard(reader, 1);
    }
    double cpu = CpuSeconds(), wall = WallSeconds();
    for (int round = 0; round < rounds; ++round) {
        for (KEYAPI_READER reader : readers) {
            if (InitCard(reader, KEYAPI_APP_LOGON) != KEYAPI_UNCHANGED) ++failures;
        }
    }
    const double polls = double(rounds) * kReaders;
    const double keptCpu = (CpuSeconds() - cpu) / polls * 1e6, keptWall = (WallSeconds() - wall) / polls * 1e6;

    // A key waiting for its PIN: status, the empty PIN refused, connection ended.
    for (KEYAPI_READER reader : readers) CloseCard(reader, 0);
    cpu = CpuSeconds();
    wall = WallSeconds();
    for (int round = 0; round < rounds; ++round) {
        for (KEYAPI_READER reader : readers) {
            if (InitCard(reader, KEYAPI_APP_LOGON) != 5 || VerifyPIN(reader, "")) ++failures;
            CloseCard(reader, 0);
        }
    }
    const double waitingCpu = (CpuSeconds() - cpu) / polls * 1e6, waitingWall = (WallSeconds() - wall) / polls * 1e6;

    std::printf("%d readers x %d polls of unchanged PIN-protected keys\n", kReaders, rounds);
    std::printf("kept connection (-5):        %7.1f us CPU, %7.1f us wall per InitCard\n", keptCpu, keptWall);
    std::printf("waiting for PIN (5, \"\"):   %7.1f us CPU, %7.1f us wall per InitCard + VerifyPIN\n", waitingCpu,
                waitingWall);
    if (failures) std::printf("%d unexpected answers\n", failures);

    FreeLibrary(library);
    RemoveReaders(root);
    if (hadPath)
        RegSetValueExA(settings, "ReadersPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(oldPath), oldSize);
    else
        RegDeleteValueA(settings, "ReadersPath");
    RegCloseKey(settings);
    return failures || keptCpu >= 1000 || waitingCpu >= 2 * 1000 ? 1 : 0;
}
