#include "key_log.h"

#include <cstdarg>
#include <cstdio>

#include "smart_key.h"

void KeyLog(int level, const char* name, const char* format, ...)
{
    const bool wide = g_log.Enabled(level);
    const bool shortLog = g_monitorLog && g_monitorLog->Enabled(level);
    if (!wide && !shortLog) return;
    const DWORD error = GetLastError();
    char line[1024];
    va_list args;
    va_start(args, format);
    _vsnprintf(line, sizeof line, format, args);
    va_end(args);
    line[sizeof line - 1] = 0;
    if (wide) g_log.Write(level, name, "%s", line);
    if (shortLog) g_monitorLog->Write(level, name, "%s", line);
    SetLastError(error);
}
