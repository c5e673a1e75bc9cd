// Pure pieces of the diagnostic log: switch-file levels, level marks, version-number
// text and the short Windows names. Portable, no Windows headers.
#pragma once
#include <cstddef>
#include <string>

enum LogLevel {
    LOG_OFF = 0,
    LOG_ERROR = 1,
    LOG_WARNING = 2,
    LOG_TRACE = 3,
    LOG_PERF = 4,
    LOG_INFO = 5,
};

// Level of the wide log (GINA, panel) from the switch file's first byte.
// bytesRead is 0 for an empty file. The wide log knows levels 1 to 3 only.
int WideLogLevelFromSwitch(size_t bytesRead, char first);

// Level of the short log (Postlog, 9x providers); 0 ("0" in the file) keeps it off.
int ShortLogLevelFromSwitch(size_t bytesRead, char first);

const char* WideLevelMark(int level);   // "ERROR  ", "WARNING", "TRACE  ", ""
const char* ShortLevelMark(int level);  // "E ", "W ", "T ", "P ", "I "

// Numeric file version as the product reports it: 2.5.0.0 -> "2.05",
// 2.22.0.5 -> "2.22.0.5", 2.22.3.0 -> "2.22.3".
std::string FormatFileVersion(unsigned fileVersionMS, unsigned fileVersionLS);

// "Windows 95" ... "Windows 2003", "Unknown" for any other class.
const char* WindowsShortName(int versionClass);
