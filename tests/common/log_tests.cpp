// The diagnostic log through real switch files in the roots of the prefix's fixed
// drives (C: and D: on the test bench). Each test uses its own log name.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "log.h"
#include "scoped.h"

namespace {
bool DriveIsFixed(const char* root) { return GetDriveTypeA(root) == DRIVE_FIXED; }
}  // namespace

TEST(WideLog, SwitchFileContentSetsTheLevel)
{
    struct Case { const char* content; int level; } cases[] = {
        {"", 3}, {"1", 1}, {"2", 2}, {"3", 3}, {"0", 3}, {"7", 3}, {"x", 3}, {"2 trailing text", 2},
    };
    for (const Case& c : cases) {
        ScopedFile sw("C:\\ovt_wlevel.log", c.content);
        CWideLog log;
        log.Start(TEXT("ovt_wlevel"), nullptr, 0);
        EXPECT_EQ(c.level, log.Level()) << "'" << c.content << "'";
    }
}

TEST(WideLog, LevelTwoKeepsTraceLinesOutAndLevelFourIsNeverWritten)
{
    ScopedFile sw("C:\\ovt_wfilter.log", "2");
    CWideLog log;
    log.Start(TEXT("ovt_wfilter"), nullptr, 0);
    log.Write(LOG_ERROR, "t", "an error");
    log.Write(LOG_WARNING, "t", "a warning");
    log.Write(LOG_TRACE, "t", "a trace");
    log.Trace("a trace shape", 1);
    const std::string text = ReadFileText(sw.path());
    EXPECT_NE(std::string::npos, text.find("ERROR   [t] an error"));
    EXPECT_NE(std::string::npos, text.find("WARNING [t] a warning"));
    EXPECT_EQ(std::string::npos, text.find("a trace")) << text;

    ScopedFile full("C:\\ovt_wfour.log", "9");
    CWideLog top;
    top.Start(TEXT("ovt_wfour"), nullptr, 0);
    ASSERT_EQ(LOG_TRACE, top.Level());
    top.Write(LOG_PERF, "t", "level four");
    top.Write(LOG_INFO, "t", "level five");
    EXPECT_EQ(std::string::npos, ReadFileText(full.path()).find("level f"));
}

TEST(WideLog, LineFormatAndTraceShapes)
{
    ScopedFile sw("C:\\ovt_wformat.log", "3");
    CWideLog log;
    log.Start(TEXT("ovt_wformat"), nullptr, 0);
    log.Write(LOG_TRACE, "CMainWnd::Init", "value %d", 42);
    log.Write(LOG_WARNING, L"wide", L"text %s", L"\x00e9t\x00e9");
    log.Trace("WlxNegotiate, ver:", 0x10003);
    log.Trace("CKeyDispatchWnd::SendNotifyTo", 0x4BF, "reader", 0xA);
    log.Trace(L"Logo loaded from -> ", 0, L"C:\\logo.bmp", 0);
    const std::string all = ReadFileText(sw.path());
    EXPECT_TRUE(std::regex_search(all, std::regex(R"(\r\n\[[ \d]\d:[ \d]\d:[ \d]\d:[ \d]{2}\d\] TRACE   \[CMainWnd::Init\] value 42)")))
        << all;
    EXPECT_NE(std::string::npos, all.find("WARNING [wide] text \xe9t\xe9")) << "UTF-16 line written as ANSI";
    EXPECT_NE(std::string::npos, all.find("TRACE   [] WlxNegotiate, ver: 10003"));
    EXPECT_NE(std::string::npos, all.find("TRACE   [] CKeyDispatchWnd::SendNotifyTo reader  4BF A"));
    EXPECT_NE(std::string::npos, all.find("TRACE   [] Logo loaded from ->  C:\\logo.bmp  0 0"));
}

TEST(WideLog, StartReportDescribesProcessEnvironmentAndModules)
{
    ScopedFile sw("C:\\ovt_wreport.log", "");
    CWideLog log;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    log.Start(TEXT("ovt_wreport"), &kernel, 1);
    const std::string text = ReadFileText(sw.path());
    for (const char* piece : {"WARNING [init_log] \n\nSTART LOGFILE", "[init_log] Path:", "[init_log] p name:",
                              " (Build ", "[init_log] Microsoft Internet Explorer",
                              " MB RAM", "kernel32.dll", "[init_log] product name:", "[init_log] date: "})
        EXPECT_NE(std::string::npos, text.find(piece)) << piece << "\n" << text;
}

TEST(WideLog, FirstFixedDriveInDriveOrderWins)
{
    ASSERT_TRUE(DriveIsFixed("C:\\") && DriveIsFixed("D:\\")) << "the test bench provides fixed drives C: and D:";
    {
        ScopedFile onC("C:\\ovt_wdrive.log", "1"), onD("D:\\ovt_wdrive.log", "2");
        CWideLog log;
        log.Start(TEXT("ovt_wdrive"), nullptr, 0);
        EXPECT_EQ(1, log.Level());
        EXPECT_STREQ(TEXT("C:\\ovt_wdrive.log"), log.Path());
    }
    ScopedFile onlyD("D:\\ovt_wdrive.log", "2");
    CWideLog log;
    log.Start(TEXT("ovt_wdrive"), nullptr, 0);
    EXPECT_EQ(2, log.Level());
    EXPECT_STREQ(TEXT("D:\\ovt_wdrive.log"), log.Path());
}

TEST(WideLog, WithoutSwitchFileItStaysOffAndStartsOnlyOnce)
{
    ScopedRemoval none("C:\\ovt_wnone.log");
    CWideLog log;
    log.Start(TEXT("ovt_wnone"), nullptr, 0);
    EXPECT_EQ(LOG_OFF, log.Level());

    // The path now holds the last name tried: a switch file that appears later is not seen.
    ScopedFile late("C:\\ovt_wnone.log", "3");
    log.Start(TEXT("ovt_wnone"), nullptr, 0);
    EXPECT_EQ(LOG_OFF, log.Level());
    log.Write(LOG_ERROR, "t", "never");
    EXPECT_EQ("3", ReadFileText(late.path()));
}

TEST(WideLog, LastErrorIsKeptAndNothingIsFormattedWhileOff)
{
    CWideLog off;
    SetLastError(1330);
    // A bad %s argument would crash if the line were formatted.
    off.Write(LOG_ERROR, "t", "%s", reinterpret_cast<const char*>(1));
    off.Trace("t", 0, reinterpret_cast<const char*>(1), 0);
    EXPECT_EQ(1330u, GetLastError());

    ScopedFile sw("C:\\ovt_werror.log", "3");
    CWideLog on;
    on.Start(TEXT("ovt_werror"), nullptr, 0);
    SetLastError(1907);
    on.Write(LOG_TRACE, "t", "line");
    on.Write(LOG_TRACE, L"t", L"line");
    EXPECT_EQ(1907u, GetLastError());
}

TEST(WideLog, OverlongLinesAreCutNotOverflowed)
{
    ScopedFile sw("C:\\ovt_wlong.log", "3");
    CWideLog log;
    log.Start(TEXT("ovt_wlong"), nullptr, 0);
    const std::string big(10000, 'a');
    const std::wstring bigW(10000, L'b');
    log.Write(LOG_TRACE, "t", "%s", big.c_str());
    log.Write(LOG_TRACE, L"t", L"%s", bigW.c_str());
    const std::string text = ReadFileText(sw.path());
    const size_t as = std::count(text.begin(), text.end(), 'a');
    const size_t bs = std::count(text.begin(), text.end(), 'b');
    EXPECT_GT(as, 2000u);
    EXPECT_LE(as, 2175u);
    EXPECT_GT(bs, 4000u);
    EXPECT_LE(bs, 4351u);
}

TEST(ShortLog, SwitchFileContentSetsTheLevel)
{
    struct Case { const char* content; int level; } cases[] = {{"", 3}, {"0", 0}, {"x", 3}, {"5", 5}, {"9", 9}};
    for (const Case& c : cases) {
        ScopedFile sw("C:\\OV_ovt_slevel.log", c.content);
        CShortLog log;
        EXPECT_EQ(1, log.Start("ovt_slevel", nullptr)) << "a switch file was found";
        EXPECT_EQ(c.level, log.Level()) << "'" << c.content << "'";
        if (c.level == 0) {
            EXPECT_EQ("0", ReadFileText(sw.path())) << "nothing written while off";
        }
    }
    ScopedRemoval none("C:\\OV_ovt_snone.log");
    CShortLog log;
    EXPECT_EQ(0, log.Start("ovt_snone", nullptr));
    EXPECT_EQ(0, log.Start("ovt_snone", nullptr));
}

TEST(ShortLog, LevelFiveWritesAllMarksInTheShortLineFormat)
{
    ScopedFile sw("C:\\OV_ovt_sfive.log", "5");
    CShortLog log;
    ASSERT_EQ(1, log.Start("ovt_sfive", GetModuleHandleA("kernel32.dll")));
    for (int level = 1; level <= 5; ++level) log.Write(level, "CSmartKey::Poll", "level %d", level);
    log.Trace("run_user_script", 0x20, "start", 1);
    const std::string text = ReadFileText(sw.path());
    EXPECT_NE(std::string::npos, text.find("Start logfile ============================================\n"
                                           "   Product: "))
        << text;
    EXPECT_NE(std::string::npos, text.find("   Module: ")) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(   Date: \d\d\.\d\d\.\d{4})"))) << text;
    const char* marks[] = {"E ", "W ", "T ", "P ", "I "};
    for (int level = 1; level <= 5; ++level) {
        const std::string pattern = std::string(R"(\n\[[ \d]\d:[ \d]\d : [ \d]\d:[ \d]{2}\d\] )") + marks[level - 1] +
                                    R"( \[ {15}CSmartKey::Poll\] level )" + std::to_string(level);
        EXPECT_TRUE(std::regex_search(text, std::regex(pattern))) << pattern << "\n" << text;
    }
    EXPECT_NE(std::string::npos, text.find("T  [                              ] run_user_script start  20 1"));
}

TEST(ShortLog, RecreatesADeletedFileAndKeepsLastError)
{
    ScopedFile sw("C:\\OV_ovt_srecreate.log", "3");
    CShortLog log;
    ASSERT_EQ(1, log.Start("ovt_srecreate", nullptr));
    DeleteFileA(sw.path().c_str());
    SetLastError(5);
    log.Write(LOG_ERROR, "t", "after delete");
    EXPECT_EQ(5u, GetLastError());
    EXPECT_NE(std::string::npos, ReadFileText(sw.path()).find("after delete"));
}

TEST(ShortLog, FirstFixedDriveWins)
{
    ScopedFile onC("C:\\OV_ovt_sdrive.log", "4"), onD("D:\\OV_ovt_sdrive.log", "5");
    CShortLog log;
    ASSERT_EQ(1, log.Start("ovt_sdrive", nullptr));
    EXPECT_EQ(4, log.Level());
    EXPECT_STREQ("C:\\OV_ovt_sdrive.log", log.Path());
}
