#include "fixture_journal.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex g_mutex;
std::string g_journal;
}  // namespace

void JournalClear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_journal.clear();
}

void Journal(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_journal += line;
    g_journal += '\n';
}

std::string JournalUtf8(const wchar_t* text)
{
    if (!text) return "(null)";
    char buffer[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

extern "C" DWORD WINAPI FixtureReadJournal(char* buffer, DWORD size)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    DWORD needed = (DWORD)g_journal.size() + 1;
    if (buffer && size >= needed) CopyMemory(buffer, g_journal.c_str(), needed);
    return needed;
}
