#include "logon_script.h"

#include <shellapi.h>

#include <cstdio>

#include "log.h"

namespace {
const char kLogName[] = "run_user_script";
const int kUserNameChars = 29;
const DWORD kLingerMs = 30000;

// "\\PC1\Netlogon\" (or "\\PC1" given with its backslashes already: "\\PC1\Netlogon\").
void ShareRoot(const PostlogApi& api, char* path, size_t capacity)
{
    path[0] = '\0';
    char computer[260] = {};
    DWORD size = sizeof computer;
    if (!api.getComputerName(computer, &size)) return;
    _snprintf(path, capacity - 1, computer[0] == '\\' ? "%s\\%s" : "\\\\%s\\%s", computer, "Netlogon\\");
    path[capacity - 1] = '\0';
}
}  // namespace

void run_user_script(const char* userName, const PostlogApi& api)
{
    g_shortLog.Write(LOG_INFO, kLogName, "%s %s", "run_user_script", "start");

    WCHAR wideUser[kUserNameChars + 1] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, userName, -1, wideUser, kUserNameChars)) return;
    USER_INFO_3* account = nullptr;
    if (api.netUserGetInfo(nullptr, wideUser, 3, reinterpret_cast<LPBYTE*>(&account)) != NERR_Success ||
        !account)
        return;

    // An account without a script has a null or an empty script path; an empty one must
    // not start the share folder itself.
    if (account->usri3_script_path && account->usri3_script_path[0]) {
        char path[MAX_PATH * 2] = {};
        ShareRoot(api, path, sizeof path);
        char script[260] = {};
        WideCharToMultiByte(CP_ACP, 0, account->usri3_script_path, -1, script, sizeof script - 1, nullptr,
                            nullptr);
        lstrcatA(path, script);

        g_shortLog.Write(LOG_INFO, kLogName, "%s", path);
        HINSTANCE result = api.shellExecute(GetDesktopWindow(), "open", path, "", "", SW_SHOWNORMAL);
        if (reinterpret_cast<INT_PTR>(result) <= 32) g_shortLog.Write(LOG_INFO, kLogName, "ShellExecute failed!");
    }
    api.netApiBufferFree(account);
}

int RunPostlog(const PostlogApi& api)
{
    char user[kUserNameChars] = {};
    DWORD size = kUserNameChars;
    if (api.getUserName(user, &size))
        run_user_script(user, api);
    else
        g_shortLog.Write(LOG_INFO, kLogName, "%s %s", "GetUserName", "FAILED!");
    api.sleep(kLingerMs);
    return 0;
}

const PostlogApi& RealPostlogApi()
{
    static const PostlogApi api = {GetUserNameA, NetUserGetInfo, NetApiBufferFree,
                                   GetComputerNameA, ShellExecuteA, Sleep};
    return api;
}
