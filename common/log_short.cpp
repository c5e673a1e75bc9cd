// Short log writer of Postlog ("Postlog") and the 9x providers ("ln2", "ln3").
#include <cstdio>

#include "log.h"
#include "log_file.h"
#include "module_version.h"
#include "windows_version.h"

CShortLog g_shortLog;

namespace {
const int kLineBytes = 512;
}

int CShortLog::Start(const char* logName, HMODULE module)
{
    if (lstrlenA(path_) >= 6) return 0;
    LastErrorKeeper keep;
    level_ = LOG_OFF;

    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (!(drives & (1u << letter))) continue;
        char root[4] = {char('A' + letter), ':', '\\', '\0'};
        if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
        _snprintf(path_, MAX_PATH, "%sOV_%s.log", root, logName);
        HANDLE file = CreateFileA(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        char first = 0;
        DWORD read = 0;
        if (!ReadFile(file, &first, 1, &read, nullptr)) read = 0;
        CloseHandle(file);
        level_ = ShortLogLevelFromSwitch(read, first);

        CModuleVersionA version;
        QueryModuleVersionA(module, nullptr, &version);
        SYSTEMTIME today;
        GetLocalTime(&today);
        Write(LOG_ERROR, "",
              "Start logfile ============================================\n"
              "   Product: %s, Ver: %s\n   Module: %s, Ver: %s\n   OS: %s\n   Date: %02d.%02d.%02d",
              version.productName, version.productVersion, version.path, version.fileVersion,
              WindowsShortName(GetWindowsVersionClass(VersionClassTable::Short)), today.wDay,
              today.wMonth, today.wYear);
        return 1;
    }
    return 0;  // the path keeps the last name tried, so the search runs only once
}

void CShortLog::Write(int level, const char* name, const char* format, ...)
{
    if (!Enabled(level)) return;
    va_list args;
    va_start(args, format);
    WriteV(level, name, format, args);
    va_end(args);
}

void CShortLog::WriteV(int level, const char* name, const char* format, va_list args)
{
    if (!Enabled(level)) return;
    LastErrorKeeper keep;
    SYSTEMTIME t;
    GetLocalTime(&t);
    char line[kLineBytes + 1];
    int n = _snprintf(line, kLineBytes, "\n[%2d:%2d : %2d:%3d] %s [%30s] ", t.wHour, t.wMinute,
                      t.wSecond, t.wMilliseconds, ShortLevelMark(level), name ? name : "");
    if (n < 0) n = kLineBytes;
    int m = _vsnprintf(line + n, kLineBytes - n, format, args);
    n = (m < 0) ? kLineBytes : n + m;
    line[n] = '\0';
    if (DWORD error = AppendLogLine(path_, line, n, true)) keep.Replace(error);
}

void CShortLog::Trace(const char* text, DWORD a, const char* text2, DWORD b)
{
    if (!Enabled(LOG_TRACE)) return;
    if (text2)
        Write(LOG_TRACE, "", "%s %s  %X %X", text ? text : "", text2, a, b);
    else
        Write(LOG_TRACE, "", "%s %X", text ? text : "", a);
}
