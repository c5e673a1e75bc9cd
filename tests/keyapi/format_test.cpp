// FormatCard and UnformatCard, labels, and the calls a software key answers simply.
#include <gtest/gtest.h>

#include <cstring>

#include "key_bench.h"
#include "key_library.h"

namespace {
const wchar_t kSettings[] = L"SOFTWARE\\Ostrel\\KeyApi";
}

TEST(Format, FormatCardMakesAKeyWithThePinAndTheConfiguredPuk)
{
    KeyBench bench;
    ScopedRegValue puk(HKEY_LOCAL_MACHINE, kSettings, L"DefaultPUK", L"24682468");
    bench.AddReader("R");
    Reader reader("R");
    ASSERT_EQ(KEYAPI_NO_KEY, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().FormatCard(reader, "Bob", "1357"));

    const int attempts = Key().InitCard(reader, KEYAPI_APP_LOGON);
    EXPECT_EQ(5, attempts);
    char label[33];
    ASSERT_TRUE(Key().ReadLabel(reader, label));
    EXPECT_STREQ("Bob", label);
    for (int i = 0; i < attempts; ++i) Key().VerifyPIN(reader, "0000");
    ASSERT_EQ(KEYAPI_BLOCKED, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_TRUE(Key().UnblockPIN(reader, "24682468", "1111"));
}

TEST(Format, WithoutAConfiguredPukAKeyHasNone)
{
    KeyBench bench;
    ScopedRegValue noPuk(HKEY_LOCAL_MACHINE, kSettings, L"DefaultPUK");
    bench.AddReader("R");
    Reader reader("R");
    ASSERT_TRUE(Key().FormatCard(reader, "Carol", ""));
    ASSERT_EQ(5, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().UnblockPIN(reader, "24682468", "1111"));
    EXPECT_EQ(DWORD(SCARD_E_UNSUPPORTED_FEATURE), GetLastError());
}

TEST(Format, FormattingAgainKeepsIdAndCapacityAndErasesTheRest)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.idByte = 0x42;
    recipe.capacity = 5000;
    recipe.apps[KEYAPI_APP_LOGON] = "old profiles";
    bench.PutKey("R", recipe);
    Reader reader("R");
    ASSERT_TRUE(Key().FormatCard(reader, "New owner", ""));
    ASSERT_GT(Key().InitCard(reader, KEYAPI_APP_LOGON), 0);

    BYTE id[8];
    DWORD length = sizeof id;
    ASSERT_TRUE(Key().GetCardID(reader, id, &length));
    EXPECT_EQ(0x42, id[7]);
    DWORD used = 1, freeBytes = 0;
    ASSERT_TRUE(Key().GetApplicationInfo(reader, KEYAPI_APP_WHOLE_KEY, &used, &freeBytes));
    EXPECT_EQ(0u, used);
    EXPECT_EQ(5000u, freeBytes);
}

TEST(Format, UnformattedKeyIsBlankUntilFormatted)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.apps[KEYAPI_APP_LOGON] = "profiles";
    bench.PutKey("R", recipe);
    Reader reader("R");
    ASSERT_TRUE(Key().UnformatCard(reader));
    EXPECT_EQ(KEYAPI_NOT_FORMATTED, Key().InitCard(reader, KEYAPI_APP_LOGON));
    BYTE buffer[4];
    DWORD size = sizeof buffer;
    EXPECT_FALSE(Key().ReadData(reader, 0, buffer, &size));
    EXPECT_EQ(DWORD(SCARD_E_CARD_UNSUPPORTED), GetLastError());
    ASSERT_TRUE(Key().FormatCard(reader, "Again", "2222"));
    EXPECT_EQ(5, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Format, FormatCardRepairsADamagedKey)
{
    KeyBench bench;
    bench.AddReader("R");
    WriteBytes(bench.KeyPath("R"), "OSTRLKEY and then nothing useful");
    Reader reader("R");
    ASSERT_EQ(KEYAPI_KEY_ERROR, Key().InitCard(reader, KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().UnformatCard(reader));
    EXPECT_EQ(DWORD(ERROR_FILE_CORRUPT), GetLastError());
    ASSERT_TRUE(Key().FormatCard(reader, "Repaired", ""));
    EXPECT_EQ(5, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Format, LabelsHoldUpTo32Characters)
{
    KeyBench bench;
    bench.PutKey("R");
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().VerifyPIN(reader, "1234"));
    const std::string longest(32, 'L');
    ASSERT_TRUE(Key().WriteLabel(reader, longest.c_str()));
    char label[33];
    std::memset(label, '#', sizeof label);
    ASSERT_TRUE(Key().ReadLabel(reader, label));
    EXPECT_EQ(longest, std::string(label));
    EXPECT_FALSE(Key().WriteLabel(reader, (longest + "!").c_str()));
    EXPECT_EQ(DWORD(SCARD_E_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(Key().FormatCard(reader, (longest + "!").c_str(), ""));
}

TEST(SimpleCalls, GetRandomGivesFreshBytes)
{
    KeyBench bench;
    bench.AddReader("R");
    Reader reader("R");
    BYTE first[32] = {}, second[32] = {};
    ASSERT_TRUE(Key().GetRandom(reader, first, sizeof first));
    ASSERT_TRUE(Key().GetRandom(reader, second, sizeof second));
    EXPECT_NE(0, std::memcmp(first, second, sizeof first));
    EXPECT_TRUE(Key().GetRandom(reader, nullptr, 0));
    EXPECT_FALSE(Key().GetRandom(nullptr, first, sizeof first));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(SimpleCalls, IssuerKeyCallsAreNotSupported)
{
    KeyBench bench;
    bench.PutKey("R");
    Reader reader("R");
    const BYTE bytes[8] = {};
    EXPECT_FALSE(Key().ExternalAuth(reader, bytes, sizeof bytes));
    EXPECT_EQ(DWORD(ERROR_NOT_SUPPORTED), GetLastError());
    EXPECT_FALSE(Key().ChangeIssuerKey(reader, bytes, bytes, sizeof bytes));
    EXPECT_EQ(DWORD(ERROR_NOT_SUPPORTED), GetLastError());
}
