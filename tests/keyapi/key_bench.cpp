#include "key_bench.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "crypto_provider.h"
#include "key_content.h"

std::string MakeKeyFile(const KeyRecipe& recipe)
{
    CryptoRandom random;
    CryptoCipher cipher;
    uint8_t id[kCardIdSize];
    if (recipe.idByte)
        std::memset(id, recipe.idByte, sizeof id);
    else
        random.Fill(id, sizeof id);
    KeyFile key = MakeBlankKey(id, recipe.capacity);
    if (recipe.formatted) {
        FormatOptions options;
        options.label = recipe.label;
        options.pin = recipe.pin;
        options.puk = recipe.puk;
        options.pinAttempts = recipe.pinAttempts;
        options.pukAttempts = recipe.pukAttempts;
        options.iterations = recipe.iterations;
        options.cipher = BestAvailableCipher();
        EXPECT_EQ(ContentError::None, FormatKey(key, options, random, cipher));
        DataKey dataKey;
        if (key.HasPin()) {
            EXPECT_TRUE(OpenPinSeal(key.pin, recipe.pin, dataKey));
        }
        for (const auto& app : recipe.apps) {
            const std::vector<uint8_t> plain(app.second.begin(), app.second.end());
            EXPECT_EQ(ContentError::None, WriteApplication(key, app.first, plain, &dataKey, cipher, random));
        }
        if (recipe.pinLeft >= 0) key.pinLeft = uint8_t(recipe.pinLeft);
        if (recipe.pukLeft >= 0) key.pukLeft = uint8_t(recipe.pukLeft);
    }
    const std::vector<uint8_t> bytes = SerializeKeyFile(key);
    return std::string(bytes.begin(), bytes.end());
}

KeyBench::KeyBench()
{
    static LONG benches = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::ostringstream root;
    root << temp << "keyapi-" << (test ? test->name() : "bench") << "-" << GetCurrentProcessId() << "-"
         << InterlockedIncrement(&benches) << "\\";
    root_ = root.str();
    RemoveTree(root_);
    CreateDirectoryA(root_.c_str(), nullptr);
    const std::string folder = root_.substr(0, root_.size() - 1);
    readersPath_.reset(new ScopedRegValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Ostrel\\KeyApi", L"ReadersPath",
                                          std::wstring(folder.begin(), folder.end())));
}

KeyBench::~KeyBench()
{
    readersPath_.reset();
    RemoveTree(root_);
}

void KeyBench::AddReader(const std::string& reader) const
{
    CreateDirectoryA(Folder(reader).c_str(), nullptr);
}

std::string KeyBench::PutKey(const std::string& reader, const KeyRecipe& recipe) const
{
    AddReader(reader);
    const std::string bytes = MakeKeyFile(recipe);
    WriteBytes(KeyPath(reader), bytes);
    return bytes;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void RemoveTree(const std::string& folder)
{
    std::string base = folder;
    if (!base.empty() && base.back() != '\\') base += '\\';
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(base + name);
            else
                DeleteFileA((base + name).c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(base.substr(0, base.size() - 1).c_str());
}
