// InitCard: every status a key in a reader can have, and the connection it opens.
#include <gtest/gtest.h>

#include <functional>

#include "key_bench.h"
#include "key_library.h"

namespace {
KeyRecipe Recipe(std::function<void(KeyRecipe&)> change)
{
    KeyRecipe recipe;
    change(recipe);
    return recipe;
}

struct StatusCase {
    const char* what;
    std::function<void(const KeyBench&)> prepare;  // the reader is "R" and exists
    int status;
    DWORD error;
};
}  // namespace

TEST(CardStatus, EachKindOfKeyHasItsStatus)
{
    const std::string fine = MakeKeyFile(KeyRecipe());
    const StatusCase cases[] = {
        {"no key", [](const KeyBench&) {}, KEYAPI_NO_KEY, DWORD(SCARD_E_NO_SMARTCARD)},
        {"PIN key, no attempt used", [](const KeyBench& b) { b.PutKey("R"); }, 3, 0},
        {"PIN key, one attempt left", [](const KeyBench& b) { b.PutKey("R", Recipe([](KeyRecipe& s) { s.pinLeft = 1; })); },
         1, 0},
        {"key without PIN: its maximum",
         [](const KeyBench& b) { b.PutKey("R", Recipe([](KeyRecipe& s) { s.pin = "", s.pinAttempts = 7; })); }, 7, 0},
        {"PIN blocked", [](const KeyBench& b) { b.PutKey("R", Recipe([](KeyRecipe& s) { s.pinLeft = 0; })); },
         KEYAPI_BLOCKED, 0},
        {"PIN and PUK used up",
         [](const KeyBench& b) { b.PutKey("R", Recipe([](KeyRecipe& s) { s.pinLeft = 0, s.pukLeft = 0; })); },
         KEYAPI_FINALLY_BLOCKED, 0},
        {"PIN blocked, no PUK",
         [](const KeyBench& b) { b.PutKey("R", Recipe([](KeyRecipe& s) { s.pinLeft = 0, s.puk = ""; })); },
         KEYAPI_FINALLY_BLOCKED, 0},
        {"blank key", [](const KeyBench& b) { b.PutKey("R", Recipe([](KeyRecipe& s) { s.formatted = false; })); },
         KEYAPI_NOT_FORMATTED, 0},
        {"one byte changed",
         [&](const KeyBench& b) {
             std::string damaged = fine;
             damaged[damaged.size() / 2] ^= 0x20;
             WriteBytes(b.KeyPath("R"), damaged);
         },
         KEYAPI_KEY_ERROR, DWORD(ERROR_FILE_CORRUPT)},
        {"truncated", [&](const KeyBench& b) { WriteBytes(b.KeyPath("R"), fine.substr(0, fine.size() - 40)); },
         KEYAPI_KEY_ERROR, DWORD(ERROR_FILE_CORRUPT)},
        {"empty file", [](const KeyBench& b) { WriteBytes(b.KeyPath("R"), ""); }, KEYAPI_KEY_ERROR,
         DWORD(ERROR_FILE_CORRUPT)},
        {"not a key file", [](const KeyBench& b) { WriteBytes(b.KeyPath("R"), "profile=alice\r\n"); },
         KEYAPI_KEY_ERROR, DWORD(ERROR_FILE_CORRUPT)},
        {"reader folder gone", [](const KeyBench& b) { RemoveTree(b.Folder("R")); }, KEYAPI_READER_ERROR,
         DWORD(SCARD_E_READER_UNAVAILABLE)},
    };
    for (const StatusCase& c : cases) {
        KeyBench bench;
        bench.AddReader("R");
        Reader reader("R");
        ASSERT_NE(nullptr, reader.get());
        c.prepare(bench);
        EXPECT_EQ(c.status, Key().InitCard(reader, KEYAPI_APP_LOGON)) << c.what;
        EXPECT_EQ(c.error, GetLastError()) << c.what;
    }
}

TEST(CardStatus, KeyInformationNeedsNoPin)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.label = "Alice's key";
    recipe.idByte = 0x5A;
    recipe.apps[KEYAPI_APP_LOGON] = std::string(300, 'p');
    bench.PutKey("R", recipe);
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));

    BYTE id[8];
    DWORD length = sizeof id;
    ASSERT_TRUE(Key().GetCardID(reader, id, &length));
    EXPECT_EQ(8u, length);
    EXPECT_EQ(std::string(8, '\x5A'), std::string(reinterpret_cast<char*>(id), 8));
    char label[33];
    ASSERT_TRUE(Key().ReadLabel(reader, label));
    EXPECT_STREQ("Alice's key", label);
    DWORD used = 0, freeBytes = 0;
    ASSERT_TRUE(Key().GetApplicationInfo(reader, KEYAPI_APP_LOGON, &used, &freeBytes));
    EXPECT_EQ(300u, used);
    EXPECT_EQ(32000u - 300u, freeBytes);
    DWORD size = 0;
    ASSERT_TRUE(Key().ReadData(reader, 0, nullptr, &size));
    EXPECT_EQ(300u, size);
    EXPECT_EQ(KEYAPI_CARD_SOFTWARE_KEY, Key().GetCardType(reader));

    BYTE data[16];
    length = sizeof data;
    EXPECT_FALSE(Key().ReadData(reader, 0, data, &length));  // the data itself needs the PIN
    EXPECT_EQ(DWORD(SCARD_W_SECURITY_VIOLATION), GetLastError());
}

TEST(CardStatus, BlockedKeysStillShowWhoseTheyAre)
{
    KeyBench bench;
    for (int pukLeft : {3, 0}) {
        KeyRecipe recipe;
        recipe.label = "Blocked";
        recipe.pinLeft = 0;
        recipe.pukLeft = pukLeft;
        bench.PutKey("R", recipe);
        Reader reader("R");
        EXPECT_EQ(pukLeft ? KEYAPI_BLOCKED : KEYAPI_FINALLY_BLOCKED, Key().InitCard(reader, KEYAPI_APP_LOGON));
        char label[33] = {};
        EXPECT_TRUE(Key().ReadLabel(reader, label));
        EXPECT_STREQ("Blocked", label);
    }
}
