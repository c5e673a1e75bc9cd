// One attached key reader as the key monitor sees it. Text fields are UTF-16 in the
// GINA build and ANSI in the others, with the same lengths in characters.
#pragma once
#include <windows.h>
#include <tchar.h>

#include "keyapi_binding.h"

// Reader states.
enum KeyReaderState {
    csAbsent = 0,
    csInserted = 1,
    csBlocked = 2,
    csFinallyBlocked = 3,
    csError = 4,
    csNeedPIN = 5,
    csNotFormatted = 6,
    csBioFailed = 7,
};

// The operation a command runs on a reader (opCode).
enum KeyOperation { kOpRandom = 0, kOpRead = 1, kOpWrite = 2, kOpDelete = 3 };

struct KeyReader {
    KEYAPI_READER handle;      // from InitReader; empty when the reader is ignored
    TCHAR name[256];
    int lastStatus;            // last InitCard status, -4 already read as 3
    DWORD lastStatusError;     // Windows error right after that InitCard
    DWORD opError;             // error of the last operation; 1 = none to report; 0 = no error
    BYTE cardId[8];
    TCHAR pin[66];             // 64 used
    // The running operation (the request of an asynchronous command is copied here).
    BYTE* opData;
    DWORD* opLength;
    DWORD opReadLength;
    DWORD opWriteLength;
    DWORD opOffset;
    TCHAR opText[200];         // operation label, later its error text
    BYTE pausedMonitor;
    int opCode;
    DWORD keyUsed, keyFree;    // whole key
    int state;
    TCHAR statusText[100];
    DWORD appUsed, appFree;    // the monitor's application
    int index;
    int attemptsLeft;
    int failedPins;
    TCHAR label[33];
    DWORD bioUsed, bioFree;    // application 227
    DWORD bioVerified;
    BYTE seen;
    BYTE ignored;              // deliberately not opened (ignore list, or "VIDOR" in a remote session)
    DWORD opNeedLength;        // a read refused for a short buffer: the bytes it needed
};

const int kMaxReaders = 64;
