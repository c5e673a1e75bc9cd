// The mspwl32.dll stand-in through its real exports, with accounts put into its registry
// key: the codes the 9x credential check and the 9x user list rely on.
#include <gtest/gtest.h>

#include <string>

#include "mspwl32.h"
#include "scoped.h"

namespace {
const wchar_t kCacheKey[] = L"Software\\Ostrel\\PasswordCache";

class PasswordCache : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryA("mspwl32.dll");
        ASSERT_NE(nullptr, module_) << "mspwl32.dll beside the program, gle=" << GetLastError();
        open_ = reinterpret_cast<decltype(open_)>(reinterpret_cast<void*>(GetProcAddress(module_, "OpenPasswordCache")));
        close_ =
            reinterpret_cast<decltype(close_)>(reinterpret_cast<void*>(GetProcAddress(module_, "ClosePasswordCache")));
        ASSERT_NE(nullptr, open_);
        ASSERT_NE(nullptr, close_);
    }
    void TearDown() override
    {
        if (module_) FreeLibrary(module_);
    }

    HMODULE module_ = nullptr;
    DWORD(WINAPI* open_)(HANDLE*, LPCSTR, LPCSTR, BOOL) = nullptr;
    DWORD(WINAPI* close_)(HANDLE, BOOL) = nullptr;

    ScopedRegValue alice_{HKEY_CURRENT_USER, kCacheKey, L"ALICE", L"S3CRET"};
    ScopedRegValue kiosk_{HKEY_CURRENT_USER, kCacheKey, L"KIOSK", L""};
    ScopedRegValue nobody_{HKEY_CURRENT_USER, kCacheKey, L"NOBODY"};
};
}  // namespace

TEST_F(PasswordCache, CodesTellRightPasswordNoCacheYetAndWrongPassword)
{
    struct Case {
        const char* user;
        const char* password;
        DWORD code;
        bool handle;
    } cases[] = {
        {"ALICE", "S3CRET", PWL_OPENED, true},
        {"alice", "s3cret", PWL_OPENED, true},  // 9x keeps both upper-cased
        {"ALICE", "WRONG", PWL_WRONG_PASSWORD, false},
        {"ALICE", "", PWL_WRONG_PASSWORD, false},  // the user list's probe: the account exists
        {"KIOSK", "", PWL_OPENED, true},            // ...and so does this one
        {"KIOSK", "X", PWL_WRONG_PASSWORD, false},
        {"NOBODY", "", PWL_CREATED, true},  // no cache yet: not an account for the user list
        {"NOBODY", "ANY", PWL_CREATED, true},
        {"ALICE", nullptr, PWL_WRONG_PASSWORD, false},
        {"", "X", ERROR_INVALID_PARAMETER, false},
        {nullptr, "X", ERROR_INVALID_PARAMETER, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user ? c.user : "<null>") + " / " + (c.password ? c.password : "<null>"));
        HANDLE cache = reinterpret_cast<HANDLE>(1);
        SetLastError(12345);
        EXPECT_EQ(c.code, open_(&cache, c.user, c.password, TRUE));
        EXPECT_EQ(c.code, GetLastError()) << "the code is also the last error";
        EXPECT_EQ(c.handle, cache != nullptr);
        if (cache) {
            EXPECT_EQ(DWORD(NO_ERROR), close_(cache, TRUE));
        }
    }
    // Nothing was created for the unknown name.
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kCacheKey, L"NOBODY"));
}

TEST_F(PasswordCache, HandlesCloseOnceAndForeignHandlesAreRefused)
{
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), open_(nullptr, "ALICE", "S3CRET", TRUE));
    HANDLE first = nullptr, second = nullptr;
    ASSERT_EQ(DWORD(PWL_OPENED), open_(&first, "ALICE", "S3CRET", TRUE));
    ASSERT_EQ(DWORD(PWL_CREATED), open_(&second, "NOBODY", "", FALSE));
    EXPECT_NE(first, second);
    EXPECT_EQ(DWORD(NO_ERROR), close_(first, TRUE));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), close_(first, TRUE)) << "already closed";
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), close_(nullptr, TRUE));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), close_(GetCurrentProcess(), TRUE));
    EXPECT_EQ(DWORD(NO_ERROR), close_(second, FALSE));
}

TEST_F(PasswordCache, ManyCachesOpenAtOnceRunOutCleanly)
{
    std::vector<HANDLE> open;
    DWORD code = PWL_OPENED;
    for (int i = 0; i < 100 && code == PWL_OPENED; ++i) {
        HANDLE cache = nullptr;
        code = open_(&cache, "ALICE", "S3CRET", TRUE);
        if (cache) open.push_back(cache);
    }
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), code);
    EXPECT_EQ(64u, open.size());
    for (HANDLE cache : open) EXPECT_EQ(DWORD(NO_ERROR), close_(cache, TRUE));
    HANDLE again = nullptr;
    EXPECT_EQ(DWORD(PWL_OPENED), open_(&again, "ALICE", "S3CRET", TRUE)) << "slots are reused";
    close_(again, TRUE);
}
