// keyctl's exit codes; `keyctl help` and the README list them.
#pragma once

enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,        // unknown command or option, missing or bad argument
    kExitNoReader = 2,     // no reader of that name, or the reader folder is gone
    kExitNoKey = 3,        // no key in the reader, or no such key file
    kExitBadKey = 4,       // damaged or not a key file, or the key is not formatted
    kExitWrongPin = 5,     // wrong PIN or PUK
    kExitBlocked = 6,      // PIN blocked or finally blocked
    kExitNoSpace = 7,      // the data does not fit on the key
    kExitFileError = 8,    // a file could not be read or written, or is in the way
    kExitKeyApiError = 9,  // any other failure of keyapi32.dll or Windows
};
