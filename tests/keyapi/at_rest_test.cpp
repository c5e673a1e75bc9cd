// The key file at rest: with a PIN the application data is encrypted under a data key
// sealed by the PIN; without one it is stored plain. PIN changes re-encrypt.
#include <gtest/gtest.h>

#include "key_bench.h"
#include "key_file.h"
#include "key_library.h"

namespace {
const std::string kProfiles = "user=alice;domain=OSTREL;password=Correct-Horse-Battery-Staple";

bool FileHolds(const KeyBench& bench, const std::string& text)
{
    return FileBytes(bench.KeyPath("R")).find(text) != std::string::npos;
}

std::vector<uint8_t> StoredBytes(const KeyBench& bench, uint32_t appId)
{
    const std::string bytes = FileBytes(bench.KeyPath("R"));
    KeyFile key;
    EXPECT_EQ(KeyFileProblem::None, ParseKeyFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), key));
    const KeyApplication* app = key.FindApp(appId);
    return app ? app->stored : std::vector<uint8_t>();
}

class AtRest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bench_.PutKey("R");
        reader_.reset(new Reader("R"));
        ASSERT_EQ(3, Key().InitCard(*reader_, KEYAPI_APP_LOGON));
        ASSERT_TRUE(Key().VerifyPIN(*reader_, "1234"));
        ASSERT_TRUE(WriteApp(*reader_, KEYAPI_APP_LOGON, kProfiles));
    }
    // What a new connection reads with `pin`.
    std::string ReadWith(const char* pin) const
    {
        Reader fresh("R");
        EXPECT_GT(Key().InitCard(fresh, KEYAPI_APP_LOGON), 0);
        EXPECT_TRUE(Key().VerifyPIN(fresh, pin));
        return ReadApp(fresh, KEYAPI_APP_LOGON);
    }
    KeyBench bench_;
    std::unique_ptr<Reader> reader_;
};
}  // namespace

TEST_F(AtRest, DataOfAKeyWithPinIsNotInTheFile)
{
    EXPECT_FALSE(FileHolds(bench_, kProfiles.substr(0, 16)));
    EXPECT_FALSE(FileHolds(bench_, "Correct-Horse"));
    EXPECT_EQ(kProfiles, ReadWith("1234"));
}

TEST_F(AtRest, RemovingThePinStoresThePlainDataAndANewPinEncryptsItAgain)
{
    ASSERT_TRUE(Key().ChangePIN(*reader_, "1234", ""));
    EXPECT_TRUE(FileHolds(bench_, kProfiles));
    EXPECT_EQ(kProfiles, ReadWith(""));

    ASSERT_TRUE(Key().ChangePIN(*reader_, "", "8642"));
    EXPECT_FALSE(FileHolds(bench_, "Correct-Horse"));
    EXPECT_EQ(kProfiles, ReadWith("8642"));
}

TEST_F(AtRest, ChangingThePinEncryptsTheDataAnew)
{
    const std::vector<uint8_t> before = StoredBytes(bench_, KEYAPI_APP_LOGON);
    const std::string oldFile = FileBytes(bench_.KeyPath("R"));
    ASSERT_TRUE(Key().ChangePIN(*reader_, "1234", "8642"));
    const std::vector<uint8_t> after = StoredBytes(bench_, KEYAPI_APP_LOGON);
    ASSERT_EQ(before.size(), after.size());
    EXPECT_NE(before, after);
    EXPECT_EQ(kProfiles, ReadWith("8642"));

    // A copy made before the change still opens only with the old PIN.
    WriteBytes(bench_.KeyPath("R"), oldFile);
    Reader copy("R");
    ASSERT_EQ(3, Key().InitCard(copy, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().VerifyPIN(copy, "8642"));
    EXPECT_TRUE(Key().VerifyPIN(copy, "1234"));
    EXPECT_EQ(kProfiles, ReadApp(copy, KEYAPI_APP_LOGON));
}

TEST_F(AtRest, EveryWriteUsesAFreshIv)
{
    const std::vector<uint8_t> first = StoredBytes(bench_, KEYAPI_APP_LOGON);
    ASSERT_TRUE(WriteApp(*reader_, KEYAPI_APP_LOGON, kProfiles));  // the same bytes again
    EXPECT_NE(first, StoredBytes(bench_, KEYAPI_APP_LOGON));
}
