// What the test run emulates: the Windows version a versioned test executable was
// started for (--windows=nt40 ...), checked against what GetVersionEx reports.
#pragma once
#include <initializer_list>
#include <string>

// "win98", "nt40", "win2k", "winxp", "win2003", or "" when not run as a versioned copy.
const std::string& EmulatedWindows();
void SetEmulatedWindows(const std::string& version);

// The version class (1..8) the emulated version stands for, 0 when none.
int EmulatedVersionClass();

// True when `GetVersionEx` agrees with the emulated version (the Wine setting took effect).
bool EmulationInEffect();

// Skips the current test unless it runs under one of the given versions.
#define OV_ONLY_ON(...)                                                             \
    do {                                                                           \
        if (!EmulatedWindowsIsOneOf({__VA_ARGS__}))                                \
            GTEST_SKIP() << "not for " << (EmulatedWindows().empty() ? "this run" : EmulatedWindows()); \
    } while (0)
bool EmulatedWindowsIsOneOf(std::initializer_list<const char*> versions);
