// Which GINA interface version the running Windows' Winlogon offers in WlxNegotiate.
#pragma once
#include <windows.h>

#include <string>

struct WinlogonOffer {
    bool hasWinlogon = false;  // false on Windows 9x: no Winlogon, no GINA
    DWORD version = 0;         // WLX_VERSION_1_x
    std::string windows;       // "Windows NT 5.1 (build 2600)" for the trace
    std::string note;          // why there is no offer, or a caveat about it
};

// NT 3.x offers 1.0, NT 4.0 offers 1.1, Windows 2000 and later 1.3.
WinlogonOffer WinlogonOfferForThisWindows();

// Size of the dispatch table Winlogon hands to a GINA that answered `dllVersion`.
size_t DispatchTableSizeFor(DWORD dllVersion);
const char* DispatchTableNameFor(DWORD dllVersion);
