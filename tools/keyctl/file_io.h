// Whole-file reads and writes for keyctl's data and key files.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A Windows error, 0 on success.
DWORD ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
// Creates or (with `replace`) overwrites; ERROR_FILE_EXISTS when in the way.
DWORD WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, bool replace);
bool PathExists(const std::string& path);
