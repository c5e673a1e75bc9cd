// One open reader (a KEYAPI_READER handle): the key as last seen in it, and the
// connection InitCard opens to that key.
//
// Cheap polling: the key file is stamped (size, times, file index) on every InitCard and
// read and parsed only when the stamp changed, so a kept connection to an unchanged key
// answers "unchanged" without reading it. Reads of application data decrypt once per file
// version. Every change is made under the key's writer lock on a fresh read of the file
// and written back atomically.
//
// Methods return a Windows error (0 on success); the caller holds Lock().
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "critical_section.h"
#include "key_content.h"
#include "key_file.h"
#include "key_secrets.h"
#include "key_storage.h"
#include "reader_scan.h"

class ReaderObject {
public:
    explicit ReaderObject(const ReaderPlace& place);
    ~ReaderObject();
    ReaderObject(const ReaderObject&) = delete;
    ReaderObject& operator=(const ReaderObject&) = delete;

    CriticalSection& Lock() { return lock_; }
    const ReaderPlace& Place() const { return place_; }

    // Connection (reader_card.cpp), formatting (reader_format.cpp).
    int InitCard(DWORD appId, DWORD& error);
    void CloseCard(bool keep);
    void EndConnection();
    bool ConnectionKept() const { return connection_.open && connection_.kept; }
    DWORD CurrentApp() const { return connection_.appId; }
    DWORD Format(const std::string& label, const std::string& pin, const std::string& puk);
    DWORD Unformat();

    // Key information, no PIN needed (reader_info.cpp).
    DWORD CardId(uint8_t id[kCardIdSize]);
    DWORD Label(std::string& label);
    DWORD AppInfo(DWORD appId, DWORD& used, DWORD& freeBytes);
    DWORD Applications(std::vector<DWORD>& ids);

    // PIN (reader_pin.cpp).
    DWORD VerifyPin(const std::string& pin);
    DWORD ChangePin(const std::string& oldPin, const std::string& newPin);
    DWORD UnblockPin(const std::string& puk, const std::string& newPin);

    // Application data (reader_data.cpp). Sizes need only the connection.
    DWORD AppSize(DWORD appId, DWORD& size);
    DWORD ReadApp(DWORD appId, DWORD offset, BYTE* buffer, DWORD& length);
    DWORD WriteApp(DWORD appId, DWORD offset, const BYTE* data, DWORD length);
    DWORD ResizeApp(DWORD appId, DWORD size);
    DWORD SetLabel(const std::string& label);

private:
    // The key file as last looked at.
    struct Sight {
        bool valid = false;
        KeyPresence presence = KeyPresence::Absent;
        DWORD error = 0;
        bool stamped = false;
        FileStamp stamp;
        KeyFileProblem problem = KeyFileProblem::None;
        KeyFile key;
    };
    struct Connection {
        bool open = false;
        bool kept = false;  // CloseCard(h, 1): InitCard answers "unchanged" while the key stays
        DWORD appId = 0;
        uint8_t cardId[kCardIdSize] = {};
        bool verified = false;               // the PIN sealed with `verifiedSalt` was given
        uint8_t verifiedSalt[kSaltSize] = {};
        DataKey dataKey;
        // Plain bytes of one application for the file version `plainVersion`.
        bool plainValid = false;
        DWORD plainApp = 0;
        unsigned plainVersion = 0;
        std::vector<uint8_t> plain;
    };

    void Look(bool readAgain);
    DWORD ConnectedKey(bool readAgain, const KeyFile*& key);
    DWORD Access(bool readAgain, const KeyFile*& key);
    DWORD Commit(const KeyFile& key);
    DWORD PlainOf(DWORD appId, const KeyFile& key, const std::vector<uint8_t>*& plain);
    const DataKey* ConnectionDataKey(const KeyFile& key) const;
    void Verified(const KeyFile& key, const DataKey& dataKey);
    DWORD ReplaceApp(DWORD appId, bool exactSize, uint64_t size, DWORD offset, const BYTE* data, DWORD length);

    CriticalSection lock_;
    ReaderPlace place_;
    std::string keyPath_;
    Sight sight_;
    unsigned sightVersion_ = 0;  // counts the file versions seen
    Connection connection_;
};

// Maps a failed content change to a Windows error.
DWORD ContentErrorCode(ContentError error);
