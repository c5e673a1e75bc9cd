#include "fixture_config.h"

#include <winwlx.h>

#include <cwchar>
#include <vector>

namespace {
std::vector<std::wstring> SplitList(const std::wstring& text)
{
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(L',', start);
        if (comma == std::wstring::npos) comma = text.size();
        if (comma > start) items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

const struct {
    const wchar_t* name;
    int action;
} kActions[] = {
    {L"LOGON", WLX_SAS_ACTION_LOGON},
    {L"NONE", WLX_SAS_ACTION_NONE},
    {L"LOCK_WKSTA", WLX_SAS_ACTION_LOCK_WKSTA},
    {L"LOGOFF", WLX_SAS_ACTION_LOGOFF},
    {L"SHUTDOWN", WLX_SAS_ACTION_SHUTDOWN},
    {L"PWD_CHANGED", WLX_SAS_ACTION_PWD_CHANGED},
    {L"TASKLIST", WLX_SAS_ACTION_TASKLIST},
    {L"UNLOCK_WKSTA", WLX_SAS_ACTION_UNLOCK_WKSTA},
    {L"FORCE_LOGOFF", WLX_SAS_ACTION_FORCE_LOGOFF},
    {L"SHUTDOWN_POWER_OFF", WLX_SAS_ACTION_SHUTDOWN_POWER_OFF},
    {L"SHUTDOWN_REBOOT", WLX_SAS_ACTION_SHUTDOWN_REBOOT},
    {L"SHUTDOWN_SLEEP", WLX_SAS_ACTION_SHUTDOWN_SLEEP},
};
}  // namespace

std::wstring FixtureSetting(const wchar_t* name, const wchar_t* fallback)
{
    wchar_t value[512];
    DWORD length = GetEnvironmentVariableW(name, value, 512);
    return length && length < 512 ? std::wstring(value) : std::wstring(fallback);
}

bool FixtureFlag(const wchar_t* name, bool fallback)
{
    std::wstring value = FixtureSetting(name);
    return value.empty() ? fallback : value != L"0";
}

DWORD FixtureNumber(const wchar_t* name, DWORD fallback)
{
    std::wstring value = FixtureSetting(name);
    return value.empty() ? fallback : std::wcstoul(value.c_str(), nullptr, 0);
}

bool FixtureListContains(const wchar_t* name, DWORD value)
{
    for (const std::wstring& item : SplitList(FixtureSetting(name)))
        if (std::wcstoul(item.c_str(), nullptr, 0) == value) return true;
    return false;
}

int FixtureAction(const wchar_t* name, const wchar_t* fallback, unsigned callIndex)
{
    std::vector<std::wstring> actions = SplitList(FixtureSetting(name, fallback));
    if (actions.empty()) actions.push_back(fallback);
    const std::wstring& chosen = actions[callIndex < actions.size() ? callIndex : actions.size() - 1];
    for (const auto& known : kActions)
        if (chosen == known.name) return known.action;
    return (int)std::wcstoul(chosen.c_str(), nullptr, 0);
}
