// Diagnostic log. Off unless a switch file exists in the root of a fixed drive; its
// first character sets the level. Every line opens, appends to and closes the file, so
// lines of several threads and processes interleave whole. The log never reports its
// own failures and never changes the caller's last-error value.
//
// Two variants:
//  - wide (GINA "ov_ln1", panel "logon"): switch "<root><name>.log", UTC time,
//    line "\r\n[%2d:%2d:%2d:%3d] %s [%s] " + message, levels 1..3;
//  - short (Postlog, "ln2", "ln3"): switch "<root>OV_<name>.log", local time,
//    line "\n[%2d:%2d : %2d:%3d] %s [%30s] " + message, levels 1..9.
#pragma once
#include <windows.h>
#include <tchar.h>

#include "log_format.h"

class CWideLog {
public:
    // Finds the switch file and writes the start report for the process and `modules`.
    // Runs once: a second call (the path already set) does nothing.
    void Start(const TCHAR* logName, const HMODULE* modules, int count);

    // One line in an ANSI and a UTF-16 form (the UTF-16 line is written as ANSI).
    void Write(int level, const char* name, const char* format, ...);
    void Write(int level, const wchar_t* name, const wchar_t* format, ...);
    void WriteV(int level, const char* name, const char* format, va_list args);
    void WriteV(int level, const wchar_t* name, const wchar_t* format, va_list args);

    // Level 3, empty name: "%s %s  %X %X" (text, text2, a, b) with text2, else "%s %X".
    // The UTF-16 form converts each text to at most 100 ANSI bytes first.
    void Trace(const char* text, DWORD a, const char* text2 = nullptr, DWORD b = 0);
    void Trace(const wchar_t* text, DWORD a, const wchar_t* text2 = nullptr, DWORD b = 0);

    bool Enabled(int level) const { return level >= 1 && level <= level_; }
    int Level() const { return level_; }
    const TCHAR* Path() const { return path_; }

private:
    void WriteReport(const HMODULE* modules, int count);

    TCHAR path_[MAX_PATH + 1] = {};
    int level_ = LOG_OFF;
};

class CShortLog {
public:
    // Finds the switch file and writes the header. Returns 1 when a switch file was
    // found (also one starting with "0", which leaves the log off), else 0.
    int Start(const char* logName, HMODULE module);

    void Write(int level, const char* name, const char* format, ...);
    void WriteV(int level, const char* name, const char* format, va_list args);
    void Trace(const char* text, DWORD a, const char* text2 = nullptr, DWORD b = 0);

    bool Enabled(int level) const { return level >= 1 && level <= level_; }
    int Level() const { return level_; }
    const char* Path() const { return path_; }

private:
    char path_[MAX_PATH + 1] = {};
    int level_ = LOG_OFF;
};

// The module's writers. The GINA and the panel write through g_log; Postlog and the
// 9x providers through g_shortLog.
extern CWideLog g_log;
extern CShortLog g_shortLog;
