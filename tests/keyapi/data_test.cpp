// Application data: reads and writes at offsets, sizes, the shared capacity, the
// biometric template calls on application 227.
#include <gtest/gtest.h>

#include "key_bench.h"
#include "key_library.h"

namespace {
// A key without PIN, connected for the logon application.
class DataTest : public ::testing::Test {
protected:
    void Open(const KeyRecipe& recipe)
    {
        bench_.PutKey("R", recipe);
        reader_.reset(new Reader("R"));
        ASSERT_GT(Key().InitCard(*reader_, KEYAPI_APP_LOGON), 0);
        ASSERT_TRUE(Key().VerifyPIN(*reader_, recipe.pin.c_str()));
    }
    void SetUp() override
    {
        KeyRecipe recipe;
        recipe.pin = "";
        Open(recipe);
    }
    KEYAPI_READER reader() const { return *reader_; }
    std::string Data() const { return ReadApp(*reader_, KEYAPI_APP_LOGON); }
    DWORD Used(DWORD appId) const
    {
        DWORD used = 0, freeBytes = 0;
        EXPECT_TRUE(Key().GetApplicationInfo(*reader_, appId, &used, &freeBytes));
        return used;
    }
    DWORD Free() const
    {
        DWORD used = 0, freeBytes = 0;
        EXPECT_TRUE(Key().GetApplicationInfo(*reader_, KEYAPI_APP_WHOLE_KEY, &used, &freeBytes));
        return freeBytes;
    }

    KeyBench bench_;
    std::unique_ptr<Reader> reader_;
};

BOOL Write(KEYAPI_READER reader, DWORD offset, const std::string& data)
{
    DWORD length = DWORD(data.size());
    const BOOL ok = Key().WriteData(reader, offset, reinterpret_cast<const BYTE*>(data.data()), &length);
    EXPECT_EQ(data.size(), length);
    return ok;
}
}  // namespace

TEST_F(DataTest, WritesAtOffsetsExtendTheData)
{
    ASSERT_TRUE(Write(reader(), 0, "hello"));
    ASSERT_TRUE(Write(reader(), 3, "XY"));
    EXPECT_EQ("helXY", Data());
    ASSERT_TRUE(Write(reader(), 8, "Z"));  // past the end: the gap is zeros
    EXPECT_EQ(std::string("helXY\0\0\0Z", 9), Data());
    DWORD size = 0;
    ASSERT_TRUE(Key().ReadData(reader(), 0, nullptr, &size));
    EXPECT_EQ(9u, size);
}

TEST_F(DataTest, ReadsTakeWhatIsThereFromTheOffset)
{
    ASSERT_TRUE(Write(reader(), 0, "0123456789"));
    struct {
        DWORD offset, room;
        const char* expected;
    } cases[] = {{0, 4, "0123"}, {6, 100, "6789"}, {9, 1, "9"}, {10, 5, ""}};
    for (const auto& c : cases) {
        char buffer[100] = {};
        DWORD length = c.room;
        ASSERT_TRUE(Key().ReadData(reader(), c.offset, reinterpret_cast<BYTE*>(buffer), &length)) << c.offset;
        EXPECT_EQ(std::string(c.expected), std::string(buffer, length)) << c.offset;
    }
    BYTE byte;
    DWORD length = 1;
    EXPECT_FALSE(Key().ReadData(reader(), 11, &byte, &length));
    EXPECT_EQ(DWORD(SCARD_E_INVALID_PARAMETER), GetLastError());
}

TEST_F(DataTest, SetDataSizeCutsExtendsAndDeletes)
{
    ASSERT_TRUE(Write(reader(), 0, "profile"));
    ASSERT_TRUE(Key().SetDataSize(reader(), 4));
    EXPECT_EQ("prof", Data());
    ASSERT_TRUE(Key().SetDataSize(reader(), 6));
    EXPECT_EQ(std::string("prof\0\0", 6), Data());
    EXPECT_TRUE(Key().IsDataExist(reader()));
    ASSERT_TRUE(Key().SetDataSize(reader(), 0));
    EXPECT_EQ(0u, Used(KEYAPI_APP_LOGON));
    EXPECT_FALSE(Key().IsDataExist(reader()));
    EXPECT_EQ(DWORD(SCARD_E_FILE_NOT_FOUND), GetLastError());

    ASSERT_TRUE(Write(reader(), 0, "again"));
    ASSERT_TRUE(Key().DeleteData(reader()));
    EXPECT_EQ("", Data());
    EXPECT_EQ(32000u, Free());
}

TEST_F(DataTest, ApplicationsShareTheCapacityAndAWriteThatDoesNotFitChangesNothing)
{
    KeyRecipe recipe;
    recipe.pin = "";
    recipe.capacity = 1000;
    Open(recipe);
    ASSERT_TRUE(WriteApp(reader(), KEYAPI_APP_LOGON, std::string(600, 'L')));
    ASSERT_TRUE(WriteApp(reader(), KEYAPI_APP_NETWARE, std::string(300, 'N')));
    EXPECT_EQ(600u, Used(KEYAPI_APP_LOGON));
    EXPECT_EQ(300u, Used(KEYAPI_APP_NETWARE));
    EXPECT_EQ(0u, Used(KEYAPI_APP_BIO_TEMPLATE));
    EXPECT_EQ(900u, Used(KEYAPI_APP_WHOLE_KEY));
    for (DWORD app : {KEYAPI_APP_LOGON, KEYAPI_APP_BIO_TEMPLATE, KEYAPI_APP_NETWARE, KEYAPI_APP_WHOLE_KEY}) {
        DWORD used = 0, freeBytes = 0;
        ASSERT_TRUE(Key().GetApplicationInfo(reader(), app, &used, &freeBytes));
        EXPECT_EQ(100u, freeBytes) << app;
    }

    const std::string before = FileBytes(bench_.KeyPath("R"));
    EXPECT_FALSE(WriteApp(reader(), KEYAPI_APP_BIO_TEMPLATE, std::string(101, 'B')));
    EXPECT_EQ(DWORD(SCARD_E_NO_MEMORY), GetLastError());
    EXPECT_FALSE(WriteApp(reader(), KEYAPI_APP_LOGON, "x", 700));
    EXPECT_EQ(DWORD(SCARD_E_NO_MEMORY), GetLastError());
    EXPECT_FALSE(Key().SetDataSizeApp(reader(), 401, KEYAPI_APP_NETWARE));
    EXPECT_EQ(DWORD(SCARD_E_NO_MEMORY), GetLastError());
    EXPECT_EQ(before, FileBytes(bench_.KeyPath("R")));

    ASSERT_TRUE(WriteApp(reader(), KEYAPI_APP_BIO_TEMPLATE, std::string(100, 'B')));  // exactly full
    EXPECT_EQ(0u, Free());
    ASSERT_TRUE(Key().SetDataSizeApp(reader(), 100, KEYAPI_APP_NETWARE));
    EXPECT_EQ(200u, Free());
}

TEST_F(DataTest, BiometricTemplateCallsUseApplication227)
{
    ASSERT_TRUE(WriteApp(reader(), KEYAPI_APP_LOGON, "profiles"));
    const std::string templ = "template bytes";
    DWORD length = DWORD(templ.size());
    ASSERT_TRUE(Key().WriteBIR(reader(), 0, reinterpret_cast<const BYTE*>(templ.data()), &length));
    EXPECT_EQ(templ, ReadApp(reader(), KEYAPI_APP_BIO_TEMPLATE));

    char buffer[32] = {};
    length = sizeof buffer;
    ASSERT_TRUE(Key().ReadBIR(reader(), 9, reinterpret_cast<BYTE*>(buffer), &length));
    EXPECT_EQ("bytes", std::string(buffer, length));
    length = 0;
    ASSERT_TRUE(Key().ReadBIR(reader(), 0, nullptr, &length));
    EXPECT_EQ(templ.size(), length);
    DWORD freeForTemplate = 0;
    ASSERT_TRUE(Key().WriteBIR(reader(), 0, nullptr, &freeForTemplate));
    EXPECT_EQ(32000u - 8u - templ.size(), freeForTemplate);

    ASSERT_TRUE(Key().SetBIRSize(reader(), 8));
    EXPECT_EQ("template", ReadApp(reader(), KEYAPI_APP_BIO_TEMPLATE));
    ASSERT_TRUE(Key().DeleteBIR(reader()));
    EXPECT_FALSE(Key().IsDataExisting(reader(), KEYAPI_APP_BIO_TEMPLATE));
    EXPECT_EQ("profiles", Data());  // the connection's application was not touched
}

TEST_F(DataTest, ApplicationCallsLeaveTheConnectionsApplication)
{
    ASSERT_EQ(3, Key().InitCard(reader(), KEYAPI_APP_NETWARE));
    ASSERT_TRUE(WriteApp(reader(), KEYAPI_APP_LOGON, "logon"));
    ASSERT_TRUE(Write(reader(), 0, "netware"));
    EXPECT_EQ("netware", ReadApp(reader(), KEYAPI_APP_NETWARE));
    EXPECT_EQ("logon", ReadApp(reader(), KEYAPI_APP_LOGON));

    DWORD ids[3] = {}, count = 3;
    ASSERT_TRUE(Key().EnumApplications(reader(), ids, &count));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(DWORD(KEYAPI_APP_LOGON), ids[0]);
    EXPECT_EQ(DWORD(KEYAPI_APP_NETWARE), ids[1]);
    count = 1;
    EXPECT_FALSE(Key().EnumApplications(reader(), ids, &count));
    EXPECT_EQ(2u, count);
}

TEST_F(DataTest, OnlyTheThreeApplicationsExist)
{
    for (DWORD app : {0u, 1u, 224u, 232u}) {
        EXPECT_FALSE(WriteApp(reader(), app, "x")) << app;
        EXPECT_EQ(DWORD(SCARD_E_INVALID_PARAMETER), GetLastError());
    }
    ASSERT_EQ(3, Key().InitCard(reader(), 0));  // a connection for the whole key: no data calls
    DWORD size = 0;
    EXPECT_FALSE(Key().ReadData(reader(), 0, nullptr, &size));
    EXPECT_EQ(DWORD(SCARD_E_INVALID_PARAMETER), GetLastError());
}

TEST(Data, PinKeyDataNeedsTheVerifiedPin)
{
    KeyBench bench;
    KeyRecipe recipe;
    recipe.apps[KEYAPI_APP_LOGON] = "secret profiles";
    bench.PutKey("P", recipe);
    Reader reader("P");
    ASSERT_EQ(3, Key().InitCard(reader, KEYAPI_APP_LOGON));
    bool ok = true;
    ReadApp(reader, KEYAPI_APP_LOGON, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(DWORD(SCARD_W_SECURITY_VIOLATION), GetLastError());
    EXPECT_FALSE(WriteApp(reader, KEYAPI_APP_LOGON, "x"));
    EXPECT_EQ(DWORD(SCARD_W_SECURITY_VIOLATION), GetLastError());
    EXPECT_FALSE(Key().WriteLabel(reader, "x"));
    EXPECT_EQ(DWORD(SCARD_W_SECURITY_VIOLATION), GetLastError());

    ASSERT_TRUE(Key().VerifyPIN(reader, "1234"));
    EXPECT_EQ("secret profiles", ReadApp(reader, KEYAPI_APP_LOGON));
    EXPECT_TRUE(WriteApp(reader, KEYAPI_APP_LOGON, "SECRET"));
    EXPECT_EQ("SECRET profiles", ReadApp(reader, KEYAPI_APP_LOGON));
}
