// What keyctl's arguments name: a reader (by its EnumReaders name), a key file, an
// application, and an open connection to the key in a reader.
#pragma once
#include <windows.h>

#include <string>

#include "keyapi_library.h"
#include "reader_scan.h"

// The reader of that name (case-insensitive). Exit code, 0 when found.
int FindReader(const std::string& name, ReaderPlace& place);

// A reader name, or else a file path (with \ or / in it, or ending in ".key").
struct KeyTarget {
    bool reader = false;
    std::string name;      // the reader's name, or the path as given
    std::string keyPath;   // the key file itself
};
int ResolveTarget(const std::string& text, KeyTarget& target);

// 223/logon, 227/bio, 231/netware. Exit code, 0 when known.
int ParseApplication(const std::string& text, DWORD& appId);

// A connection to the key in a reader through keyapi32.dll, for PIN and data commands.
class KeySession {
public:
    KeySession() = default;
    ~KeySession();
    KeySession(const KeySession&) = delete;
    KeySession& operator=(const KeySession&) = delete;

    // Opens the reader and the key for `appId`. Blocked keys are accepted only when
    // `allowBlocked` (for unblock). Exit code, 0 on success; `status` is InitCard's.
    int Open(const std::string& readerName, DWORD appId, bool allowBlocked);
    // VerifyPIN; exit code.
    int Verify(const std::string& pin);

    const KeyApi& Api() const { return *api_; }
    KEYAPI_READER Handle() const { return handle_; }
    int Status() const { return status_; }

private:
    const KeyApi* api_ = nullptr;
    KEYAPI_READER handle_ = nullptr;
    int status_ = 0;
};
