// Pure pieces of the log and the version classification.
#include <gtest/gtest.h>

#include "log_format.h"
#include "version_class.h"
#include "windows_description.h"

TEST(FileVersionText, MinorBelowTenGetsALeadingZeroAndTrailingZeroPartsAreDropped)
{
    struct Case { unsigned ms, ls; const char* text; } cases[] = {
        {0x00020005, 0x00000000, "2.05"},     {0x00020016, 0x00000005, "2.22.0.5"},
        {0x00020016, 0x00030000, "2.22.3"},   {0x0001000A, 0x00000000, "1.10"},
        {0x00010000, 0x00040007, "1.00.4.7"}, {0xFFFFFFFF, 0xFFFFFFFF, "65535.65535.65535.65535"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, FormatFileVersion(c.ms, c.ls)) << std::hex << c.ms << " " << c.ls;
}

TEST(SwitchFileLevel, WideLogKnowsOneToThreeAndFallsBackToThree)
{
    struct Case { size_t read; char first; int level; } cases[] = {
        {0, 0, 3}, {1, '1', 1}, {1, '2', 2}, {1, '3', 3}, {1, '0', 3}, {1, '4', 3}, {1, '7', 3}, {1, 'x', 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.level, WideLogLevelFromSwitch(c.read, c.first)) << "'" << c.first << "'";
}

TEST(SwitchFileLevel, ShortLogTakesAnyDigitAndZeroKeepsItOff)
{
    struct Case { size_t read; char first; int level; } cases[] = {
        {0, 0, 3}, {1, '0', 0}, {1, '5', 5}, {1, '9', 9}, {1, 'x', 3}, {1, '/', 3}, {1, ':', 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.level, ShortLogLevelFromSwitch(c.read, c.first)) << "'" << c.first << "'";
}

TEST(VersionClass, EveryPlatformAndVersion)
{
    struct Case { unsigned platform, major, minor; int wide, shortTable; } cases[] = {
        {1, 4, 0, 1, 1},   {1, 4, 10, 2, 2},  {1, 4, 90, 3, 3},  {1, 4, 3, 4, 4},   {1, 5, 0, 0, 0},
        {2, 3, 51, 4, 4},  {2, 4, 0, 4, 4},   {2, 5, 0, 5, 5},   {2, 5, 1, 6, 6},   {2, 5, 2, 7, 7},
        {2, 5, 3, 0, 0},   {2, 6, 0, 8, 0},   {2, 6, 1, 0, 0},   {2, 10, 0, 0, 0},  {0, 3, 10, 0, 0},
        {3, 5, 1, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.wide, VersionClassFromOs(c.platform, c.major, c.minor, VersionClassTable::Wide))
            << c.platform << " " << c.major << "." << c.minor;
        EXPECT_EQ(c.shortTable, VersionClassFromOs(c.platform, c.major, c.minor, VersionClassTable::Short))
            << c.platform << " " << c.major << "." << c.minor;
    }
}

TEST(VersionClass, ShortNames)
{
    const char* names[] = {"Unknown", "Windows 95", "Windows 98", "Windows ME", "Windows NT",
                           "Windows 2000", "Windows XP", "Windows 2003", "Unknown"};
    for (int c = 0; c <= 8; ++c) EXPECT_STREQ(names[c], WindowsShortName(c)) << c;
    EXPECT_STREQ("Unknown", WindowsShortName(-1));
}

namespace {
OsFacts Nt(unsigned major, unsigned minor, const char* sp, unsigned type, unsigned suite)
{
    OsFacts os;
    os.platformId = 2;
    os.major = major;
    os.minor = minor;
    os.build = 0x0A280000 | 2600;  // high word must not show
    os.servicePack = sp;
    os.hasExtended = true;
    os.productType = type;
    os.suiteMask = suite;
    return os;
}
}  // namespace

TEST(WindowsDescription, NamesEditionsAndServicePacks)
{
    const unsigned ws = 1, dc = 2, server = 3;
    const unsigned enterprise = 0x2, datacenter = 0x80, personal = 0x200, blade = 0x400;
    struct Case { OsFacts os; const char* text; } cases[] = {
        {Nt(5, 1, "Service Pack 2", ws, 0), "Microsoft Windows XP Professional Service Pack 2 (Build 2600)"},
        {Nt(5, 1, "", ws, personal), "Microsoft Windows XP Home Edition  (Build 2600)"},
        {Nt(5, 0, "Service Pack 4", ws, 0), "Microsoft Windows 2000 Professional Service Pack 4 (Build 2600)"},
        {Nt(5, 0, "", server, enterprise), "Microsoft Windows 2000 Advanced Server  (Build 2600)"},
        {Nt(5, 0, "", dc, datacenter), "Microsoft Windows 2000 Datacenter Server  (Build 2600)"},
        {Nt(5, 0, "", server, 0), "Microsoft Windows 2000 Server  (Build 2600)"},
        {Nt(5, 2, "", server, 0), "Microsoft Windows Server 2003 family, Standard Edition  (Build 2600)"},
        {Nt(5, 2, "", server, blade), "Microsoft Windows Server 2003 family, Web Edition  (Build 2600)"},
        {Nt(5, 2, "", server, enterprise), "Microsoft Windows Server 2003 family, Enterprise Edition  (Build 2600)"},
        {Nt(5, 2, "", server, datacenter | enterprise),
         "Microsoft Windows Server 2003 family, Datacenter Edition  (Build 2600)"},
        {Nt(4, 0, "Service Pack 5", ws, 0), "Microsoft Windows NT Workstation 4.0 Service Pack 5 (Build 2600)"},
        {Nt(4, 0, "", server, enterprise), "Microsoft Windows NT Server 4.0, Enterprise Edition  (Build 2600)"},
        {Nt(4, 0, "", server, 0), "Microsoft Windows NT Server 4.0  (Build 2600)"},
        {Nt(6, 0, "", ws, 0), "Microsoft Windows Vista Professional  (Build 2600)"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, DescribeWindows(c.os));
}

TEST(WindowsDescription, OldNtWithoutExtendedRecordUsesRegistryProductType)
{
    OsFacts os = Nt(4, 0, "Service Pack 6", 0, 0);
    os.hasExtended = false;
    os.registryProductType = "LANMANNT";
    EXPECT_EQ("Microsoft Windows NT Server 4.0 Service Pack 6 (Build 2600)", DescribeWindows(os));
    os.registryProductType = "WINNT";
    os.hasHotfixQ246009 = true;
    EXPECT_EQ("Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 2600)\n", DescribeWindows(os));
    os.registryProductType = "SERVERNT";
    os.servicePack = "Service Pack 5";
    EXPECT_EQ("Microsoft Windows NT Advanced Server 4.0 Service Pack 5 (Build 2600)", DescribeWindows(os));
}

TEST(WindowsDescription, NineXAndWin32s)
{
    OsFacts os;
    os.platformId = 1;
    os.major = 4;
    struct Case { unsigned minor; const char* sp; const char* text; } cases[] = {
        {0, "", "Microsoft Windows 95 "},       {0, " B", "Microsoft Windows 95 OSR2 "},
        {0, " C", "Microsoft Windows 95 OSR2 "}, {10, "", "Microsoft Windows 98 "},
        {10, " A ", "Microsoft Windows 98 SE "},  {90, "", "Microsoft Windows Millennium Edition"},
    };
    for (const Case& c : cases) {
        os.minor = c.minor;
        os.servicePack = c.sp;
        EXPECT_EQ(c.text, DescribeWindows(os)) << c.minor << " '" << c.sp << "'";
    }
    OsFacts win32s;
    win32s.platformId = 0;
    EXPECT_EQ("Microsoft Win32s", DescribeWindows(win32s));
}

TEST(WindowsDescription, LongServicePackTextIsCutAt259Characters)
{
    EXPECT_EQ(259u, DescribeWindows(Nt(5, 1, std::string(400, 'S').c_str(), 1, 0)).size());
}
