// Environment variables set for one test and restored afterwards: the fixture GINA reads
// its behaviour from them, and child processes inherit them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const wchar_t* name, const std::wstring& value);

private:
    struct Saved {
        std::wstring name;
        bool existed;
        std::wstring value;
    };
    std::vector<Saved> saved_;
};
