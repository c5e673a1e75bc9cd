#include "file_io.h"

DWORD ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD error = 0;
    uint8_t chunk[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &read, nullptr)) {
            error = GetLastError();
            break;
        }
        if (read == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
    CloseHandle(file);
    return error;
}

DWORD WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, bool replace)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD written = 0;
    const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                                      written == bytes.size());
    const DWORD error = ok ? 0 : GetLastError();
    CloseHandle(file);
    return error;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
