// Making keys and changing what they hold: formatting, application data, PIN changes.
// Every change works on a KeyFile in memory and leaves it untouched when it fails; the
// caller writes the file. Portable: encryption comes through DataCipher.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "key_file.h"
#include "key_secrets.h"

const uint32_t kDefaultCapacity = 32000;
const uint8_t kDefaultPinAttempts = 5;
const uint8_t kDefaultPukAttempts = 10;
const size_t kMaxPinLength = 64;

// Block encryption of application data (CBC, PKCS #5 padding); CryptoAPI on Windows.
class DataCipher {
public:
    virtual ~DataCipher() = default;
    // `out` gets StoredSizeOf(cipher, size) bytes.
    virtual bool Encrypt(uint8_t cipher, const DataKey& key, const uint8_t iv[kIvSize], const uint8_t* plain,
                         size_t size, std::vector<uint8_t>& out) = 0;
    virtual bool Decrypt(uint8_t cipher, const DataKey& key, const uint8_t iv[kIvSize],
                         const std::vector<uint8_t>& stored, std::vector<uint8_t>& plain) = 0;
};

enum class ContentError {
    None,
    NoSpace,        // the applications would need more than the capacity
    BadArgument,    // label or PIN too long
    NoRandom,
    CipherFailed,   // encryption unavailable, or stored data that does not decrypt
};

struct FormatOptions {
    std::string label;
    std::string pin;  // empty: no PIN, data stored plain
    std::string puk;  // empty: no unblock code
    uint8_t pinAttempts = kDefaultPinAttempts;
    uint8_t pukAttempts = kDefaultPukAttempts;
    uint32_t iterations = kDefaultIterations;
    uint8_t cipher = kCipherAes256Cbc;  // for a key with a PIN
};

// A key as it comes blank: an id and a capacity, not formatted.
KeyFile MakeBlankKey(const uint8_t cardId[kCardIdSize], uint32_t capacity);

// Formats `key` in place: keeps its id and capacity, erases everything else.
ContentError FormatKey(KeyFile& key, const FormatOptions& options, RandomSource& random, DataCipher& cipher);

// Back to blank: id and capacity kept.
void UnformatKey(KeyFile& key);

// The plain bytes of an application (empty when it has none); `dataKey` when the key has a PIN.
ContentError ReadApplication(const KeyFile& key, uint32_t appId, const DataKey* dataKey, DataCipher& cipher,
                             std::vector<uint8_t>& plain);

// Replaces an application's bytes (empty erases it), checking the space first.
ContentError WriteApplication(KeyFile& key, uint32_t appId, const std::vector<uint8_t>& plain,
                              const DataKey* dataKey, DataCipher& cipher, RandomSource& random);

// Gives the key a new PIN (empty: none) under a fresh data key, re-encrypting every
// application and resealing the data key for the PUK. `current` opens the data as it is
// (null for a key without PIN); `newKey` receives the new data key. Attempts are reset.
ContentError ChangeKeyPin(KeyFile& key, const DataKey* current, const std::string& newPin, uint8_t cipherId,
                          uint32_t iterations, RandomSource& random, DataCipher& cipher, DataKey& newKey);
