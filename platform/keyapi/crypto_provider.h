// CryptoAPI for the software key: random bytes (CryptGenRandom) and the block cipher of
// application data. AES-256 comes from the AES provider (XP and later); Windows without
// it (NT 4.0, 2000, 9x) use Triple DES from the Enhanced provider. Both are CBC with
// PKCS #5 padding; the cipher key is CryptDeriveKey over a SHA-1 hash of the data key.
#pragma once
#include <windows.h>

#include "key_content.h"

// The strongest cipher this machine offers for new data (kCipherNone when none).
uint8_t BestAvailableCipher();

class CryptoRandom : public RandomSource {
public:
    bool Fill(uint8_t* out, size_t size) override;
};

class CryptoCipher : public DataCipher {
public:
    bool Encrypt(uint8_t cipher, const DataKey& key, const uint8_t iv[kIvSize], const uint8_t* plain, size_t size,
                 std::vector<uint8_t>& out) override;
    bool Decrypt(uint8_t cipher, const DataKey& key, const uint8_t iv[kIvSize], const std::vector<uint8_t>& stored,
                 std::vector<uint8_t>& plain) override;
};

// Releases the providers (on FreeLibrary).
void ReleaseCryptoProviders();
