// The key file on disk: looking at it cheaply, reading it, replacing it atomically, and
// the cross-process lock that serialises its writers.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// One version of the key file. An atomic replace makes a new file, so the file index
// changes even when size and times (2 s apart on FAT) do not.
struct FileStamp {
    DWORD sizeLow = 0, sizeHigh = 0;
    FILETIME written = {}, created = {};
    DWORD indexLow = 0, indexHigh = 0;  // zero where the file system has no index

    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

enum class KeyPresence {
    Present,
    Absent,      // no key file (for a drive reader also: no drive, no medium)
    ReaderGone,  // the reader folder itself is missing
    Unreadable,  // the file exists but cannot be opened or read (error in `error`)
};

// Stamps the key file without reading its contents (one open, three queries).
KeyPresence StampKeyFile(const std::string& path, bool driveReader, FileStamp& stamp, DWORD& error);

// Reads the whole key file and the stamp of exactly the version read.
KeyPresence ReadKeyFile(const std::string& path, bool driveReader, std::vector<uint8_t>& bytes, FileStamp& stamp,
                        DWORD& error);

// Replaces the key file atomically: writes "<path>.tmp", flushes it, and renames it over
// the key (MoveFileEx REPLACE_EXISTING | WRITE_THROUGH), so an interruption leaves the old
// or the new key. A leftover temporary file is overwritten by the next write. Returns a
// Windows error, 0 on success.
DWORD ReplaceKeyFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Holds the writer lock of one key file, a named mutex made from the file's full path in
// lower case, so every process writing that key (Winlogon, the panel, keyctl) takes turns.
// A mutex abandoned by a killed process counts as taken: the file is never torn anyway.
class KeyFileLock {
public:
    explicit KeyFileLock(const std::string& path);
    ~KeyFileLock();
    KeyFileLock(const KeyFileLock&) = delete;
    KeyFileLock& operator=(const KeyFileLock&) = delete;
    DWORD Error() const { return error_; }  // 0 when held

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
    DWORD error_ = 0;
};

// The mutex name for a key file: "Global\\OstrelKeyFile." and a hash of the path.
std::string KeyFileLockName(const std::string& path);
