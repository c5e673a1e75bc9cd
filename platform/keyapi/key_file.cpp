#include "key_file.h"

#include <cstring>

#include "sha256.h"

namespace {
const char kMagic[8] = {'O', 'S', 'T', 'R', 'L', 'K', 'E', 'Y'};
const uint16_t kVersion = 1;
const uint16_t kKnownFlags = kKeyFormatted | kKeyHasPin | kKeyHasPuk;
const size_t kHeaderSize = 8 + 2 + 2 + kCardIdSize + 4 + 4 + 4 + 4 + kMaxLabelLength;
const size_t kPinSealSize = 4 + kSaltSize + 2 * kSecretSize;
const size_t kPukSealSize = 4 + kSaltSize + 3 * kSecretSize;
const size_t kFixedSize = kHeaderSize + kPinSealSize + kPukSealSize;

// Reads fields in order and remembers whether it ever ran past the end.
class FieldReader {
public:
    FieldReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Ok() const { return ok_; }
    size_t Left() const { return size_ - offset_; }
    uint8_t U8() { return Take(1) ? data_[offset_ - 1] : 0; }
    uint16_t U16()
    {
        if (!Take(2)) return 0;
        const uint8_t* p = data_ + offset_ - 2;
        return uint16_t(p[0] | p[1] << 8);
    }
    uint32_t U32()
    {
        if (!Take(4)) return 0;
        const uint8_t* p = data_ + offset_ - 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    void Bytes(void* out, size_t n)
    {
        if (Take(n)) std::memcpy(out, data_ + offset_ - n, n);
    }
    const uint8_t* Span(size_t n) { return Take(n) ? data_ + offset_ - n : nullptr; }

private:
    bool Take(size_t n)
    {
        if (!ok_ || n > size_ - offset_) {
            ok_ = false;
            return false;
        }
        offset_ += n;
        return true;
    }
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

class FieldWriter {
public:
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v)
    {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void Bytes(const void* data, size_t n)
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        out_.insert(out_.end(), p, p + n);
    }
    std::vector<uint8_t>& Out() { return out_; }

private:
    std::vector<uint8_t> out_;
};

bool AllZero(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

bool FieldsConsistent(const KeyFile& key)
{
    if (!key.Formatted() && (key.HasPin() || key.HasPuk() || !key.label.empty() || !key.apps.empty())) return false;
    if (key.HasPin() != (key.cipher != kCipherNone)) return false;
    if (key.cipher > kCipherTripleDesCbc) return false;
    if (key.pinMax == 0 || key.pinLeft > key.pinMax || key.pukLeft > key.pukMax) return false;
    if (key.HasPuk() ? key.pukMax == 0 : key.pukMax != 0) return false;
    if (key.HasPin() && (key.pin.iterations == 0 || key.pin.iterations > kMaxIterations)) return false;
    if (key.HasPuk() && (key.puk.iterations == 0 || key.puk.iterations > kMaxIterations)) return false;
    // What is not in use is zero, so every key has exactly one form on disk.
    const PinSeal& pin = key.pin;
    const PukSeal& puk = key.puk;
    if (!key.HasPin() && (pin.iterations || !AllZero(pin.salt, kSaltSize) || !AllZero(pin.verifier, kSecretSize) ||
                          !AllZero(pin.wrappedKey, kSecretSize)))
        return false;
    if (!key.HasPuk() && (puk.iterations || !AllZero(puk.salt, kSaltSize) || !AllZero(puk.publicKey, kSecretSize)))
        return false;
    if (!(key.HasPin() && key.HasPuk()) &&
        !(AllZero(puk.ephemeralKey, kSecretSize) && AllZero(puk.wrappedKey, kSecretSize)))
        return false;
    return key.capacity <= kMaxCapacity;
}
}  // namespace

const KeyApplication* KeyFile::FindApp(uint32_t id) const
{
    for (const KeyApplication& app : apps)
        if (app.id == id) return &app;
    return nullptr;
}

KeyApplication* KeyFile::FindApp(uint32_t id)
{
    for (KeyApplication& app : apps)
        if (app.id == id) return &app;
    return nullptr;
}

uint32_t KeyFile::UsedBytes() const
{
    uint32_t used = 0;
    for (const KeyApplication& app : apps) used += app.size;
    return used;
}

size_t CipherBlockSize(uint8_t cipher)
{
    switch (cipher) {
    case kCipherAes256Cbc: return 16;
    case kCipherTripleDesCbc: return 8;
    default: return 0;
    }
}

uint32_t StoredSizeOf(uint8_t cipher, uint32_t size)
{
    const uint32_t block = uint32_t(CipherBlockSize(cipher));
    // Block ciphers pad with 1 to `block` bytes (PKCS #5), so a whole block is added to a full one.
    return block ? (size / block + 1) * block : size;
}

KeyFileProblem ParseKeyFile(const uint8_t* data, size_t size, KeyFile& key)
{
    key = KeyFile();
    if (size >= sizeof kMagic && std::memcmp(data, kMagic, sizeof kMagic) != 0) return KeyFileProblem::NotAKeyFile;
    if (size < kFixedSize + kSha256Size) return KeyFileProblem::Truncated;

    uint8_t digest[kSha256Size];
    Sha256Digest(data, size - kSha256Size, digest);
    const bool checksumRight = std::memcmp(digest, data + size - kSha256Size, kSha256Size) == 0;

    FieldReader in(data, size - kSha256Size);
    in.Span(sizeof kMagic);
    if (in.U16() != kVersion) return KeyFileProblem::UnknownVersion;
    if (!checksumRight) return KeyFileProblem::ChecksumMismatch;

    key.flags = in.U16();
    in.Bytes(key.cardId, sizeof key.cardId);
    key.capacity = in.U32();
    key.generation = in.U32();
    key.pinMax = in.U8();
    key.pinLeft = in.U8();
    key.pukMax = in.U8();
    key.pukLeft = in.U8();
    key.cipher = in.U8();
    const uint8_t labelLength = in.U8();
    const uint16_t appCount = in.U16();
    char label[kMaxLabelLength];
    in.Bytes(label, sizeof label);
    if ((key.flags & ~kKnownFlags) != 0 || labelLength > kMaxLabelLength || appCount > kMaxApplications)
        return KeyFileProblem::Inconsistent;
    key.label.assign(label, labelLength);
    if (key.label.find('\0') != std::string::npos ||
        !AllZero(reinterpret_cast<const uint8_t*>(label) + labelLength, kMaxLabelLength - labelLength))
        return KeyFileProblem::Inconsistent;

    key.pin.iterations = in.U32();
    in.Bytes(key.pin.salt, kSaltSize);
    in.Bytes(key.pin.verifier, kSecretSize);
    in.Bytes(key.pin.wrappedKey, kSecretSize);
    key.puk.iterations = in.U32();
    in.Bytes(key.puk.salt, kSaltSize);
    in.Bytes(key.puk.publicKey, kSecretSize);
    in.Bytes(key.puk.ephemeralKey, kSecretSize);
    in.Bytes(key.puk.wrappedKey, kSecretSize);
    if (!FieldsConsistent(key)) return KeyFileProblem::Inconsistent;

    uint64_t used = 0;
    for (uint16_t i = 0; i < appCount; ++i) {
        KeyApplication app;
        app.id = in.U32();
        app.size = in.U32();
        const uint32_t storedSize = in.U32();
        in.Bytes(app.iv, sizeof app.iv);
        if (!in.Ok()) return KeyFileProblem::Truncated;
        if (app.size == 0 || app.size > kMaxCapacity || storedSize != StoredSizeOf(key.cipher, app.size) ||
            key.FindApp(app.id) != nullptr || (!key.HasPin() && !AllZero(app.iv, sizeof app.iv)))
            return KeyFileProblem::Inconsistent;
        const uint8_t* stored = in.Span(storedSize);
        if (!stored) return KeyFileProblem::Truncated;
        app.stored.assign(stored, stored + storedSize);
        used += app.size;
        key.apps.push_back(std::move(app));
    }
    if (!in.Ok()) return KeyFileProblem::Truncated;
    if (in.Left() != 0 || used > key.capacity) return KeyFileProblem::Inconsistent;
    return KeyFileProblem::None;
}

const char* DescribeKeyFileProblem(KeyFileProblem problem)
{
    switch (problem) {
    case KeyFileProblem::None: return "valid";
    case KeyFileProblem::Truncated: return "truncated";
    case KeyFileProblem::NotAKeyFile: return "not a key file";
    case KeyFileProblem::UnknownVersion: return "unknown key file version";
    case KeyFileProblem::ChecksumMismatch: return "damaged (checksum mismatch)";
    case KeyFileProblem::Inconsistent: return "inconsistent contents";
    }
    return "unknown problem";
}

std::vector<uint8_t> SerializeKeyFile(const KeyFile& key)
{
    FieldWriter out;
    out.Bytes(kMagic, sizeof kMagic);
    out.U16(kVersion);
    out.U16(key.flags);
    out.Bytes(key.cardId, sizeof key.cardId);
    out.U32(key.capacity);
    out.U32(key.generation);
    out.U8(key.pinMax);
    out.U8(key.pinLeft);
    out.U8(key.pukMax);
    out.U8(key.pukLeft);
    out.U8(key.cipher);
    const size_t labelLength = key.label.size() < kMaxLabelLength ? key.label.size() : kMaxLabelLength;
    out.U8(uint8_t(labelLength));
    out.U16(uint16_t(key.apps.size()));
    char label[kMaxLabelLength] = {};
    std::memcpy(label, key.label.data(), labelLength);
    out.Bytes(label, sizeof label);

    out.U32(key.pin.iterations);
    out.Bytes(key.pin.salt, kSaltSize);
    out.Bytes(key.pin.verifier, kSecretSize);
    out.Bytes(key.pin.wrappedKey, kSecretSize);
    out.U32(key.puk.iterations);
    out.Bytes(key.puk.salt, kSaltSize);
    out.Bytes(key.puk.publicKey, kSecretSize);
    out.Bytes(key.puk.ephemeralKey, kSecretSize);
    out.Bytes(key.puk.wrappedKey, kSecretSize);

    for (const KeyApplication& app : key.apps) {
        out.U32(app.id);
        out.U32(app.size);
        out.U32(uint32_t(app.stored.size()));
        out.Bytes(app.iv, sizeof app.iv);
        out.Bytes(app.stored.data(), app.stored.size());
    }
    uint8_t digest[kSha256Size];
    Sha256Digest(out.Out().data(), out.Out().size(), digest);
    out.Bytes(digest, sizeof digest);
    return std::move(out.Out());
}
