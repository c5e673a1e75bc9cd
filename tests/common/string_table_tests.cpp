// The shipped language module carries the product's string table, escapes resolved.
#include <gtest/gtest.h>

#include "scoped.h"
#include "string_ids.h"

TEST(StringTable, LanguageModuleCarriesTheProductTexts)
{
    HMODULE lang = LoadLibraryExW((ExeDirW() + L"ovl_lang.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, lang);
    struct Case { UINT id; const wchar_t* text; } cases[] = {
        {IDS_KEY_NOT_PRESENTED, L"[Key was not presented]"},
        {IDS_WRONG_PIN_ATTEMPTS,
         L"The PIN you entered is incorrect (%d attempts remains).\nPlease enter PIN code for '%s' Key:"},
        {IDS_NDS_VERIFY_FAILED, L"Verification failed!\nError code %X."},
    };
    for (const Case& c : cases) {
        wchar_t text[1024] = {};
        EXPECT_GT(LoadStringW(lang, c.id, text, 1024), 0) << c.id;
        EXPECT_STREQ(c.text, text) << c.id;
    }
    FreeLibrary(lang);
}
