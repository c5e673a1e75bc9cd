// File side of the diagnostic log, shared by both writers.
#pragma once
#include <windows.h>

// Appends one line: opens the file (creating it only when `create`), moves to its end,
// writes and closes. A writer in another thread or process holds the file for one line
// only, so a sharing violation is retried briefly instead of losing the line.
// Returns the WriteFile error, or 0.
DWORD AppendLogLine(const char* path, const char* line, int length, bool create);
DWORD AppendLogLine(const wchar_t* path, const char* line, int length, bool create);

// Keeps the caller's last-error value across a log call.
class LastErrorKeeper {
public:
    LastErrorKeeper() : saved_(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(saved_); }
    void Replace(DWORD error) { saved_ = error; }

private:
    DWORD saved_;
};
