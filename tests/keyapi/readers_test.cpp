// Readers: folders of the readers folder, in a stable order, opened by name; changes of
// the set of readers reported once.
#include <gtest/gtest.h>

#include <vector>

#include "key_bench.h"
#include "key_library.h"

namespace {
// The folder readers EnumReaders lists now (drive readers, if the machine has any, follow them).
std::vector<std::string> FolderReaders()
{
    std::vector<std::string> names;
    for (int i = 0;; ++i) {
        const char* name = Key().EnumReaders(i);
        if (!name) break;
        if (std::string(name).compare(0, 10, "USB drive ") != 0) names.push_back(name);
    }
    return names;
}
}  // namespace

TEST(Readers, SubfoldersAreReadersSortedByNameIgnoringCase)
{
    KeyBench bench;
    for (const char* name : {"beta", "Alpha", "gamma 3", "Gamma 10"}) bench.AddReader(name);
    WriteBytes(bench.Root() + "not a reader.txt", "a file is no reader");

    EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "Gamma 10", "gamma 3"}), FolderReaders());
    int count = 0;
    while (Key().EnumReaders(count)) ++count;
    EXPECT_EQ(nullptr, Key().EnumReaders(count));
    EXPECT_EQ(DWORD(ERROR_NO_MORE_ITEMS), GetLastError());
}

TEST(Readers, NameTextsStayValidAcrossScans)
{
    KeyBench bench;
    bench.AddReader("first");
    const char* first = Key().EnumReaders(0);
    ASSERT_STREQ("first", first);
    bench.AddReader("another");
    RemoveDirectoryA(bench.Folder("first").c_str());
    EXPECT_STREQ("another", Key().EnumReaders(0));
    EXPECT_STREQ("first", first);  // handed out earlier, still readable
}

TEST(Readers, ChangesAreReportedOnceEach)
{
    KeyBench bench;
    bench.AddReader("R1");
    Key().AnyReadersChanges(0);  // whatever came before this test
    EXPECT_FALSE(Key().AnyReadersChanges(0));

    bench.AddReader("R2");
    EXPECT_TRUE(Key().AnyReadersChanges(0));
    EXPECT_FALSE(Key().AnyReadersChanges(0));

    bench.PutKey("R2");  // a key coming is no reader change
    EXPECT_FALSE(Key().AnyReadersChanges(0));

    RemoveTree(bench.Folder("R1"));
    EXPECT_TRUE(Key().AnyReadersChanges(0));
    EXPECT_FALSE(Key().AnyReadersChanges(0));
}

TEST(Readers, AreOpenedByTheirNameIgnoringCase)
{
    KeyBench bench;
    bench.AddReader("Office Reader");
    ASSERT_TRUE(Key().EnumReaders(0));
    bench.AddReader("Came Later");  // not listed yet: InitReader looks again

    for (const char* name : {"office reader", "Came Later"}) {
        Reader reader(name);
        ASSERT_NE(nullptr, reader.get()) << name;
        EXPECT_EQ(DWORD(KEYAPI_READER_FOLDER), Key().GetReaderType(reader));
    }
    Reader office("OFFICE READER");
    char name[64];
    DWORD length = sizeof name;
    ASSERT_TRUE(Key().GetReaderName(office, name, &length));
    EXPECT_STREQ("Office Reader", name);
    EXPECT_EQ(13u, length);
    length = 5;
    EXPECT_FALSE(Key().GetReaderName(office, name, &length));
    EXPECT_EQ(DWORD(SCARD_E_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(14u, length);

    EXPECT_EQ(nullptr, Key().InitReader("No Such Reader"));
    EXPECT_EQ(DWORD(SCARD_E_UNKNOWN_READER), GetLastError());
}

TEST(Readers, ClosedOrMadeUpHandlesAreRefused)
{
    KeyBench bench;
    bench.PutKey("R");
    KEYAPI_READER reader = Key().InitReader("R");
    ASSERT_NE(nullptr, reader);
    ASSERT_TRUE(Key().CloseReader(reader));

    int madeUp = 0;
    for (KEYAPI_READER handle : {reader, static_cast<KEYAPI_READER>(&madeUp), static_cast<KEYAPI_READER>(nullptr)}) {
        EXPECT_EQ(KEYAPI_READER_ERROR, Key().InitCard(handle, KEYAPI_APP_LOGON));
        EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
        EXPECT_FALSE(Key().CloseReader(handle));
        EXPECT_FALSE(Key().VerifyPIN(handle, "1234"));
        EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    }
}
