// Windows version classes: the one small number every deliverable branches on.
// Portable (no Windows headers) so the mapping can be tested and fuzzed natively.
#pragma once

enum WindowsVersionClass {
    kWinUnknown = 0,
    kWin95 = 1,
    kWin98 = 2,
    kWinMe = 3,
    kWinNT4 = 4,
    kWin2000 = 5,
    kWinXP = 6,
    kWin2003 = 7,
    kWinVista = 8,
};

// The wide log's table knows Vista; the short log's table answers "unknown" there.
enum class VersionClassTable { Wide, Short };

// platformId as in OSVERSIONINFO: 0 Win32s, 1 Windows 9x, 2 Windows NT.
int VersionClassFromOs(unsigned platformId, unsigned major, unsigned minor,
                       VersionClassTable table = VersionClassTable::Wide);

// True for the NT family (NT 4.0 and later).
inline bool IsNtFamily(int versionClass) { return versionClass >= kWinNT4; }
