// PIN and PUK: attempts counted in the key file, empty PINs not counted, blocking and
// unblocking, keys without PIN.
#include <gtest/gtest.h>

#include "key_bench.h"
#include "key_library.h"

namespace {
int Status(const char* readerName)
{
    Reader reader(readerName);
    return Key().InitCard(reader, KEYAPI_APP_LOGON);
}

KeyRecipe WithProfiles()
{
    KeyRecipe recipe;
    recipe.apps[KEYAPI_APP_LOGON] = "profiles";
    return recipe;
}
}  // namespace

TEST(Pin, WrongPinsAreCountedInTheKeyItself)
{
    KeyBench bench;
    bench.PutKey("R");
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().VerifyPIN(reader, "0000"));
    EXPECT_EQ(DWORD(SCARD_W_WRONG_CHV), GetLastError());
    EXPECT_EQ(2, Key().InitCard(reader, KEYAPI_APP_LOGON));

    // Taken out and put back (here: into another reader), seen by another handle: still 2.
    const std::string key = FileBytes(bench.KeyPath("R"));
    DeleteFileA(bench.KeyPath("R").c_str());
    EXPECT_EQ(KEYAPI_NO_KEY, Key().InitCard(reader, KEYAPI_APP_LOGON));
    bench.AddReader("S");
    WriteBytes(bench.KeyPath("S"), key);
    EXPECT_EQ(2, Status("S"));
}

TEST(Pin, EmptyPinIsRefusedWithoutCounting)
{
    KeyBench bench;
    bench.PutKey("R");
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(Key().VerifyPIN(reader, ""));
        EXPECT_EQ(DWORD(SCARD_W_WRONG_CHV), GetLastError());
        EXPECT_FALSE(Key().VerifyPIN(reader, nullptr));
    }
    EXPECT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Pin, RightPinRestoresTheAttempts)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.pinLeft = 1;
    bench.PutKey("R", recipe);
    Reader reader("R");
    ASSERT_EQ(1, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_TRUE(Key().VerifyPIN(reader, "1234"));
    EXPECT_EQ(3, Status("R"));
}

TEST(Pin, BlockedKeyIsUnblockedWithThePukAndKeepsItsData)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Key().VerifyPIN(reader, "9999"));
    EXPECT_EQ(KEYAPI_BLOCKED, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().VerifyPIN(reader, "1234"));  // even the right PIN
    EXPECT_EQ(DWORD(SCARD_W_CHV_BLOCKED), GetLastError());

    EXPECT_FALSE(Key().UnblockPIN(reader, "", "5678"));  // not counted either
    EXPECT_FALSE(Key().UnblockPIN(reader, "11111111", "5678"));
    EXPECT_EQ(DWORD(SCARD_W_WRONG_CHV), GetLastError());
    ASSERT_TRUE(Key().UnblockPIN(reader, "87654321", "5678"));
    EXPECT_EQ("profiles", ReadApp(reader, KEYAPI_APP_LOGON));  // verified with the new PIN

    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().VerifyPIN(reader, "1234"));
    EXPECT_TRUE(Key().VerifyPIN(reader, "5678"));
    EXPECT_EQ("profiles", ReadApp(reader, KEYAPI_APP_LOGON));
}

TEST(Pin, UsedUpPukAttemptsBlockTheKeyFinally)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.pinLeft = 0;
    bench.PutKey("R", recipe);
    Reader reader("R");
    ASSERT_EQ(KEYAPI_BLOCKED, Key().InitCard(reader, KEYAPI_APP_LOGON));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Key().UnblockPIN(reader, "00000000", "5678"));
    EXPECT_EQ(KEYAPI_FINALLY_BLOCKED, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().UnblockPIN(reader, "87654321", "5678"));
    EXPECT_EQ(DWORD(SCARD_W_CHV_BLOCKED), GetLastError());
}

TEST(Pin, KeyWithoutPukCannotBeUnblocked)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.puk = "";
    bench.PutKey("R", recipe);
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().UnblockPIN(reader, "87654321", "5678"));
    EXPECT_EQ(DWORD(SCARD_E_UNSUPPORTED_FEATURE), GetLastError());
}

TEST(Pin, KeyWithoutPinOpensWithoutOne)
{
    KeyBench bench;
    KeyRecipe recipe = WithProfiles();
    recipe.pin = "";
    bench.PutKey("R", recipe);
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_EQ("profiles", ReadApp(reader, KEYAPI_APP_LOGON));
    EXPECT_TRUE(WriteApp(reader, KEYAPI_APP_LOGON, "changed"));
    EXPECT_TRUE(Key().VerifyPIN(reader, ""));
    EXPECT_FALSE(Key().VerifyPIN(reader, "1234"));  // refused, and nothing to count
    EXPECT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Pin, ChangingThePinNeedsTheOldOne)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().ChangePIN(reader, "4321", "2468"));
    EXPECT_EQ(DWORD(SCARD_W_WRONG_CHV), GetLastError());
    EXPECT_EQ(2, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().ChangePIN(reader, "1234", "2468"));
    EXPECT_EQ("profiles", ReadApp(reader, KEYAPI_APP_LOGON));

    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().VerifyPIN(reader, "1234"));
    EXPECT_TRUE(Key().VerifyPIN(reader, "2468"));
    EXPECT_FALSE(Key().ChangePIN(reader, "2468", std::string(65, '7').c_str()));
    EXPECT_EQ(DWORD(SCARD_E_INVALID_PARAMETER), GetLastError());
}

TEST(Pin, PinChangedElsewhereMustBeGivenAgain)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader monitor("R"), panel("R");
    ASSERT_EQ(3, Key().InitCard(monitor, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().VerifyPIN(monitor, "1234"));
    ASSERT_EQ(3, Key().InitCard(panel, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().ChangePIN(panel, "1234", "2468"));

    bool ok = true;
    ReadApp(monitor, KEYAPI_APP_LOGON, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(DWORD(SCARD_W_SECURITY_VIOLATION), GetLastError());
    EXPECT_TRUE(Key().VerifyPIN(monitor, "2468"));
    EXPECT_EQ("profiles", ReadApp(monitor, KEYAPI_APP_LOGON));
}
