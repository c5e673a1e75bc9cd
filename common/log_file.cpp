#include "log_file.h"

namespace {
HANDLE OpenLog(const char* path, DWORD disposition)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenLog(const wchar_t* path, DWORD disposition)
{
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

template <typename Char>
DWORD Append(const Char* path, const char* line, int length, bool create)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 50; ++attempt) {
        file = OpenLog(path, create ? OPEN_ALWAYS : OPEN_EXISTING);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(2);
    }
    if (file == INVALID_HANDLE_VALUE) return 0;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    DWORD error = WriteFile(file, line, length, &written, nullptr) ? 0 : GetLastError();
    CloseHandle(file);
    return error;
}
}  // namespace

DWORD AppendLogLine(const char* path, const char* line, int length, bool create)
{
    return Append(path, line, length, create);
}

DWORD AppendLogLine(const wchar_t* path, const char* line, int length, bool create)
{
    return Append(path, line, length, create);
}
