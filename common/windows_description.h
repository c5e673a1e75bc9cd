// The Windows description line of the log's start report ("Microsoft Windows XP
// Professional Service Pack 2 (Build 2600)"). Built from plain facts so it is portable.
#pragma once
#include <string>

struct OsFacts {
    unsigned platformId = 2;   // 0 Win32s, 1 Windows 9x, 2 NT
    unsigned major = 0, minor = 0, build = 0;
    std::string servicePack;   // szCSDVersion
    bool hasExtended = false;  // OSVERSIONINFOEX was available
    unsigned productType = 0;  // VER_NT_WORKSTATION 1, DOMAIN_CONTROLLER 2, SERVER 3
    unsigned suiteMask = 0;    // VER_SUITE_* bits
    std::string registryProductType;  // "WINNT", "LANMANNT", "SERVERNT" when not extended
    bool hasHotfixQ246009 = false;    // NT 4 SP6a marker
};

// At most 259 characters.
std::string DescribeWindows(const OsFacts& os);
