#include "scoped_environment.h"

ScopedEnvironment::~ScopedEnvironment()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
        SetEnvironmentVariableW(it->name.c_str(), it->existed ? it->value.c_str() : nullptr);
}

void ScopedEnvironment::Set(const wchar_t* name, const std::wstring& value)
{
    wchar_t old[1024];
    DWORD length = GetEnvironmentVariableW(name, old, 1024);
    saved_.push_back({name, length > 0 && length < 1024, length && length < 1024 ? old : L""});
    SetEnvironmentVariableW(name, value.c_str());
}
