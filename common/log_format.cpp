#include "log_format.h"

#include <cstdio>

int WideLogLevelFromSwitch(size_t bytesRead, char first)
{
    int level = 0;
    if (bytesRead == 1 && first >= '0' && first <= '9') level = first - '0';
    if (bytesRead != 1 || level == 0 || level > LOG_TRACE) level = LOG_TRACE;
    return level;
}

int ShortLogLevelFromSwitch(size_t bytesRead, char first)
{
    if (bytesRead == 0) return LOG_TRACE;
    int level = first - '0';
    return (level < 0 || level > 9) ? LOG_TRACE : level;
}

const char* WideLevelMark(int level)
{
    switch (level) {
    case LOG_ERROR: return "ERROR  ";
    case LOG_WARNING: return "WARNING";
    case LOG_TRACE: return "TRACE  ";
    default: return "";
    }
}

const char* ShortLevelMark(int level)
{
    static const char* const marks[] = {"", "E ", "W ", "T ", "P ", "I "};
    return (level >= 1 && level <= 5) ? marks[level] : "";
}

std::string FormatFileVersion(unsigned ms, unsigned ls)
{
    const unsigned major = ms >> 16, minor = ms & 0xFFFF;
    const unsigned lsHigh = ls >> 16, lsLow = ls & 0xFFFF;
    char text[64];
    int n = std::snprintf(text, sizeof text, "%u.%s%u", major, minor < 10 ? "0" : "", minor);
    if (lsLow != 0)
        std::snprintf(text + n, sizeof text - n, ".%u.%u", lsHigh, lsLow);
    else if (lsHigh != 0)
        std::snprintf(text + n, sizeof text - n, ".%u", lsHigh);
    return text;
}

const char* WindowsShortName(int versionClass)
{
    static const char* const names[] = {"Unknown", "Windows 95", "Windows 98", "Windows ME",
                                        "Windows NT", "Windows 2000", "Windows XP", "Windows 2003"};
    return (versionClass >= 1 && versionClass <= 7) ? names[versionClass] : "Unknown";
}
