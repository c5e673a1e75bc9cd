#include "key_secrets.h"

#include <cstring>

#include "secure_memory.h"
#include "sha256.h"
#include "x25519.h"

namespace {
// Labels keep the hashes made from one PBKDF2 result apart.
const char kPinVerifierLabel[] = "ostrel key: PIN verifier";
const char kPinPadLabel[] = "ostrel key: PIN data key pad";
const char kPukPadLabel[] = "ostrel key: PUK data key pad";

struct Secret {
    uint8_t bytes[kSecretSize];
    ~Secret() { WipeMemory(bytes, sizeof bytes); }
};

void Stretch(const std::string& text, const uint8_t salt[kSaltSize], uint32_t iterations, Secret& out)
{
    Pbkdf2Sha256(text.data(), text.size(), salt, kSaltSize, iterations, out.bytes, sizeof out.bytes);
}

// SHA-256(label || parts...), the verifier or a pad.
void LabelledHash(const char* label, const uint8_t* a, const uint8_t* b, uint8_t out[kSecretSize])
{
    Sha256 hash;
    hash.Update(label, std::strlen(label));
    hash.Update(a, kSecretSize);
    if (b) hash.Update(b, kSecretSize);
    hash.Final(out);
}

void Mask(uint8_t out[kSecretSize], const uint8_t in[kSecretSize], const uint8_t pad[kSecretSize])
{
    for (size_t i = 0; i < kSecretSize; ++i) out[i] = uint8_t(in[i] ^ pad[i]);
}
}  // namespace

DataKey::DataKey(const DataKey& other) { std::memcpy(bytes, other.bytes, sizeof bytes); }

DataKey& DataKey::operator=(const DataKey& other)
{
    std::memmove(bytes, other.bytes, sizeof bytes);
    return *this;
}

DataKey::~DataKey() { WipeMemory(bytes, sizeof bytes); }

bool SealWithPin(PinSeal& seal, const std::string& pin, uint32_t iterations, const DataKey& dataKey,
                 RandomSource& random)
{
    PinSeal fresh = {};
    fresh.iterations = iterations;
    if (!random.Fill(fresh.salt, sizeof fresh.salt)) return false;
    Secret stretched, pad;
    Stretch(pin, fresh.salt, iterations, stretched);
    LabelledHash(kPinVerifierLabel, stretched.bytes, nullptr, fresh.verifier);
    LabelledHash(kPinPadLabel, stretched.bytes, nullptr, pad.bytes);
    Mask(fresh.wrappedKey, dataKey.bytes, pad.bytes);
    seal = fresh;
    return true;
}

bool OpenPinSeal(const PinSeal& seal, const std::string& pin, DataKey& dataKey)
{
    Secret stretched, verifier, pad;
    Stretch(pin, seal.salt, seal.iterations, stretched);
    LabelledHash(kPinVerifierLabel, stretched.bytes, nullptr, verifier.bytes);
    if (!EqualInConstantTime(verifier.bytes, seal.verifier, kSecretSize)) return false;
    LabelledHash(kPinPadLabel, stretched.bytes, nullptr, pad.bytes);
    Mask(dataKey.bytes, seal.wrappedKey, pad.bytes);
    return true;
}

bool LockWithPuk(PukSeal& seal, const std::string& puk, uint32_t iterations, RandomSource& random)
{
    PukSeal fresh = {};
    fresh.iterations = iterations;
    if (!random.Fill(fresh.salt, sizeof fresh.salt)) return false;
    Secret scalar;
    Stretch(puk, fresh.salt, iterations, scalar);
    X25519Base(fresh.publicKey, scalar.bytes);
    seal = fresh;
    return true;
}

bool SealForPuk(PukSeal& seal, const DataKey& dataKey, RandomSource& random)
{
    Secret ephemeral, shared, pad;
    if (!random.Fill(ephemeral.bytes, sizeof ephemeral.bytes)) return false;
    X25519Base(seal.ephemeralKey, ephemeral.bytes);
    X25519(shared.bytes, ephemeral.bytes, seal.publicKey);
    LabelledHash(kPukPadLabel, shared.bytes, seal.ephemeralKey, pad.bytes);
    Mask(seal.wrappedKey, dataKey.bytes, pad.bytes);
    return true;
}

bool CheckPuk(const PukSeal& seal, const std::string& puk)
{
    Secret scalar, publicKey;
    Stretch(puk, seal.salt, seal.iterations, scalar);
    X25519Base(publicKey.bytes, scalar.bytes);
    return EqualInConstantTime(publicKey.bytes, seal.publicKey, kSecretSize);
}

bool OpenPukSeal(const PukSeal& seal, const std::string& puk, DataKey& dataKey)
{
    Secret scalar, publicKey, shared, pad;
    Stretch(puk, seal.salt, seal.iterations, scalar);
    X25519Base(publicKey.bytes, scalar.bytes);
    if (!EqualInConstantTime(publicKey.bytes, seal.publicKey, kSecretSize)) return false;
    X25519(shared.bytes, scalar.bytes, seal.ephemeralKey);
    LabelledHash(kPukPadLabel, shared.bytes, seal.ephemeralKey, pad.bytes);
    Mask(dataKey.bytes, seal.wrappedKey, pad.bytes);
    return true;
}
