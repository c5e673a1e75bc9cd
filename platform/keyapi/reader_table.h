// The library's process-wide state: the open reader handles, and the reader names
// EnumReaders has handed out (kept until unload, as callers hold on to them).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "reader_object.h"

// Use of one handle for one call: the reader stays alive and its lock is held meanwhile.
class ReaderUse {
public:
    explicit ReaderUse(void* handle);
    ~ReaderUse();
    ReaderUse(const ReaderUse&) = delete;
    ReaderUse& operator=(const ReaderUse&) = delete;
    explicit operator bool() const { return reader_ != nullptr; }
    ReaderObject* operator->() const { return reader_; }

private:
    ReaderObject* reader_;
};

// Scans the readers; the name of reader `index`, or nullptr past the last.
const char* ReaderNameAt(int index, bool scanAgain);

// A new handle for the reader of that name (case-insensitive, after a new scan), or
// nullptr with `error`.
void* OpenReaderHandle(const char* name, DWORD& error);

// Invalidates the handle; the reader goes when its last call returns.
bool CloseReaderHandle(void* handle);

// True once after the scanned reader names differ from the last call's.
bool ReaderSetChanged();

// Ends the connections of all open handles (only the kept ones unless `all`).
void EndConnections(bool all);

// Frees every reader, wiping their secrets (on FreeLibrary).
void FreeAllReaders();
