// The template format: what an enrolled template carries, that every source of the same
// finger gives the same template, and that a damaged template is told apart from a
// mismatch.
#include <cstdio>

#include "bio_bench.h"

namespace {
const size_t kDigestOffset = 12, kDigestSize = 32, kCheckOffset = 44, kHeaderEnd = 48;

std::string Hex(const BYTE* bytes, size_t size)
{
    std::string text;
    char pair[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}
}  // namespace

TEST_F(BioSimTest, TheTemplateCarriesTheSha256OfTheFingerBytes)
{
    // Published SHA-256 test vectors: one block, a message that pushes the length into a
    // second block, and a million bytes (through FingerFile, too big for a text value).
    const std::string million(1000000, 'a');
    const struct {
        std::string finger;
        const char* digest;
    } cases[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    const std::string path = ExeDir() + "bio_finger.bin";
    RemoveSetting(L"Finger");
    for (const auto& c : cases) {
        ScopedFile finger(path, c.finger);
        SetSetting(L"FingerFile", std::wstring(path.begin(), path.end()));
        Bytes bir = Enrol();
        ASSERT_EQ(size_t(OVBIO_TEMPLATE_SIZE), bir.size()) << "finger of " << c.finger.size() << " bytes";
        EXPECT_EQ(c.digest, Hex(bir.data() + kDigestOffset, kDigestSize));
    }
}

TEST_F(BioSimTest, EverySourceOfTheSameFingerGivesTheSameTemplate)
{
    const std::string bytes = "finger \x01\x02 with binary bytes";
    const std::string path = ExeDir() + "bio_same_finger.bin";
    ScopedFile file(path, bytes);

    SetBinarySetting(L"Finger", bytes);
    const Bytes fromBinary = Enrol();
    ASSERT_FALSE(fromBinary.empty());

    PresentFinger(std::wstring(bytes.begin(), bytes.end()));
    EXPECT_EQ(fromBinary, Enrol()) << "REG_SZ text";

    RemoveSetting(L"Finger");
    SetSetting(L"FingerFile", std::wstring(path.begin(), path.end()));
    EXPECT_EQ(fromBinary, Enrol()) << "FingerFile";

    PresentFinger(kBob);
    EXPECT_NE(fromBinary, Enrol()) << "Finger wins over FingerFile";
}

TEST_F(BioSimTest, DamagedTemplatesAreInvalidDataNotAMismatch)
{
    const Bytes good = Enrol();  // of the finger still on the sensor, so only damage can fail
    ASSERT_EQ(size_t(OVBIO_TEMPLATE_SIZE), good.size());
    const struct {
        const char* damage;
        std::function<void(Bytes&)> apply;
    } cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }},
        {"one byte short", [](Bytes& b) { b.pop_back(); }},
        {"one byte more", [](Bytes& b) { b.push_back(0); }},
        {"magic", [](Bytes& b) { b[0] ^= 0x20; }},
        {"format version", [](Bytes& b) { b[4] = 2; }},
        {"size field", [](Bytes& b) { b[9] ^= 1; }},
        {"finger digest", [](Bytes& b) { b[kDigestOffset + 5] ^= 0x80; }},
        {"check", [](Bytes& b) { b[kCheckOffset] ^= 1; }},
        {"padding", [](Bytes& b) { b[kHeaderEnd + 100] = 1; }},
        {"last byte", [](Bytes& b) { b.back() = 0xFF; }},
    };
    for (const auto& c : cases) {
        Bytes bir = good;
        c.apply(bir);
        const BYTE* data = bir.empty() ? nullptr : bir.data();
        const DWORD size = DWORD(bir.size());
        CallResult verified = Call([&] { return Bio().VerifyBIR_GUI(nullptr, nullptr, data, size, 0, 0); });
        EXPECT_FALSE(verified.ok) << c.damage;
        EXPECT_EQ(DWORD(ERROR_INVALID_DATA), verified.error) << c.damage;
        CallResult compared = Call([&] { return Bio().CompareBIRS(good.data(), DWORD(good.size()), data, size); });
        EXPECT_EQ(DWORD(ERROR_INVALID_DATA), compared.error) << c.damage << " (compared)";
    }
    CallResult intact = Call([&] { return Bio().VerifyBIR_GUI(nullptr, nullptr, good.data(), DWORD(good.size()), 0, 0); });
    EXPECT_TRUE(intact.ok) << intact.error;
}

TEST_F(BioSimTest, CompareTellsTemplatesOfTheSameFingerFromOthers)
{
    const Bytes alice = Enrol();
    PresentFinger(kBob);
    const Bytes bob = Enrol();
    PresentFinger(kAlice);
    const Bytes aliceAgain = Enrol();
    ASSERT_FALSE(alice.empty());
    ASSERT_FALSE(bob.empty());
    ASSERT_FALSE(aliceAgain.empty());

    CallResult same = Call([&] { return Bio().CompareBIRS(alice.data(), DWORD(alice.size()), aliceAgain.data(),
                                                          DWORD(aliceAgain.size())); });
    EXPECT_TRUE(same.ok);
    CallResult other =
        Call([&] { return Bio().CompareBIRS(alice.data(), DWORD(alice.size()), bob.data(), DWORD(bob.size())); });
    EXPECT_FALSE(other.ok);
    EXPECT_EQ(DWORD(OVBIO_ERROR_NO_MATCH), other.error);
}
