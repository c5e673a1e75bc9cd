// A process-local lock (CRITICAL_SECTION) and its scope guard: plain Win32, so the library
// needs no thread runtime and runs on every Windows it targets.
#pragma once
#include <windows.h>

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class Locked {
public:
    explicit Locked(CriticalSection& section) : section_(section) { section_.Enter(); }
    ~Locked() { section_.Leave(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CriticalSection& section_;
};
