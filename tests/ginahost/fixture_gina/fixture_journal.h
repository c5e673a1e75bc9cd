// What the fixture GINA saw and did, one line per event, as the GINA itself observed it
// (independent of the host's trace). Tests read it through the exported FixtureReadJournal.
#pragma once
#include <windows.h>

#include <string>

void JournalClear();
void Journal(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string JournalUtf8(const wchar_t* text);  // "(null)" for NULL

// Copies the journal (lines ending in '\n') into `buffer`; returns the size it needs.
extern "C" DWORD WINAPI FixtureReadJournal(char* buffer, DWORD size);
