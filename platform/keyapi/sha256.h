// SHA-256, HMAC-SHA-256 and PBKDF2-HMAC-SHA-256 in plain C++ (FIPS 180-4, RFC 2104,
// RFC 8018), so the key-file format can be checked and fuzzed without Windows.
#pragma once
#include <cstddef>
#include <cstdint>

const size_t kSha256Size = 32;

class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    void Final(uint8_t digest[kSha256Size]);  // the object must be reset before reuse
    void Reset();

private:
    void Compress(const uint8_t block[64]);
    uint32_t state_[8];
    uint8_t buffer_[64];
    uint64_t length_;  // bytes hashed so far
    size_t buffered_;
};

void Sha256Digest(const void* data, size_t size, uint8_t digest[kSha256Size]);

class HmacSha256 {
public:
    HmacSha256(const void* key, size_t keySize);
    ~HmacSha256();
    // MAC of one message; the keyed state is kept, so the object can be used again.
    void Mac(const void* data, size_t size, uint8_t mac[kSha256Size]) const;

private:
    Sha256 inner_, outer_;  // states after the key block, computed once
};

// PBKDF2 with HMAC-SHA-256; output of any length.
void Pbkdf2Sha256(const void* password, size_t passwordSize, const void* salt, size_t saltSize, uint32_t iterations,
                  uint8_t* out, size_t outSize);
