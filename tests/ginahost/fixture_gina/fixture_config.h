// The fixture's behaviour, read from environment variables (fixture_ids.h) at each call.
#pragma once
#include <windows.h>

#include <string>

std::wstring FixtureSetting(const wchar_t* name, const wchar_t* fallback = L"");
bool FixtureFlag(const wchar_t* name, bool fallback);
DWORD FixtureNumber(const wchar_t* name, DWORD fallback);
bool FixtureListContains(const wchar_t* name, DWORD value);

// The next action of a list such as "LOCK_WKSTA,LOGOFF": entry `callIndex`, the last one
// repeating once the list is used up.
int FixtureAction(const wchar_t* name, const wchar_t* fallback, unsigned callIndex);
