// Text lookup order: language module, then the process executable, then the module
// that loaded the language. This executable lives in bin/langtest/ with its own small
// string table; mod/ holds a module with the product's table and a language module
// with one translated text.
#include <gtest/gtest.h>

#include "lang.h"
#include "scoped.h"
#include "string_ids.h"

namespace {
const UINT kNowhere = 9999;

struct LangFixture : testing::Test {
    void SetUp() override
    {
        modDir = ExeDirW() + L"mod\\";
        probe = LoadLibraryW((modDir + L"lang_probe.dll").c_str());
        ASSERT_NE(nullptr, probe);
        // Neither the executable's directory nor the current one holds a language module.
        ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((ExeDirW() + L"ovl_lang.dll").c_str()));
    }
    void TearDown() override
    {
        lang.Unload();
        FreeLibrary(probe);
        SetDllDirectoryW(nullptr);
    }
    std::wstring Text(UINT id)
    {
        wchar_t buf[1024];
        lang.Text(id, buf);
        return buf;
    }
    std::wstring modDir;
    HMODULE probe = nullptr;
    CLanguage lang;
};
}  // namespace

TEST_F(LangFixture, LanguageModuleBesideTheModuleWinsThenExecutableThenModule)
{
    ASSERT_TRUE(lang.Load(L"ovl", probe));
    ASSERT_NE(nullptr, lang.LanguageModule());
    EXPECT_EQ(L"[Schluessel fehlte]", Text(IDS_KEY_NOT_PRESENTED));
    EXPECT_EQ(L"[exe 55]", Text(IDS_USER_NAME));
    EXPECT_EQ(L"Please enter user name", Text(IDS_ENTER_USER_NAME));
    EXPECT_EQ(L"", Text(kNowhere));
}

TEST_F(LangFixture, FoundBesideTheModuleAlsoFromAnotherCurrentDrive)
{
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    ASSERT_NE(L'C', modDir[0]) << "the build tree is expected on another drive than C:";
    const bool loaded = lang.Load(L"ovl", probe);
    SetCurrentDirectoryW(saved);
    ASSERT_TRUE(loaded);
    EXPECT_NE(nullptr, lang.LanguageModule());
    EXPECT_EQ(L"[Schluessel fehlte]", Text(IDS_KEY_NOT_PRESENTED));
}

TEST_F(LangFixture, NormalLibrarySearchComesFirst)
{
    SetDllDirectoryW(modDir.c_str());
    ASSERT_TRUE(lang.Load(L"ovl", nullptr));
    EXPECT_NE(nullptr, lang.LanguageModule());
    EXPECT_EQ(L"[Schluessel fehlte]", Text(IDS_KEY_NOT_PRESENTED));
}

TEST_F(LangFixture, WithoutLanguageModuleTextsComeFromExecutableAndModule)
{
    ASSERT_TRUE(lang.Load(L"missing", probe));
    EXPECT_EQ(nullptr, lang.LanguageModule());
    EXPECT_EQ(L"[exe 128]", Text(IDS_KEY_NOT_PRESENTED));
    EXPECT_EQ(L"Please enter user name", Text(IDS_ENTER_USER_NAME));

    lang.Unload();
    ASSERT_TRUE(lang.Load(L"missing", nullptr));  // the executable is the last fallback
    EXPECT_EQ(L"[exe 55]", Text(IDS_USER_NAME));
    EXPECT_EQ(L"", Text(IDS_ENTER_USER_NAME));
}

TEST_F(LangFixture, FormattedTextAndSmallBuffers)
{
    ASSERT_TRUE(lang.Load(L"missing", probe));
    wchar_t out[64];
    lang.Format(out, 64, IDS_PROCESSING_KEY_NAMED, L"Reader 1");
    EXPECT_STREQ(L"Processing the Key (Reader 1) . . .", out);

    wchar_t tiny[8];
    EXPECT_EQ(7, lang.Format(tiny, 8, IDS_PROCESSING_KEY_NAMED, L"Reader 1"));
    EXPECT_STREQ(L"Process", tiny);
    EXPECT_EQ(0, lang.Text(IDS_USER_NAME, tiny, 0));
}
