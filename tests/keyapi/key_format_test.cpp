// The portable core of the key: hash, key derivation and key agreement against published
// vectors, the key-file parser against damage, and the secrets that open a key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "crypto_provider.h"
#include "key_content.h"
#include "key_file.h"
#include "key_rules.h"
#include "key_secrets.h"
#include "sha256.h"
#include "x25519.h"

namespace {
std::string Hex(const uint8_t* bytes, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) text += std::string{digits[bytes[i] >> 4], digits[bytes[i] & 15]};
    return text;
}

std::vector<uint8_t> Unhex(const std::string& text)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) bytes.push_back(uint8_t(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Reproducible "random" bytes, so a test fails the same way every time.
class CountingRandom : public RandomSource {
public:
    bool Fill(uint8_t* out, size_t size) override
    {
        for (size_t i = 0; i < size; ++i) out[i] = uint8_t(next_++ * 151 + 7);
        return true;
    }

private:
    unsigned next_ = 1;
};

KeyFile FormattedKey(const std::string& pin, const std::string& puk)
{
    CountingRandom random;
    CryptoCipher cipher;
    const uint8_t id[kCardIdSize] = {1, 2, 3, 4, 5, 6, 7, 8};
    KeyFile key = MakeBlankKey(id, 1000);
    FormatOptions options;
    options.label = "Format test";
    options.pin = pin;
    options.puk = puk;
    options.iterations = 500;
    options.cipher = kCipherAes256Cbc;
    EXPECT_EQ(ContentError::None, FormatKey(key, options, random, cipher));
    return key;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Puts the right checksum after a changed body, as a careful forger would.
void Reseal(std::vector<uint8_t>& file)
{
    Sha256Digest(file.data(), file.size() - kSha256Size, file.data() + file.size() - kSha256Size);
}
}  // namespace

TEST(KeyCore, Sha256AndHmacMatchPublishedVectors)
{
    const struct {
        std::string message, digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& c : cases) {
        uint8_t digest[kSha256Size];
        Sha256Digest(c.message.data(), c.message.size(), digest);
        EXPECT_EQ(c.digest, Hex(digest, sizeof digest)) << c.message;
    }
    // Fed in odd pieces, the same as in one go.
    Sha256 pieces;
    const std::string million(1000000, 'a');
    for (size_t done = 0, step = 1; done < million.size(); done += step, step = step * 3 % 997 + 1)
        pieces.Update(million.data() + done, std::min(step, million.size() - done));
    uint8_t digest[kSha256Size];
    pieces.Final(digest);
    EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", Hex(digest, sizeof digest));

    const HmacSha256 hmac("Jefe", 4);
    hmac.Mac("what do ya want for nothing?", 28, digest);
    EXPECT_EQ("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843", Hex(digest, sizeof digest));
}

TEST(KeyCore, Pbkdf2MatchesPublishedVectors)
{
    uint8_t out[64];
    Pbkdf2Sha256("passwd", 6, "salt", 4, 1, out, 64);
    EXPECT_EQ("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783",
              Hex(out, 64));
    Pbkdf2Sha256("password", 8, "salt", 4, 4096, out, 32);
    EXPECT_EQ("c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a", Hex(out, 32));
}

TEST(KeyCore, X25519MatchesPublishedVectors)
{
    uint8_t out[32];
    const struct {
        const char *scalar, *point, *result;
    } cases[] = {
        {"a546e36bf0527c9d3b16154b82465edd62144c0ac1fc5a18506a2244ba449ac4",
         "e6db6867583030db3594c1a424b15f7c726624ec26b3353b10a903a6d0ab1c4c",
         "c3da55379de9c6908e94ea4df28d084f32eccf03491c71f754b4075577a28552"},
        {"4b66e9d4d1b4673c5ad22691957d6af5c11b6421e0ea01d42ca4169e7918ba0d",
         "e5210f12786811d3f4b7959d0538ae2c31dbe7106fc03c3efc4cd549c715a493",
         "95cbde9476e8907d7aade45cb4b873f88b595a68799fa152e6f8f7647aac7957"},
    };
    for (const auto& c : cases) {
        X25519(out, Unhex(c.scalar).data(), Unhex(c.point).data());
        EXPECT_EQ(c.result, Hex(out, 32));
    }
    const std::vector<uint8_t> alice = Unhex("77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a");
    const std::vector<uint8_t> bob = Unhex("5dab087e624a8a4b79e17f8b83800ee66f3bb1292618b6fd1c2f8b27ff88e0eb");
    uint8_t alicePublic[32], bobPublic[32], shared[32];
    X25519Base(alicePublic, alice.data());
    X25519Base(bobPublic, bob.data());
    EXPECT_EQ("8520f0098930a754748b7ddcb43ef75a0dbf3a0d26381af4eba4a98eaa9b4e6a", Hex(alicePublic, 32));
    X25519(shared, alice.data(), bobPublic);
    EXPECT_EQ("4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742", Hex(shared, 32));
    X25519(out, bob.data(), alicePublic);
    EXPECT_EQ(Hex(shared, 32), Hex(out, 32));
}

TEST(KeyCore, KeyFileSurvivesTheRoundTrip)
{
    KeyFile key = FormattedKey("1234", "87654321");
    DataKey dataKey;
    ASSERT_TRUE(OpenPinSeal(key.pin, "1234", dataKey));
    CountingRandom random;
    CryptoCipher cipher;
    ASSERT_EQ(ContentError::None, WriteApplication(key, kAppNetWare, Bytes("block"), &dataKey, cipher, random));
    const std::vector<uint8_t> file = SerializeKeyFile(key);

    KeyFile parsed;
    ASSERT_EQ(KeyFileProblem::None, ParseKeyFile(file.data(), file.size(), parsed));
    EXPECT_EQ(file, SerializeKeyFile(parsed));
    EXPECT_EQ("Format test", parsed.label);
    EXPECT_EQ(int(kDefaultPinAttempts), CardStatusOf(parsed));
    std::vector<uint8_t> plain;
    ASSERT_EQ(ContentError::None, ReadApplication(parsed, kAppNetWare, &dataKey, cipher, plain));
    EXPECT_EQ(Bytes("block"), plain);
}

TEST(KeyCore, DamageIsRecognised)
{
    const std::vector<uint8_t> good = SerializeKeyFile(FormattedKey("1234", ""));
    KeyFile key;
    for (size_t size = 0; size < good.size(); ++size)
        EXPECT_NE(KeyFileProblem::None, ParseKeyFile(good.data(), size, key)) << size;

    const struct {
        const char* what;
        size_t offset;
        uint8_t value;
        bool resealed;
        KeyFileProblem problem;
    } cases[] = {
        {"magic", 0, 'X', true, KeyFileProblem::NotAKeyFile},
        {"version", 8, 2, true, KeyFileProblem::UnknownVersion},
        {"a label byte", 40, 'x', false, KeyFileProblem::ChecksumMismatch},
        {"the checksum", good.size() - 1, 0, false, KeyFileProblem::ChecksumMismatch},
        {"unknown flag", 10, 0x81, true, KeyFileProblem::Inconsistent},
        {"more attempts left than allowed", 29, 200, true, KeyFileProblem::Inconsistent},
        {"label longer than 32", 33, 33, true, KeyFileProblem::Inconsistent},
        {"an application that is not there", 34, 1, true, KeyFileProblem::Truncated},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> damaged = good;
        damaged[c.offset] = c.value;
        if (c.resealed) Reseal(damaged);
        EXPECT_EQ(c.problem, ParseKeyFile(damaged.data(), damaged.size(), key)) << c.what;
    }
}

TEST(KeyCore, PinSealOpensOnlyWithThePin)
{
    CountingRandom random;
    DataKey dataKey, opened;
    random.Fill(dataKey.bytes, sizeof dataKey.bytes);
    PinSeal seal;
    ASSERT_TRUE(SealWithPin(seal, "2468", 1000, dataKey, random));
    EXPECT_FALSE(OpenPinSeal(seal, "2469", opened));
    EXPECT_FALSE(OpenPinSeal(seal, "", opened));
    ASSERT_TRUE(OpenPinSeal(seal, "2468", opened));
    EXPECT_EQ(0, std::memcmp(dataKey.bytes, opened.bytes, kSecretSize));
    EXPECT_NE(0, std::memcmp(seal.wrappedKey, dataKey.bytes, kSecretSize));  // sealed, not stored
}

TEST(KeyCore, PukOpensDataKeysSealedWithoutIt)
{
    CountingRandom random;
    PukSeal seal;
    ASSERT_TRUE(LockWithPuk(seal, "11223344", 1000, random));
    EXPECT_TRUE(CheckPuk(seal, "11223344"));
    EXPECT_FALSE(CheckPuk(seal, "11223345"));
    for (int generation = 0; generation < 2; ++generation) {  // resealed, as after a PIN change
        DataKey dataKey, opened;
        random.Fill(dataKey.bytes, sizeof dataKey.bytes);
        ASSERT_TRUE(SealForPuk(seal, dataKey, random));
        EXPECT_FALSE(OpenPukSeal(seal, "99999999", opened));
        ASSERT_TRUE(OpenPukSeal(seal, "11223344", opened));
        EXPECT_EQ(0, std::memcmp(dataKey.bytes, opened.bytes, kSecretSize));
    }
}

TEST(KeyCore, PinChangesKeepTheDataAndFailuresChangeNothing)
{
    KeyFile key = FormattedKey("1234", "87654321");
    DataKey first;
    ASSERT_TRUE(OpenPinSeal(key.pin, "1234", first));
    CountingRandom random;
    CryptoCipher cipher;
    ASSERT_EQ(ContentError::None, WriteApplication(key, kAppLogonProfiles, Bytes("profiles"), &first, cipher, random));

    const std::vector<uint8_t> before = SerializeKeyFile(key);
    EXPECT_EQ(ContentError::NoSpace,
              WriteApplication(key, kAppBioTemplate, std::vector<uint8_t>(993, 'b'), &first, cipher, random));
    EXPECT_EQ(before, SerializeKeyFile(key));

    DataKey second;
    ASSERT_EQ(ContentError::None, ChangeKeyPin(key, &first, "", kCipherNone, 500, random, cipher, second));
    EXPECT_FALSE(key.HasPin());
    EXPECT_EQ(Bytes("profiles"), key.FindApp(kAppLogonProfiles)->stored);
    DataKey third;
    ASSERT_EQ(ContentError::None, ChangeKeyPin(key, nullptr, "5555", kCipherTripleDesCbc, 500, random, cipher, third));
    std::vector<uint8_t> plain;
    ASSERT_EQ(ContentError::None, ReadApplication(key, kAppLogonProfiles, &third, cipher, plain));
    EXPECT_EQ(Bytes("profiles"), plain);
    DataKey fromPuk;
    ASSERT_TRUE(OpenPukSeal(key.puk, "87654321", fromPuk));
    EXPECT_EQ(0, std::memcmp(third.bytes, fromPuk.bytes, kSecretSize));
}
