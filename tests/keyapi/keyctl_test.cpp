// keyctl end to end: making, moving and showing keys, PINs, application data, and an
// exit code for every kind of failure.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "key_bench.h"
#include "key_library.h"
#include "process.h"

namespace {
std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// keyctl's messages with plain line ends (it writes text, so Windows puts CR LF).
ProcessResult Keyctl(std::vector<std::string> args)
{
    ProcessRun run;
    run.program = ExeDirW() + L"keyctl.exe";
    for (const std::string& arg : args) run.arguments.push_back(Wide(arg));
    ProcessResult result = RunProcess(run);
    for (std::string* text : {&result.output, &result.errorOutput}) {
        std::string plain;
        for (size_t i = 0; i < text->size(); ++i)
            if (!((*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n')) plain += (*text)[i];
        *text = plain;
    }
    return result;
}

// A current-format profile buffer: the mark, then each field as length byte and text.
std::string ProfileBuffer(const std::vector<std::vector<std::string>>& profiles)
{
    std::string bytes = "\xFE";
    for (const auto& fields : profiles)
        for (const std::string& field : fields) bytes += char(field.size()) + field;
    return bytes;
}

std::string TaggedRecord(char tag, const std::string& text) { return std::string{tag, 0, char(text.size())} + text; }

#define EXPECT_KEYCTL_OK(result) \
    EXPECT_EQ(0u, (result).exitCode) << (result).output << (result).errorOutput

// The reader's key, opened through the library with `pin`.
std::string LogonData(const char* reader, const char* pin)
{
    Reader handle(reader);
    EXPECT_GT(Key().InitCard(handle, KEYAPI_APP_LOGON), 0);
    EXPECT_TRUE(Key().VerifyPIN(handle, pin));
    return ReadApp(handle, KEYAPI_APP_LOGON);
}
}  // namespace

TEST(Keyctl, MakesListsAndShowsKeys)
{
    KeyBench bench;
    EXPECT_KEYCTL_OK(Keyctl({"add-reader", "Desk"}));
    EXPECT_KEYCTL_OK(Keyctl({"add-reader", "Spare"}));
    const ProcessResult created = Keyctl({"create", "Desk", "--label", "Alice", "--pin", "2580", "--puk", "13579135",
                                          "--capacity", "4000", "--attempts", "4", "--iterations", "3000"});
    EXPECT_KEYCTL_OK(created);
    std::smatch id;
    ASSERT_TRUE(std::regex_search(created.output, id, std::regex("key ([0-9a-f]{16}) created")));
    EXPECT_EQ(std::string::npos, created.output.find("PUK:"));  // given, so not printed

    const ProcessResult list = Keyctl({"list"});
    EXPECT_KEYCTL_OK(list);
    EXPECT_NE(std::string::npos, list.output.find("Desk: key \"Alice\", PIN, 4 attempts left\n")) << list.output;
    EXPECT_NE(std::string::npos, list.output.find("Spare: no key\n")) << list.output;

    const ProcessResult show = Keyctl({"show", "desk"});
    EXPECT_KEYCTL_OK(show);
    for (const std::string& line :
         {"Card id:      " + id[1].str(), std::string("Label:        Alice"), std::string("PIN attempts: 4 of 4 left"),
          std::string("Capacity:     4000 bytes, 0 used, 4000 free"), std::string("PUK:          set, 10 of 10")})
        EXPECT_NE(std::string::npos, show.output.find(line)) << line << "\n" << show.output;
    EXPECT_EQ(4, [] {
        Reader desk("Desk");
        return Key().InitCard(desk, KEYAPI_APP_LOGON);
    }());
}

TEST(Keyctl, WritesAndReadsApplicationData)
{
    KeyBench bench;
    bench.PutKey("R");
    const std::string in = bench.Root() + "in.bin", out = bench.Root() + "out.bin";
    std::string data(5000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7);
    WriteBytes(in, data);

    EXPECT_KEYCTL_OK(Keyctl({"write", "R", "logon", in, "--pin", "1234"}));
    EXPECT_EQ(data, LogonData("R", "1234"));
    WriteBytes(in, "shorter now");
    EXPECT_KEYCTL_OK(Keyctl({"write", "R", "223", in, "--pin", "1234"}));
    EXPECT_KEYCTL_OK(Keyctl({"read", "R", "223", out, "--pin", "1234"}));
    EXPECT_EQ("shorter now", FileBytes(out));
    const ProcessResult toStdout = Keyctl({"read", "R", "logon", "-", "--pin", "1234"});
    EXPECT_KEYCTL_OK(toStdout);
    EXPECT_EQ("shorter now", toStdout.output);
}

TEST(Keyctl, InsertsMovesAndTakesOutKeyFiles)
{
    KeyBench bench;
    bench.AddReader("R");
    const std::string file = bench.Root() + "spare.key", out = bench.Root() + "taken.key";
    EXPECT_KEYCTL_OK(Keyctl({"create", file, "--label", "Spare", "--no-puk", "--iterations", "3000"}));
    const std::string key = FileBytes(file);

    EXPECT_KEYCTL_OK(Keyctl({"insert", file, "R"}));
    EXPECT_EQ(key, FileBytes(bench.KeyPath("R")));
    EXPECT_TRUE(FileExists(file));
    EXPECT_KEYCTL_OK(Keyctl({"remove", "R", out}));
    EXPECT_FALSE(FileExists(bench.KeyPath("R")));
    EXPECT_EQ(key, FileBytes(out));

    EXPECT_KEYCTL_OK(Keyctl({"insert", out, "R", "--move"}));
    EXPECT_FALSE(FileExists(out));
    Reader reader("R");
    EXPECT_EQ(5, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Keyctl, ChangesBlocksAndUnblocksPins)
{
    KeyBench bench;
    bench.AddReader("R");
    const ProcessResult created = Keyctl({"create", "R", "--iterations", "3000"});
    EXPECT_KEYCTL_OK(created);
    std::smatch puk;
    ASSERT_TRUE(std::regex_search(created.output, puk, std::regex("PUK: ([0-9]{8})")));  // made up and printed

    EXPECT_KEYCTL_OK(Keyctl({"set-pin", "R", "1111"}));
    EXPECT_KEYCTL_OK(Keyctl({"change-pin", "R", "1111", "2222"}));
    EXPECT_KEYCTL_OK(Keyctl({"block", "R"}));
    EXPECT_NE(std::string::npos, Keyctl({"list"}).output.find("R: key \"\", PIN blocked"));
    EXPECT_KEYCTL_OK(Keyctl({"unblock", "R", puk[1].str(), "3333"}));
    EXPECT_KEYCTL_OK(Keyctl({"remove-pin", "R", "3333"}));
    EXPECT_NE(std::string::npos, Keyctl({"list"}).output.find("R: key \"\", no PIN"));
    EXPECT_KEYCTL_OK(Keyctl({"set-pin", "R", "4444"}));
    EXPECT_KEYCTL_OK(Keyctl({"block", "R", "--finally"}));
    Reader reader("R");
    EXPECT_EQ(KEYAPI_FINALLY_BLOCKED, Key().InitCard(reader, KEYAPI_APP_LOGON));
}

TEST(Keyctl, ManagesReaderFolders)
{
    KeyBench bench;
    const ProcessResult path = Keyctl({"readers-path"});
    EXPECT_KEYCTL_OK(path);
    EXPECT_EQ(bench.Root().substr(0, bench.Root().size() - 1) + "\n", path.output);
    EXPECT_KEYCTL_OK(Keyctl({"add-reader", "Front desk"}));
    EXPECT_TRUE(FileExists(bench.Folder("Front desk")));
    bench.PutKey("Front desk");
    EXPECT_EQ(8u, Keyctl({"remove-reader", "Front desk"}).exitCode);  // it holds a key
    EXPECT_KEYCTL_OK(Keyctl({"remove-reader", "Front desk", "--force"}));
    EXPECT_FALSE(FileExists(bench.Folder("Front desk")));
}

TEST(Keyctl, EveryFailureHasItsExitCode)
{
    KeyBench bench;
    bench.PutKey("Full", [] {
        KeyRecipe recipe;
        recipe.capacity = 10;
        return recipe;
    }());
    bench.PutKey("Blocked", [] {
        KeyRecipe recipe;
        recipe.pinLeft = 0;
        return recipe;
    }());
    bench.PutKey("Pin");
    bench.AddReader("Empty");
    WriteBytes(bench.Root() + "damaged.key", "OSTRLKEY...");
    WriteBytes(bench.Root() + "data.bin", std::string(11, 'd'));
    const std::string data = bench.Root() + "data.bin";

    const struct {
        std::vector<std::string> args;
        DWORD exitCode;
        const char* message;
    } cases[] = {
        {{"frobnicate"}, 1, "unknown command"},
        {{"list", "--verbose"}, 1, "unknown option --verbose"},
        {{"read", "Pin", "logon"}, 1, "usage: keyctl read"},
        {{"read", "Pin", "999", data}, 1, "unknown application"},
        {{"create", "Pin", "--capacity", "lots"}, 1, "--capacity needs a number"},
        {{"show", "Nowhere"}, 2, "no reader named \"Nowhere\""},
        {{"read", "Empty", "logon", data}, 3, "no key in reader \"Empty\""},
        {{"show", bench.Root() + "damaged.key"}, 4, ""},
        {{"read", "Pin", "logon", data + ".out", "--pin", "0000"}, 5, "wrong PIN"},
        {{"read", "Pin", "logon", data + ".out"}, 5, "give --pin"},
        {{"read", "Blocked", "logon", data + ".out", "--pin", "1234"}, 6, "blocked"},
        {{"write", "Full", "logon", data, "--pin", "1234"}, 7, "not enough space"},
        {{"create", "Pin"}, 8, "a key is already in reader \"Pin\""},
        {{"add-reader", "Pin"}, 8, "exists already"},
    };
    for (const auto& c : cases) {
        const ProcessResult result = Keyctl(c.args);
        EXPECT_EQ(c.exitCode, result.exitCode) << c.args[0] << " " << result.errorOutput;
        EXPECT_NE(std::string::npos, result.errorOutput.find(c.message)) << result.errorOutput;
    }
    EXPECT_EQ(2, [] {  // the wrong PIN above was counted
        Reader pin("Pin");
        return Key().InitCard(pin, KEYAPI_APP_LOGON);
    }());
}

TEST(Keyctl, HelpListsEveryCommand)
{
    const ProcessResult help = Keyctl({"help"});
    EXPECT_KEYCTL_OK(help);
    for (const char* command : {"list", "readers-path", "add-reader", "remove-reader", "create", "insert", "remove",
                                "show", "set-pin", "change-pin", "remove-pin", "block", "unblock", "write", "read",
                                "profiles", "add-profile", "remove-profile"})
        EXPECT_NE(std::string::npos, help.output.find(std::string("keyctl ") + command + " ")) << command;
    EXPECT_NE(std::string::npos, help.output.find("exit codes"));
}

TEST(Keyctl, AddsListsAndRemovesLogonProfiles)
{
    KeyBench bench;
    bench.PutKey("R");
    const ProcessResult none = Keyctl({"profiles", "R", "--pin", "1234"});
    EXPECT_KEYCTL_OK(none);
    EXPECT_EQ("no profiles on the key\n", none.output);

    const ProcessResult added = Keyctl({"add-profile", "R", "PC1", "alice", "s3cret", "--pin", "1234"});
    EXPECT_KEYCTL_OK(added);
    EXPECT_NE(std::string::npos, added.output.find("profile 1 added: alice on PC1")) << added.output;
    EXPECT_KEYCTL_OK(Keyctl({"add-profile", "R", "\\\\SALES", "bob", "pw", "--pin", "1234"}));
    EXPECT_KEYCTL_OK(Keyctl({"add-profile", "R", "", "carol", "", "--pin", "1234"}));
    EXPECT_EQ(ProfileBuffer({{"PC1", "alice", "s3cret"}, {"\\\\SALES", "bob", "pw"}, {"", "carol", ""}}),
              LogonData("R", "1234"));

    const ProcessResult list = Keyctl({"profiles", "R", "--pin", "1234"});
    EXPECT_KEYCTL_OK(list);
    EXPECT_EQ(0u, list.output.find("3 profiles on the key (current format, 41 bytes):\n")) << list.output;
    const struct {
        const char* number;
        const char* where;
        const char* user;
        const char* password;
    } rows[] = {{"  1  ", "PC1", "alice", "password length 6"},
                {"  2  ", "\\\\SALES", "bob", "password length 2"},
                {"  3  ", "(any computer)", "carol", "password length 0"}};
    for (const auto& row : rows) {
        const size_t start = list.output.find(std::string("\n") + row.number);
        ASSERT_NE(std::string::npos, start) << row.number << "\n" << list.output;
        const std::string line = list.output.substr(start + 1, list.output.find('\n', start + 1) - start - 1);
        EXPECT_EQ(0u, line.find(std::string(row.number) + row.where)) << line;
        EXPECT_NE(std::string::npos, line.find(std::string(" ") + row.user + " ")) << line;
        EXPECT_EQ(line.size() - std::strlen(row.password), line.rfind(row.password)) << line;
    }
    EXPECT_EQ(std::string::npos, list.output.find("s3cret"));

    const ProcessResult removed = Keyctl({"remove-profile", "R", "2", "--pin", "1234"});
    EXPECT_KEYCTL_OK(removed);
    EXPECT_NE(std::string::npos, removed.output.find("profile 2 removed: bob on \\\\SALES (2 left)")) << removed.output;
    EXPECT_EQ(ProfileBuffer({{"PC1", "alice", "s3cret"}, {"", "carol", ""}}), LogonData("R", "1234"));
    EXPECT_KEYCTL_OK(Keyctl({"remove-profile", "R", "1", "--pin", "1234"}));
    EXPECT_KEYCTL_OK(Keyctl({"remove-profile", "R", "1", "--pin", "1234"}));
    EXPECT_EQ("", LogonData("R", "1234")) << "an empty table is no buffer at all";
}

TEST(Keyctl, ReadsTaggedProfilesAndRewritesThemInTheCurrentFormat)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.apps[KEYAPI_APP_LOGON] = TaggedRecord('Q', "PC1") + TaggedRecord('R', "alice") + TaggedRecord('S', "pw");
    bench.PutKey("R", recipe);
    const ProcessResult list = Keyctl({"profiles", "R", "--pin", "1234"});
    EXPECT_KEYCTL_OK(list);
    EXPECT_NE(std::string::npos, list.output.find("1 profile on the key (tagged format, 19 bytes)")) << list.output;
    EXPECT_KEYCTL_OK(Keyctl({"add-profile", "R", "PC2", "bob", "x", "--pin", "1234"}));
    EXPECT_EQ(ProfileBuffer({{"PC1", "alice", "pw"}, {"PC2", "bob", "x"}}), LogonData("R", "1234"));
}

TEST(Keyctl, ProfileCommandsRefuseWhatTheProductCouldNotUse)
{
    KeyBench bench;
    std::vector<std::vector<std::string>> sixtyFour, large;
    for (int i = 0; i < 64; ++i) sixtyFour.push_back({"PC", "user" + std::to_string(i), "pw"});
    for (int i = 0; i < 62; ++i) large.push_back({"", std::string(255, 'u'), std::string(255, 'p')});  // 31807 bytes
    const auto key = [](const std::string& logon, uint32_t capacity = 32000) {
        KeyRecipe recipe;
        recipe.capacity = capacity;
        if (!logon.empty()) recipe.apps[KEYAPI_APP_LOGON] = logon;
        return recipe;
    };
    bench.PutKey("Full", key(ProfileBuffer(sixtyFour)));
    bench.PutKey("Large", key(ProfileBuffer(large), 60000));
    bench.PutKey("Junk", key("not a profile buffer"));
    bench.PutKey("Small", key(ProfileBuffer({{"PC1", "alice", "pw"}}), 20));
    bench.PutKey("One", key(ProfileBuffer({{"PC1", "alice", "pw"}})));

    const struct {
        std::vector<std::string> args;
        DWORD exitCode;
        const char* message;
    } cases[] = {
        {{"add-profile", "Full", "PC", "one-more", "pw"}, 7, "64 profiles already"},
        {{"add-profile", "Large", "PC", std::string(255, 'n'), std::string(255, 'p')}, 7, "more than the 32000"},
        {{"add-profile", "Small", "PC2", "bob", "pw"}, 7, "not enough space"},
        {{"add-profile", "One", "pc1", "ALICE", "other"}, 8, "already"},
        {{"add-profile", "One", std::string(80, 'c'), "bob", "pw"}, 1, "at most 79 bytes"},
        {{"add-profile", "One", "PC2", "", "pw"}, 1, "needs a user name"},
        {{"add-profile", "One", "PC2", "bob", std::string(256, 'p')}, 1, "at most 255 bytes"},
        {{"profiles", "Junk"}, 4, "holds no profiles"},
        {{"add-profile", "Junk", "PC", "bob", "pw"}, 4, "holds no profiles"},
        {{"remove-profile", "One", "2"}, 1, "no profile 2: the key holds 1"},
        {{"remove-profile", "One", "0"}, 1, "INDEX"},
        {{"profiles", "One", "--pin", "0000"}, 5, "wrong PIN"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        if (args.back() != "0000") args.insert(args.end(), {"--pin", "1234"});
        const ProcessResult result = Keyctl(args);
        EXPECT_EQ(c.exitCode, result.exitCode) << c.args[0] << " " << c.args[1] << ": " << result.errorOutput;
        EXPECT_NE(std::string::npos, result.errorOutput.find(c.message)) << result.errorOutput;
    }
    EXPECT_EQ(ProfileBuffer(sixtyFour), LogonData("Full", "1234"));
    EXPECT_EQ(ProfileBuffer({{"PC1", "alice", "pw"}}), LogonData("One", "1234")) << "refused changes write nothing";
}
