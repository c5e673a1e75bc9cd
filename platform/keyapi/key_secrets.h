// The PIN and the unblock code (PUK) of a key, and the data key they protect. Nothing
// here stores a PIN or PUK: each becomes a salted, deliberately slow PBKDF2-HMAC-SHA-256
// result from which a verifier and a one-time pad for the data key are hashed.
//
// The PUK's PBKDF2 result is an X25519 secret; the file keeps its public key. Sealing the
// data key for the PUK needs only that public key (an ephemeral key agreement), so the data
// key can change with every PIN change while the PUK still opens it. Portable.
#pragma once
#include <cstdint>
#include <string>

#include "key_file.h"

// 64000 iterations: about 50 ms per check on a current PC; a key records its own count.
const uint32_t kDefaultIterations = 64000;

// The key that encrypts a key's application data; wiped when it goes out of scope.
struct DataKey {
    uint8_t bytes[kSecretSize] = {};
    DataKey() = default;
    DataKey(const DataKey& other);
    DataKey& operator=(const DataKey& other);
    ~DataKey();
};

// Fresh random bytes; the Windows side draws them from CryptGenRandom.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual bool Fill(uint8_t* out, size_t size) = 0;
};

// Seals `dataKey` with `pin` (new salt from `random`). False when no random bytes came.
bool SealWithPin(PinSeal& seal, const std::string& pin, uint32_t iterations, const DataKey& dataKey,
                 RandomSource& random);

// True, with the data key, when `pin` is the sealing PIN.
bool OpenPinSeal(const PinSeal& seal, const std::string& pin, DataKey& dataKey);

// Makes the PUK lock: salt and public key, no data key sealed yet.
bool LockWithPuk(PukSeal& seal, const std::string& puk, uint32_t iterations, RandomSource& random);

// Seals `dataKey` to the PUK lock's public key; needs no PUK.
bool SealForPuk(PukSeal& seal, const DataKey& dataKey, RandomSource& random);

// True when `puk` is the key's PUK; with a sealed data key also gives that key.
bool CheckPuk(const PukSeal& seal, const std::string& puk);
bool OpenPukSeal(const PukSeal& seal, const std::string& puk, DataKey& dataKey);
