// The library's machine-wide settings, under HKLM\SOFTWARE\Ostrel\KeyApi (the 64-bit view
// also from a 32-bit process on 64-bit Windows, so both see one configuration):
//   ReadersPath  REG_SZ / REG_EXPAND_SZ  folder whose subfolders are the key readers;
//                default "<common application data>\Ostrel\Key readers"
//   DefaultPUK   REG_SZ  unblock code FormatCard gives new keys; absent: no unblock code
#pragma once
#include <string>

extern const char kSettingsKey[];  // "SOFTWARE\\Ostrel\\KeyApi"

// The readers folder, without a trailing backslash.
std::string ReadersFolder();

// The unblock code for keys made by FormatCard; empty when none is configured.
std::string DefaultPuk();
