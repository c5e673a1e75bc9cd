// The software key's file ("ostrel.key"): its fields in memory, and the parser and writer
// of its on-disk form. Portable, no Windows headers: built natively and fuzzed.
//
// On disk, little-endian:
//   "OSTRLKEY", u16 version 1, u16 flags, card id[8], u32 capacity, u32 generation,
//   u8 PIN attempts max/left, u8 PUK attempts max/left, u8 cipher, u8 label length,
//   u16 application count, label[32],
//   PIN seal: u32 iterations, salt[16], verifier[32], wrapped data key[32],
//   PUK seal: u32 iterations, salt[16], public key[32], ephemeral key[32], wrapped data key[32],
//   per application: u32 id, u32 size, u32 stored size, iv[16], stored bytes,
//   SHA-256 of everything before it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

const uint32_t kAppLogonProfiles = 223;
const uint32_t kAppBioTemplate = 227;
const uint32_t kAppNetWare = 231;

const size_t kCardIdSize = 8;
const size_t kSaltSize = 16;
const size_t kIvSize = 16;
const size_t kSecretSize = 32;
const size_t kMaxLabelLength = 32;
const size_t kMaxApplications = 8;
const uint32_t kMaxCapacity = 16u << 20;
const uint32_t kMaxIterations = 5000000;  // a crafted file must not stall a PIN check for minutes

enum KeyFlags : uint16_t {
    kKeyFormatted = 1,
    kKeyHasPin = 2,  // application data is encrypted with a data key sealed by the PIN
    kKeyHasPuk = 4,  // an unblock code exists
};

enum KeyCipher : uint8_t {
    kCipherNone = 0,
    kCipherAes256Cbc = 1,
    kCipherTripleDesCbc = 2,
};

// The PIN as a salted PBKDF2 result: a verifier, and the data key masked with a pad
// derived from the same result (see key_secrets.h).
struct PinSeal {
    uint32_t iterations;
    uint8_t salt[kSaltSize];
    uint8_t verifier[kSecretSize];
    uint8_t wrappedKey[kSecretSize];
};

// The PUK as the X25519 public key of its PBKDF2 result; the data key is sealed to that
// public key with an ephemeral key, so it can be resealed without the PUK.
struct PukSeal {
    uint32_t iterations;
    uint8_t salt[kSaltSize];
    uint8_t publicKey[kSecretSize];
    uint8_t ephemeralKey[kSecretSize];
    uint8_t wrappedKey[kSecretSize];
};

struct KeyApplication {
    uint32_t id = 0;
    uint32_t size = 0;                 // bytes of application data (plain)
    uint8_t iv[kIvSize] = {};          // zeros when stored plain
    std::vector<uint8_t> stored;       // plain, or encrypted and padded to the cipher's block
};

struct KeyFile {
    uint16_t flags = 0;
    uint8_t cardId[kCardIdSize] = {};
    uint32_t capacity = 0;
    uint32_t generation = 0;           // counts writes; only informative
    uint8_t pinMax = 0, pinLeft = 0;
    uint8_t pukMax = 0, pukLeft = 0;
    uint8_t cipher = kCipherNone;
    std::string label;
    PinSeal pin = {};
    PukSeal puk = {};
    std::vector<KeyApplication> apps;  // only applications with data, in no particular order

    bool Formatted() const { return (flags & kKeyFormatted) != 0; }
    bool HasPin() const { return (flags & kKeyHasPin) != 0; }
    bool HasPuk() const { return (flags & kKeyHasPuk) != 0; }
    const KeyApplication* FindApp(uint32_t id) const;
    KeyApplication* FindApp(uint32_t id);
    uint32_t UsedBytes() const;  // all applications together
};

enum class KeyFileProblem {
    None,
    Truncated,
    NotAKeyFile,
    UnknownVersion,
    ChecksumMismatch,
    Inconsistent,  // checksum right, contents impossible
};

KeyFileProblem ParseKeyFile(const uint8_t* data, size_t size, KeyFile& key);
const char* DescribeKeyFileProblem(KeyFileProblem problem);

// The file's bytes; the key must satisfy what the parser checks.
std::vector<uint8_t> SerializeKeyFile(const KeyFile& key);

// Block size of a cipher (0 for none), and what `size` plain bytes take when stored.
size_t CipherBlockSize(uint8_t cipher);
uint32_t StoredSizeOf(uint8_t cipher, uint32_t size);
