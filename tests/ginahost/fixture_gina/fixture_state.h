// The fixture GINA's state for the window station it serves.
#pragma once
#include <windows.h>
// C linkage, so that the entry points defined here export under their plain names.
extern "C" {
#include <winwlx.h>
}

#include <string>

struct FixtureState {
    HANDLE hWlx = nullptr;
    PWLX_DISPATCH_VERSION_1_3 dispatch = nullptr;  // only the part of the negotiated version is valid
    DWORD version = 0;
    unsigned loggedOutCalls = 0, loggedOnCalls = 0, lockedCalls = 0;
    std::wstring user = L"fixture-user";
    std::wstring statusMessage;
};

extern FixtureState g_fixture;
extern HINSTANCE g_fixtureModule;
// The context handed to Winlogon; every entry point checks that it gets it back.
extern int g_fixtureContext;
