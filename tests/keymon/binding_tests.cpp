// Binding the token and biometric libraries. This program runs in a directory of its own
// (bin/bindtest) where the normal search finds neither library; incomplete/ holds copies
// that lack exports, and bin/ the complete ones.
#include <gtest/gtest.h>

#include "bioapi_binding.h"
#include "keyapi_binding.h"
#include "scoped.h"

namespace {
std::wstring BinDir() { return ExeDirW() + L"..\\"; }
std::wstring IncompleteDir() { return ExeDirW() + L"incomplete"; }
}  // namespace

TEST(KeyApiBinding, MissingLibraryOrExportLeavesNothingBound)
{
    CKeyApiLibrary library;
    EXPECT_FALSE(library.Load());
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());

    EXPECT_FALSE(library.Load(IncompleteDir().c_str()));
    EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError()) << "the error of the missing export is kept";
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(nullptr, library.Api().EnumReaders) << "pointers bound before the missing one are cleared";
    EXPECT_EQ(nullptr, GetModuleHandleW((IncompleteDir() + L"\\keyapi32.dll").c_str())) << "library freed";
}

TEST(KeyApiBinding, CompleteLibraryBindsEveryExportAndNineXNeedsFewer)
{
    CKeyApiLibrary library;
    ASSERT_TRUE(library.Load(BinDir().c_str())) << GetLastError();
    const KeyApiFunctions& api = library.Api();
    const void* const* pointers = reinterpret_cast<const void* const*>(&api);
    for (size_t i = 0; i < sizeof api / sizeof(void*); ++i) EXPECT_NE(nullptr, pointers[i]) << "slot " << i;
    library.Unload();
    EXPECT_EQ(nullptr, library.Api().InitCard);

    ASSERT_TRUE(library.Load(BinDir().c_str(), true));
    EXPECT_EQ(nullptr, library.Api().Disconnect);
    EXPECT_EQ(nullptr, library.Api().IsDataExisting);
    EXPECT_NE(nullptr, library.Api().InitCard);
}

TEST(BioApiBinding, LoadsByNameOrFromADirectoryAndRefusesAnIncompleteLibrary)
{
    CBioApiLibrary library;
    EXPECT_FALSE(library.Load());
    EXPECT_FALSE(library.Load(IncompleteDir().c_str()));
    EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, library.Api().BioEnumReaders);

    const std::wstring withBackslash = BinDir();
    const std::wstring withoutBackslash = withBackslash.substr(0, withBackslash.size() - 1);
    for (const std::wstring& dir : {withBackslash, withoutBackslash}) {
        ASSERT_TRUE(library.Load(dir.c_str())) << GetLastError();
        EXPECT_NE(nullptr, library.Api().BioVerifyBIR_GUI);
        EXPECT_NE(nullptr, library.Api().BioGetBIR_GUI);
        library.Unload();
    }
    EXPECT_FALSE(library.Load(std::wstring(240, L'x').c_str())) << "directories over 239 characters are not tried";
}
