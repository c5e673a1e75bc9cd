#include "version_class.h"

int VersionClassFromOs(unsigned platformId, unsigned major, unsigned minor, VersionClassTable table)
{
    if (platformId == 1) {  // Windows 9x
        if (major != 4) return kWinUnknown;
        switch (minor) {
        case 0: return kWin95;
        case 10: return kWin98;
        case 90: return kWinMe;
        default: return kWinNT4;  // an unlisted 4.x is treated like NT 4.0
        }
    }
    if (platformId != 2) return kWinUnknown;
    if (major <= 4) return kWinNT4;
    if (major == 5) {
        switch (minor) {
        case 0: return kWin2000;
        case 1: return kWinXP;
        case 2: return kWin2003;
        default: return kWinUnknown;
        }
    }
    if (major == 6 && minor == 0) return table == VersionClassTable::Wide ? kWinVista : kWinUnknown;
    return kWinUnknown;
}
