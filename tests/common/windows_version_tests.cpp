// Behaviour that depends on the running Windows, checked under each emulated version.
#include <gtest/gtest.h>

#include <string>

#include "env_report.h"
#include "log.h"
#include "scoped.h"
#include "wine_env.h"
#include "windows_version.h"

TEST(RunningWindows, VersionClassMatchesTheEmulatedSystem)
{
    ASSERT_NE(0, EmulatedVersionClass()) << "run as a versioned copy (--windows=...)";
    EXPECT_EQ(EmulatedVersionClass(), GetWindowsVersionClass());
    const int shortClass = EmulatedVersionClass() == kWinVista ? kWinUnknown : EmulatedVersionClass();
    EXPECT_EQ(shortClass, GetWindowsVersionClass(VersionClassTable::Short));
}

TEST(RunningWindows, ShortLogHeaderNamesTheSystem)
{
    // A log of this process's own: the versioned copies of this test run side by side.
    const std::string name = "ovt_os" + std::to_string(GetCurrentProcessId());
    ScopedFile sw("C:\\OV_" + name + ".log", "1");
    CShortLog log;
    ASSERT_EQ(1, log.Start(name.c_str(), nullptr));
    const char* names[] = {"Unknown", "Windows 95", "Windows 98", "Windows ME", "Windows NT",
                           "Windows 2000", "Windows XP", "Windows 2003", "Unknown"};
    const std::string expected = std::string("   OS: ") + names[EmulatedVersionClass()] + "\n";
    EXPECT_NE(std::string::npos, ReadFileText(sw.path()).find(expected)) << ReadFileText(sw.path());
}

TEST(RunningWindows, EnvironmentReportDescribesTheSystem)
{
    const char* prefixes[] = {"", "Microsoft Windows 95", "Microsoft Windows 98 ", "Microsoft Windows Millennium",
                              "Microsoft Windows NT ", "Microsoft Windows 2000 ", "Microsoft Windows XP ",
                              "Microsoft Windows Server 2003 family, ", "Microsoft Windows Vista "};
    const EnvironmentReport report = CollectEnvironmentReport();
    EXPECT_EQ(0u, report.windows.find(prefixes[EmulatedVersionClass()])) << report.windows;
    EXPECT_NE(std::string::npos, report.memory.find(" MB RAM"));
    EXPECT_EQ(0u, report.internetExplorer.find("Microsoft Internet Explorer "));
}

TEST(RunningWindows, LanguageComesFromTheSourceThisSystemKeepsItIn)
{
    const int versionClass = EmulatedVersionClass();
    std::unique_ptr<ScopedRegValue> setting;
    std::string expected;
    char name[128] = {};
    if (versionClass == kWin95 || versionClass == kWin98) {
        setting.reset(new ScopedRegValue(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\ResourceLocale", L"",
                                         L"00000407"));
        VerLanguageNameA(0x0407, name, sizeof name);
    } else if (versionClass == kWinNT4) {
        setting.reset(new ScopedRegValue(HKEY_USERS, L".DEFAULT\\Control Panel\\International", L"Locale",
                                         L"0000040C"));
        VerLanguageNameA(0x040C, name, sizeof name);
    } else {
        VerLanguageNameA(GetSystemDefaultUILanguage(), name, sizeof name);
    }
    ASSERT_NE('\0', name[0]);
    EXPECT_EQ(name, CollectEnvironmentReport().language);
}
