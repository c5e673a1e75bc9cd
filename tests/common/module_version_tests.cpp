// The module version query against real binaries: a deliverable, two fixtures, a module
// without version resource.
#include <gtest/gtest.h>

#include "module_version.h"

TEST(ModuleVersion, DeliverableFoundByNameReportsProductAndNumericVersion)
{
    CModuleVersionW v;
    ASSERT_TRUE(QueryModuleVersionW(nullptr, L"ov_gina.dll", &v));
    EXPECT_STREQ(L"Ostrel Logon", v.productName);
    EXPECT_STREQ(L"Ostrel Logon GINA", v.description);
    EXPECT_STREQ(L"1.00", v.fileVersion);
    EXPECT_NE(nullptr, wcsstr(v.path, L"ov_gina.dll"));
}

TEST(ModuleVersion, UsesTheFirstTranslationAndNumbersLikeTheProduct)
{
    HMODULE module = LoadLibraryA("version_2_22_3.dll");
    ASSERT_NE(nullptr, module);
    CModuleVersionA v;
    EXPECT_TRUE(QueryModuleVersionA(module, nullptr, &v));
    EXPECT_STREQ("2.22.3", v.fileVersion);
    EXPECT_STREQ("Fixture product", v.productName);
    EXPECT_STREQ("2.22.3 beta", v.productVersion);
    EXPECT_STREQ("Fixture full", v.description);
    FreeLibrary(module);
}

TEST(ModuleVersion, AMissingItemStopsTheQueryAndLeavesTheNumberUnknown)
{
    CModuleVersionW v;
    EXPECT_FALSE(QueryModuleVersionW(nullptr, L"version_no_copyright.dll", &v));
    EXPECT_STREQ(L"Fixture product", v.productName);
    EXPECT_STREQ(L"2.22", v.productVersion);
    EXPECT_STREQ(L"Fixture partial", v.description);
    EXPECT_STREQ(L"Unknown", v.fileVersion);
}

TEST(ModuleVersion, EverythingUnknownWithoutVersionResourceOrFile)
{
    CModuleVersionA exe;  // the test executable has no version resource
    EXPECT_FALSE(QueryModuleVersionA(nullptr, nullptr, &exe));
    EXPECT_NE(nullptr, strstr(exe.path, ".exe"));
    for (const char* field : {exe.fileVersion, exe.description, exe.productName, exe.productVersion})
        EXPECT_STREQ("Unknown", field);

    CModuleVersionW missing;
    EXPECT_FALSE(QueryModuleVersionW(nullptr, L"no_such_module.dll", &missing));
    EXPECT_STREQ(L"Unknown", missing.path);
}
