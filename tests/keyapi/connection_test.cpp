// The connection InitCard opens: kept by CloseCard(h, 1) while the same key stays in the
// reader (InitCard then answers -5), ended by CloseCard(h, 0), Disconnect or another key.
#include <gtest/gtest.h>

#include "key_bench.h"
#include "key_library.h"
#include "process.h"

namespace {
// A key with PIN 1234 whose logon application holds "profiles", connected and verified
// on `reader`, the connection then kept.
void KeepVerifiedConnection(const KeyBench& bench, const Reader& reader)
{
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().VerifyPIN(reader, "1234"));
    ASSERT_TRUE(Key().CloseCard(reader, 1));
}

KeyRecipe WithProfiles()
{
    KeyRecipe recipe;
    recipe.apps[KEYAPI_APP_LOGON] = "profiles";
    return recipe;
}
}  // namespace

TEST(Connection, KeptConnectionGoesOnWithItsPinWhileTheKeyStays)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader reader("R");
    KeepVerifiedConnection(bench, reader);

    // Poll after poll, as the key monitor does, with or without CloseCard(h, 1) between.
    for (int poll = 0; poll < 4; ++poll) {
        EXPECT_EQ(KEYAPI_UNCHANGED, Key().InitCard(reader, KEYAPI_APP_LOGON));
        EXPECT_EQ("profiles", ReadApp(reader, KEYAPI_APP_LOGON));  // no VerifyPIN again
        if (poll % 2) {
            EXPECT_TRUE(Key().CloseCard(reader, 1));
        }
    }
}

TEST(Connection, EndedConnectionReportsAfreshAndWantsThePinAgain)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader reader("R");
    KeepVerifiedConnection(bench, reader);
    ASSERT_TRUE(Key().CloseCard(reader, 0));

    EXPECT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    bool ok = true;
    ReadApp(reader, KEYAPI_APP_LOGON, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(DWORD(SCARD_W_SECURITY_VIOLATION), GetLastError());

    // A connection that was not kept is not continued: InitCard starts a new one.
    ASSERT_TRUE(Key().VerifyPIN(reader, "1234"));
    EXPECT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ReadApp(reader, KEYAPI_APP_LOGON, &ok);
    EXPECT_FALSE(ok);
}

TEST(Connection, WithoutAConnectionThereIsNoData)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader reader("R");
    DWORD size = 0;
    EXPECT_FALSE(Key().ReadData(reader, 0, nullptr, &size));
    EXPECT_EQ(DWORD(SCARD_E_NOT_READY), GetLastError());
    EXPECT_TRUE(Key().CloseCard(reader, 1));  // nothing to keep: no "unchanged" afterwards
    EXPECT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Connection, AnotherKeyOrNoKeyEndsTheKeptConnection)
{
    KeyBench bench;
    KeyRecipe first = WithProfiles();
    first.idByte = 1;
    KeyRecipe second;
    second.idByte = 2;
    second.pin = "";
    second.pinAttempts = 9;
    const std::string firstBytes = bench.PutKey("R", first);
    Reader reader("R");

    KeepVerifiedConnection(bench, reader);
    bench.PutKey("R", second);
    EXPECT_EQ(9, Key().InitCard(reader, KEYAPI_APP_LOGON));
    BYTE id[8];
    DWORD length = sizeof id;
    ASSERT_TRUE(Key().GetCardID(reader, id, &length));
    EXPECT_EQ(2, id[0]);

    WriteBytes(bench.KeyPath("R"), firstBytes);
    KeepVerifiedConnection(bench, reader);
    DeleteFileA(bench.KeyPath("R").c_str());
    EXPECT_EQ(KEYAPI_NO_KEY, Key().InitCard(reader, KEYAPI_APP_LOGON));
    WriteBytes(bench.KeyPath("R"), firstBytes);  // the same key back: a new connection
    EXPECT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Connection, KeyTakenOutUnderAnOpenConnection)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader reader("R");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().VerifyPIN(reader, "1234"));
    DeleteFileA(bench.KeyPath("R").c_str());
    bool ok = true;
    ReadApp(reader, KEYAPI_APP_LOGON, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(DWORD(SCARD_W_REMOVED_CARD), GetLastError());
    bench.PutKey("R", WithProfiles());  // another key with the same contents is still another key
    ReadApp(reader, KEYAPI_APP_LOGON, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(DWORD(SCARD_W_REMOVED_CARD), GetLastError());
}

TEST(Connection, WritesToTheSameKeyKeepItUnchanged)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader monitor("R"), panel("R");
    KeepVerifiedConnection(bench, monitor);

    ASSERT_EQ(3, Key().InitCard(panel, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().VerifyPIN(panel, "1234"));
    ASSERT_TRUE(WriteApp(panel, KEYAPI_APP_LOGON, "written by the panel"));
    EXPECT_EQ(KEYAPI_UNCHANGED, Key().InitCard(monitor, KEYAPI_APP_LOGON));
    EXPECT_EQ("written by the panel", ReadApp(monitor, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().CloseCard(monitor, 1));

    // Another process writes the key: keyctl.
    const std::string data = bench.Root() + "from-keyctl.bin";
    WriteBytes(data, "written by keyctl");
    ProcessRun run;
    run.program = ExeDirW() + L"keyctl.exe";
    run.arguments = {L"write", L"R", L"223", std::wstring(data.begin(), data.end()), L"--pin", L"1234"};
    const ProcessResult result = RunProcess(run);
    ASSERT_EQ(0u, result.exitCode) << result.errorOutput;
    EXPECT_EQ(KEYAPI_UNCHANGED, Key().InitCard(monitor, KEYAPI_APP_LOGON));
    EXPECT_EQ("written by keyctl", ReadApp(monitor, KEYAPI_APP_LOGON));
}

TEST(Connection, DisconnectEndsKeptConnectionsOrAll)
{
    KeyBench bench;
    bench.PutKey("A", WithProfiles());
    bench.PutKey("B", WithProfiles());
    Reader kept("A"), open("B");
    KeepVerifiedConnection(bench, kept);
    ASSERT_EQ(3, Key().InitCard(open, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().VerifyPIN(open, "1234"));

    ASSERT_TRUE(Key().Disconnect(0));
    EXPECT_EQ("profiles", ReadApp(open, KEYAPI_APP_LOGON));
    EXPECT_EQ(3, Key().InitCard(kept, KEYAPI_APP_LOGON));

    ASSERT_TRUE(Key().Disconnect(1));
    bool ok = true;
    ReadApp(open, KEYAPI_APP_LOGON, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(DWORD(SCARD_E_NOT_READY), GetLastError());
}

TEST(Connection, UnchangedKeyFileIsNotReadAgain)
{
    KeyBench bench;
    bench.PutKey("R", WithProfiles());
    Reader reader("R");
    KeepVerifiedConnection(bench, reader);

    // Spoil the contents in place and put the times back: size, times and file index
    // stay, so polling must not notice: it does not read the file.
    const std::string path = bench.KeyPath("R");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    FILETIME created, accessed, written;
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    const std::string zeros(64, '\0');
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, zeros.data(), DWORD(zeros.size()), &done, nullptr));
    ASSERT_TRUE(SetFileTime(file, &created, &accessed, &written));
    CloseHandle(file);

    EXPECT_EQ(KEYAPI_UNCHANGED, Key().InitCard(reader, KEYAPI_APP_LOGON));
    ASSERT_TRUE(Key().CloseCard(reader, 1));

    // A new write time makes it look again, and find the damage.
    file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    written.dwLowDateTime += 10000000;
    if (written.dwLowDateTime < 10000000) ++written.dwHighDateTime;
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    EXPECT_EQ(KEYAPI_KEY_ERROR, Key().InitCard(reader, KEYAPI_APP_LOGON));
}
