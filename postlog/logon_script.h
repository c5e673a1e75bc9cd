// Runs the logon script that the user's local account names, from the computer's own
// Netlogon share. Windowless; every failure is logged at most, never shown.
#pragma once
#include <windows.h>
#include <lm.h>

// The account boundary: the Windows calls the runner makes. Production uses the real
// functions (RealPostlogApi); tests replace them, because test machines have no real
// local accounts.
struct PostlogApi {
    BOOL(WINAPI* getUserName)(LPSTR buffer, LPDWORD size);
    NET_API_STATUS(WINAPI* netUserGetInfo)(LPCWSTR server, LPCWSTR user, DWORD level, LPBYTE* buffer);
    NET_API_STATUS(WINAPI* netApiBufferFree)(LPVOID buffer);
    BOOL(WINAPI* getComputerName)(LPSTR buffer, LPDWORD size);
    HINSTANCE(WINAPI* shellExecute)(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show);
    VOID(WINAPI* sleep)(DWORD milliseconds);
};

const PostlogApi& RealPostlogApi();

// "\\<computer>\Netlogon\<script>", or just the script when there is no computer name.
void run_user_script(const char* userName, const PostlogApi& api = RealPostlogApi());

// The whole program after the log is started: user name, script, 30 s wait. Returns
// the exit code (always 0).
int RunPostlog(const PostlogApi& api = RealPostlogApi());
