#include "scoped.h"

#include <fstream>
#include <sstream>

ScopedFile::ScopedFile(std::string path, const std::string& content) : path_(std::move(path))
{
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << content;
}

ScopedFile::~ScopedFile() { DeleteFileA(path_.c_str()); }

ScopedRemoval::ScopedRemoval(std::string path) : path_(std::move(path)) { DeleteFileA(path_.c_str()); }
ScopedRemoval::~ScopedRemoval() { DeleteFileA(path_.c_str()); }

ScopedRegValue::ScopedRegValue(HKEY root, std::wstring key, std::wstring name, const std::wstring& text)
    : root_(root), key_(std::move(key)), name_(std::move(name))
{
    Save();
    HKEY k;
    if (RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(k, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       DWORD((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
    }
}

ScopedRegValue::ScopedRegValue(HKEY root, std::wstring key, std::wstring name)
    : root_(root), key_(std::move(key)), name_(std::move(name))
{
    Save();
    HKEY k;
    if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
        RegDeleteValueW(k, name_.c_str());
        RegCloseKey(k);
    }
}

void ScopedRegValue::Save()
{
    HKEY k;
    if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExW(k, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = RegQueryValueExW(k, name_.c_str(), nullptr, &type_, reinterpret_cast<BYTE*>(&data_[0]),
                                    &size) == ERROR_SUCCESS;
    }
    RegCloseKey(k);
}

ScopedRegValue::~ScopedRegValue()
{
    HKEY k;
    if (RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    if (existed_)
        RegSetValueExW(k, name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(data_.data()), DWORD(data_.size()));
    else
        RegDeleteValueW(k, name_.c_str());
    RegCloseKey(k);
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool RegValueExists(HKEY root, const std::wstring& key, const std::wstring& name)
{
    HKEY k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
    bool exists = RegQueryValueExW(k, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(k);
    return exists;
}

std::string ExeDir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::wstring ExeDirW()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\') + 1);
}
