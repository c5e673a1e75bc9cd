#include "wlx_names.h"

#include <winwlx.h>

#include "text_format.h"

namespace {
struct Name {
    long value;
    const char* text;
};

const char* Find(const Name* names, size_t count, long value)
{
    for (size_t i = 0; i < count; ++i)
        if (names[i].value == value) return names[i].text;
    return nullptr;
}

#define NAME(x) {x, #x}
const Name kSasTypes[] = {
    {WLX_SAS_TYPE_TIMEOUT, "TIMEOUT"},
    {WLX_SAS_TYPE_CTRL_ALT_DEL, "CTRL_ALT_DEL"},
    {WLX_SAS_TYPE_SCRNSVR_TIMEOUT, "SCRNSVR_TIMEOUT"},
    {WLX_SAS_TYPE_SCRNSVR_ACTIVITY, "SCRNSVR_ACTIVITY"},
    {WLX_SAS_TYPE_USER_LOGOFF, "USER_LOGOFF"},
    {WLX_SAS_TYPE_SC_INSERT, "SC_INSERT"},
    {WLX_SAS_TYPE_SC_REMOVE, "SC_REMOVE"},
    {WLX_SAS_TYPE_AUTHENTICATED, "AUTHENTICATED"},
    {WLX_SAS_TYPE_SC_FIRST_READER_ARRIVED, "SC_FIRST_READER_ARRIVED"},
    {WLX_SAS_TYPE_SC_LAST_READER_REMOVED, "SC_LAST_READER_REMOVED"},
    {WLX_SAS_TYPE_SWITCHUSER, "SWITCHUSER"},
};
const Name kActions[] = {
    NAME(WLX_SAS_ACTION_LOGON),           NAME(WLX_SAS_ACTION_NONE),
    NAME(WLX_SAS_ACTION_LOCK_WKSTA),      NAME(WLX_SAS_ACTION_LOGOFF),
    NAME(WLX_SAS_ACTION_SHUTDOWN),        NAME(WLX_SAS_ACTION_PWD_CHANGED),
    NAME(WLX_SAS_ACTION_TASKLIST),        NAME(WLX_SAS_ACTION_UNLOCK_WKSTA),
    NAME(WLX_SAS_ACTION_FORCE_LOGOFF),    NAME(WLX_SAS_ACTION_SHUTDOWN_POWER_OFF),
    NAME(WLX_SAS_ACTION_SHUTDOWN_REBOOT), NAME(WLX_SAS_ACTION_SHUTDOWN_SLEEP),
    NAME(WLX_SAS_ACTION_SHUTDOWN_SLEEP2), NAME(WLX_SAS_ACTION_SHUTDOWN_HIBERNATE),
    NAME(WLX_SAS_ACTION_RECONNECTED),     NAME(WLX_SAS_ACTION_DELAYED_FORCE_LOGOFF),
    NAME(WLX_SAS_ACTION_SWITCH_CONSOLE),
};
const Name kDialogResults[] = {
    NAME(WLX_DLG_SAS), NAME(WLX_DLG_INPUT_TIMEOUT), NAME(WLX_DLG_SCREEN_SAVER_TIMEOUT), NAME(WLX_DLG_USER_LOGOFF),
    NAME(IDOK),        NAME(IDCANCEL),              NAME(IDABORT),                      NAME(IDRETRY),
    NAME(IDIGNORE),    NAME(IDYES),                 NAME(IDNO),
};
const Name kOptions[] = {
    NAME(WLX_OPTION_USE_CTRL_ALT_DEL),   NAME(WLX_OPTION_CONTEXT_POINTER),   NAME(WLX_OPTION_USE_SMART_CARD),
    NAME(WLX_OPTION_FORCE_LOGOFF_TIME),  NAME(WLX_OPTION_IGNORE_AUTO_LOGON), NAME(WLX_OPTION_NO_SWITCH_ON_SAS),
    NAME(WLX_OPTION_SMART_CARD_PRESENT), NAME(WLX_OPTION_SMART_CARD_INFO),   NAME(WLX_OPTION_DISPATCH_TABLE_SIZE),
};
#undef NAME

template <size_t N>
const char* Find(const Name (&names)[N], long value)
{
    return Find(names, N, value);
}
}  // namespace

std::string SasTypeName(DWORD sasType)
{
    if (const char* name = Find(kSasTypes, (long)sasType)) return std::to_string(sasType) + " " + name;
    if (sasType > WLX_SAS_TYPE_MAX_MSFT_VALUE) return std::to_string(sasType) + " (custom)";
    return std::to_string(sasType);
}

std::string SasActionName(int action)
{
    if (const char* name = Find(kActions, action)) return name;
    return std::to_string(action) + " (unknown action)";
}

std::string DialogResultName(INT_PTR result)
{
    std::string number = std::to_string((long long)result);
    if (const char* name = Find(kDialogResults, (long)result)) return number + " (" + name + ")";
    return number;
}

std::string MessageBoxResultName(int result) { return DialogResultName(result); }

std::string WlxOptionName(DWORD option)
{
    if (const char* name = Find(kOptions, (long)option)) return name;
    return Hex(option) + " (unknown option)";
}

std::string VersionName(DWORD version)
{
    return Hex(version) + " (" + std::to_string(HIWORD(version)) + "." + std::to_string(LOWORD(version)) + ")";
}

bool IsShutdownAction(int action)
{
    switch (action) {
    case WLX_SAS_ACTION_SHUTDOWN:
    case WLX_SAS_ACTION_SHUTDOWN_POWER_OFF:
    case WLX_SAS_ACTION_SHUTDOWN_REBOOT:
        return true;
    default:
        return false;
    }
}

bool IsSleepAction(int action)
{
    switch (action) {
    case WLX_SAS_ACTION_SHUTDOWN_SLEEP:
    case WLX_SAS_ACTION_SHUTDOWN_SLEEP2:
    case WLX_SAS_ACTION_SHUTDOWN_HIBERNATE:
        return true;
    default:
        return false;
    }
}
