// Test fixtures that clean up after themselves, so no test depends on another's
// registry or file leftovers.
#pragma once
#include <windows.h>

#include <string>

// A file with the given bytes, deleted again at scope end.
class ScopedFile {
public:
    ScopedFile(std::string path, const std::string& content);
    ~ScopedFile();
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Deletes a file now and again at scope end (for files the code under test creates).
class ScopedRemoval {
public:
    explicit ScopedRemoval(std::string path);
    ~ScopedRemoval();

private:
    std::string path_;
};

// Sets (or deletes, with `remove`) a registry value and restores the old state at scope end.
class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, std::wstring key, std::wstring name, const std::wstring& text);
    ScopedRegValue(HKEY root, std::wstring key, std::wstring name);  // makes sure it is absent
    ~ScopedRegValue();
    ScopedRegValue(const ScopedRegValue&) = delete;
    ScopedRegValue& operator=(const ScopedRegValue&) = delete;

private:
    void Save();
    HKEY root_;
    std::wstring key_, name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::string data_;
};

std::string ReadFileText(const std::string& path);
bool FileExists(const std::string& path);
bool RegValueExists(HKEY root, const std::wstring& key, const std::wstring& name);

// Directory of the running test executable, with a trailing backslash.
std::string ExeDir();
std::wstring ExeDirW();
