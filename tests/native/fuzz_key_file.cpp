// Fuzzes the key-file parser with arbitrary bytes: no crash, no overflow, and whatever
// it accepts writes back to the very same bytes, keeps the format's limits and takes a
// data write. Each input is tried as-is and as a patch over a real key file with its
// checksum made right, so the fuzzer also gets past the checksum into the structure.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "key_content.h"
#include "key_file.h"
#include "key_rules.h"
#include "sha256.h"

namespace {
class FixedRandom : public RandomSource {
public:
    bool Fill(uint8_t* out, size_t size) override
    {
        for (size_t i = 0; i < size; ++i) out[i] = uint8_t(i * 37 + 11);
        return true;
    }
};

// Stands in for CryptoAPI with the same sizes: PKCS #5 padding, bytes unchanged.
class PaddingCipher : public DataCipher {
public:
    bool Encrypt(uint8_t cipher, const DataKey&, const uint8_t*, const uint8_t* plain, size_t size,
                 std::vector<uint8_t>& out) override
    {
        const size_t block = CipherBlockSize(cipher);
        if (!block) return false;
        out.assign(plain, plain + size);
        out.resize(StoredSizeOf(cipher, uint32_t(size)), uint8_t(block - size % block));
        return true;
    }
    bool Decrypt(uint8_t cipher, const DataKey&, const uint8_t*, const std::vector<uint8_t>& stored,
                 std::vector<uint8_t>& plain) override
    {
        if (stored.empty() || stored.back() == 0 || stored.back() > CipherBlockSize(cipher)) return false;
        plain.assign(stored.begin(), stored.end() - stored.back());
        return true;
    }
};

std::vector<uint8_t> RealKeyFile()
{
    FixedRandom random;
    PaddingCipher cipher;
    const uint8_t id[kCardIdSize] = {1, 2, 3, 4, 5, 6, 7, 8};
    KeyFile key = MakeBlankKey(id, 2000);
    FormatOptions options;
    options.label = "fuzz";
    options.pin = "1234";
    options.puk = "5678";
    options.iterations = 1;
    if (FormatKey(key, options, random, cipher) != ContentError::None) std::abort();
    DataKey dataKey;
    const std::vector<uint8_t> data(24, 'd');
    for (uint32_t app : {kAppLogonProfiles, kAppNetWare})
        if (WriteApplication(key, app, data, &dataKey, cipher, random) != ContentError::None) std::abort();
    return SerializeKeyFile(key);
}

void Check(const std::vector<uint8_t>& bytes)
{
    KeyFile key;
    if (ParseKeyFile(bytes.data(), bytes.size(), key) != KeyFileProblem::None) return;
    if (SerializeKeyFile(key) != bytes) std::abort();
    if (key.label.size() > kMaxLabelLength || key.apps.size() > kMaxApplications) std::abort();
    if (key.UsedBytes() > key.capacity || FreeBytes(key) != key.capacity - key.UsedBytes()) std::abort();
    const int status = CardStatusOf(key);
    if (status > 255 || status < kStatusFinallyBlocked || status == -4 || status == kStatusKeyError) std::abort();

    if (!key.Formatted()) return;
    FixedRandom random;
    PaddingCipher cipher;
    DataKey dataKey;
    std::vector<uint8_t> plain;
    if (ReadApplication(key, kAppLogonProfiles, &dataKey, cipher, plain) != ContentError::None) return;
    plain.push_back('+');
    const ContentError written = WriteApplication(key, kAppLogonProfiles, plain, &dataKey, cipher, random);
    if (written == ContentError::NoSpace) return;
    if (written != ContentError::None) std::abort();
    const std::vector<uint8_t> again = SerializeKeyFile(key);
    KeyFile reparsed;
    if (ParseKeyFile(again.data(), again.size(), reparsed) != KeyFileProblem::None) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check(std::vector<uint8_t>(data, data + size));
    if (size < 3) return 0;

    static const std::vector<uint8_t> real = RealKeyFile();
    std::vector<uint8_t> patched = real;
    const size_t offset = (data[0] | data[1] << 8) % patched.size();
    if (data[2] < 64)
        patched.resize(patched.size() - data[2]);
    else if (data[2] >= 192)
        patched.resize(patched.size() + (data[2] - 192), 0);
    for (size_t i = 3; i < size; ++i) patched[(offset + i - 3) % patched.size()] ^= data[i];
    Sha256Digest(patched.data(), patched.size() - kSha256Size, patched.data() + patched.size() - kSha256Size);
    Check(patched);
    return 0;
}
