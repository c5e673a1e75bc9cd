// Wide log writer of the GINA ("ov_ln1") and the panel ("logon").
#include "log.h"

#include <cstdio>

#include "env_report.h"
#include "log_file.h"
#include "module_version.h"

CWideLog g_log;

namespace {
const int kAnsiLineChars = 2175;
const int kWideLineChars = 4351;

}  // namespace

void CWideLog::Start(const TCHAR* logName, const HMODULE* modules, int count)
{
    if (lstrlen(path_) > 5) return;
    LastErrorKeeper keep;
    level_ = LOG_OFF;

    TCHAR drives[512] = {};
    DWORD length = GetLogicalDriveStrings(ARRAYSIZE(drives) - 1, drives);
    if (length == 0 || length >= ARRAYSIZE(drives)) return;
    for (const TCHAR* root = drives; *root; root += lstrlen(root) + 1) {
        if (GetDriveType(root) != DRIVE_FIXED) continue;
        _sntprintf(path_, MAX_PATH, _T("%s%s.log"), root, logName);
        HANDLE file = CreateFile(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        char first = 0;
        DWORD read = 0;
        if (!ReadFile(file, &first, 1, &read, nullptr)) read = 0;
        CloseHandle(file);
        level_ = WideLogLevelFromSwitch(read, first);
        WriteReport(modules, count);
        return;
    }
}

void CWideLog::WriteReport(const HMODULE* modules, int count)
{
    const TCHAR* const kName = _T("init_log");
    Write(LOG_WARNING, kName, _T("\n\nSTART LOGFILE"));

    CModuleVersion process;
    QueryModuleVersion(nullptr, nullptr, &process);
    Write(LOG_WARNING, kName, _T("Path:%s"), process.path);
    Write(LOG_WARNING, kName, _T("version:%s"), process.fileVersion);
    Write(LOG_WARNING, kName, _T("p version:%s"), process.productVersion);
    Write(LOG_WARNING, kName, _T("p name:%s"), process.productName);

    const EnvironmentReport env = CollectEnvironmentReport();
    for (const std::string* piece : {&env.windows, &env.language, &env.internetExplorer, &env.processor,
                                     &env.memory})
        Write(LOG_WARNING, "init_log", "%s", piece->c_str());

    for (int i = 0; i < count; ++i) {
        CModuleVersion module;
        QueryModuleVersion(modules[i], nullptr, &module);
        Write(LOG_WARNING, kName, _T("Path:%s"), module.path);
        Write(LOG_WARNING, kName, _T("version:%s"), module.fileVersion);
        Write(LOG_WARNING, kName, _T("product version:%s"), module.productVersion);
        Write(LOG_WARNING, kName, _T("product name:%s"), module.productName);
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    Write(LOG_WARNING, kName, _T("date: %d %d %d"), now.wYear, now.wMonth, now.wDay);
}

void CWideLog::Write(int level, const char* name, const char* format, ...)
{
    if (!Enabled(level)) return;
    va_list args;
    va_start(args, format);
    WriteV(level, name, format, args);
    va_end(args);
}

void CWideLog::Write(int level, const wchar_t* name, const wchar_t* format, ...)
{
    if (!Enabled(level)) return;
    va_list args;
    va_start(args, format);
    WriteV(level, name, format, args);
    va_end(args);
}

void CWideLog::WriteV(int level, const char* name, const char* format, va_list args)
{
    if (!Enabled(level)) return;
    LastErrorKeeper keep;
    SYSTEMTIME t;
    GetSystemTime(&t);
    char line[kAnsiLineChars + 1];
    int n = _snprintf(line, kAnsiLineChars, "\r\n[%2d:%2d:%2d:%3d] %s [%s] ", t.wHour, t.wMinute,
                      t.wSecond, t.wMilliseconds, WideLevelMark(level), name ? name : "");
    if (n < 0) n = kAnsiLineChars;
    int m = _vsnprintf(line + n, kAnsiLineChars - n, format, args);
    n = (m < 0) ? kAnsiLineChars : n + m;
    line[n] = '\0';
    AppendLogLine(path_, line, n, false);
}

void CWideLog::WriteV(int level, const wchar_t* name, const wchar_t* format, va_list args)
{
    if (!Enabled(level)) return;
    LastErrorKeeper keep;
    SYSTEMTIME t;
    GetSystemTime(&t);
    wchar_t line[kWideLineChars + 1];
    wchar_t mark[16];
    MultiByteToWideChar(CP_ACP, 0, WideLevelMark(level), -1, mark, ARRAYSIZE(mark));
    int n = _snwprintf(line, kWideLineChars, L"\r\n[%2d:%2d:%2d:%3d] %s [%s] ", t.wHour, t.wMinute,
                       t.wSecond, t.wMilliseconds, mark, name ? name : L"");
    if (n < 0) n = kWideLineChars;
    int m = _vsnwprintf(line + n, kWideLineChars - n, format, args);
    n = (m < 0) ? kWideLineChars : n + m;
    line[n] = L'\0';
    char ansi[kWideLineChars * 2 + 1];  // a DBCS code page needs up to two bytes a character
    int bytes = WideCharToMultiByte(CP_ACP, 0, line, n, ansi, sizeof ansi - 1, nullptr, nullptr);
    if (bytes > 0) AppendLogLine(path_, ansi, bytes, false);
}

void CWideLog::Trace(const char* text, DWORD a, const char* text2, DWORD b)
{
    if (!Enabled(LOG_TRACE)) return;
    if (text2)
        Write(LOG_TRACE, "", "%s %s  %X %X", text ? text : "", text2, a, b);
    else
        Write(LOG_TRACE, "", "%s %X", text ? text : "", a);
}

void CWideLog::Trace(const wchar_t* text, DWORD a, const wchar_t* text2, DWORD b)
{
    if (!Enabled(LOG_TRACE)) return;
    char ansi1[101] = {}, ansi2[101] = {};
    if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, ansi1, 100, nullptr, nullptr);
    if (text2) WideCharToMultiByte(CP_ACP, 0, text2, -1, ansi2, 100, nullptr, nullptr);
    Trace(ansi1, a, text2 ? ansi2 : nullptr, b);
}
