#include "sha256.h"

#include <cstring>
#include <vector>

#include "secure_memory.h"

namespace {
const uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t RotateRight(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t LoadBigEndian(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void StoreBigEndian(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
}  // namespace

Sha256::Sha256() { Reset(); }

void Sha256::Reset()
{
    static const uint32_t initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(state_, initial, sizeof state_);
    length_ = 0;
    buffered_ = 0;
}

void Sha256::Compress(const uint8_t block[64])
{
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        const uint32_t s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; ++i) {
        const uint32_t t1 = h + (RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25)) + ((e & f) ^ (~e & g)) +
                            kRound[i] + w[i];
        const uint32_t t2 = (RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
}

void Sha256::Update(const void* data, size_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    length_ += size;
    if (buffered_) {
        const size_t take = size < 64 - buffered_ ? size : 64 - buffered_;
        std::memcpy(buffer_ + buffered_, p, take);
        buffered_ += take;
        p += take;
        size -= take;
        if (buffered_ < 64) return;
        Compress(buffer_);
        buffered_ = 0;
    }
    for (; size >= 64; p += 64, size -= 64) Compress(p);
    std::memcpy(buffer_, p, size);
    buffered_ = size;
}

void Sha256::Final(uint8_t digest[kSha256Size])
{
    const uint64_t bits = length_ * 8;
    uint8_t padding[72] = {0x80};
    const size_t padSize = (buffered_ < 56 ? 56 : 120) - buffered_;
    Update(padding, padSize);
    uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i) lengthBytes[i] = uint8_t(bits >> (56 - 8 * i));
    Update(lengthBytes, 8);
    for (int i = 0; i < 8; ++i) StoreBigEndian(digest + 4 * i, state_[i]);
}

void Sha256Digest(const void* data, size_t size, uint8_t digest[kSha256Size])
{
    Sha256 hash;
    hash.Update(data, size);
    hash.Final(digest);
}

HmacSha256::HmacSha256(const void* key, size_t keySize)
{
    uint8_t block[64] = {};
    if (keySize > sizeof block)
        Sha256Digest(key, keySize, block);
    else if (keySize)
        std::memcpy(block, key, keySize);
    uint8_t pad[64];
    for (int i = 0; i < 64; ++i) pad[i] = uint8_t(block[i] ^ 0x36);
    inner_.Update(pad, sizeof pad);
    for (int i = 0; i < 64; ++i) pad[i] = uint8_t(block[i] ^ 0x5c);
    outer_.Update(pad, sizeof pad);
    WipeMemory(block, sizeof block);
    WipeMemory(pad, sizeof pad);
}

HmacSha256::~HmacSha256()
{
    WipeMemory(&inner_, sizeof inner_);
    WipeMemory(&outer_, sizeof outer_);
}

void HmacSha256::Mac(const void* data, size_t size, uint8_t mac[kSha256Size]) const
{
    Sha256 inner = inner_;
    inner.Update(data, size);
    uint8_t innerDigest[kSha256Size];
    inner.Final(innerDigest);
    Sha256 outer = outer_;
    outer.Update(innerDigest, sizeof innerDigest);
    outer.Final(mac);
    WipeMemory(&inner, sizeof inner);
    WipeMemory(&outer, sizeof outer);
}

void Pbkdf2Sha256(const void* password, size_t passwordSize, const void* salt, size_t saltSize, uint32_t iterations,
                  uint8_t* out, size_t outSize)
{
    const HmacSha256 prf(password, passwordSize);
    std::vector<uint8_t> saltAndIndex(static_cast<const uint8_t*>(salt), static_cast<const uint8_t*>(salt) + saltSize);
    saltAndIndex.resize(saltSize + 4);
    for (uint32_t blockIndex = 1; outSize; ++blockIndex) {
        StoreBigEndian(&saltAndIndex[saltSize], blockIndex);
        uint8_t u[kSha256Size], t[kSha256Size];
        prf.Mac(saltAndIndex.data(), saltAndIndex.size(), u);
        std::memcpy(t, u, sizeof t);
        for (uint32_t i = 1; i < iterations; ++i) {
            prf.Mac(u, sizeof u, u);
            for (size_t j = 0; j < sizeof t; ++j) t[j] ^= u[j];
        }
        const size_t take = outSize < sizeof t ? outSize : sizeof t;
        std::memcpy(out, t, take);
        out += take;
        outSize -= take;
        WipeMemory(u, sizeof u);
        WipeMemory(t, sizeof t);
    }
}
