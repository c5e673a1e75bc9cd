// mspwl32.dll stand-in: the Windows 9x password cache as this product uses it, so the 9x
// credential check and the 9x user list can run against a real library.
//
// The cache's accounts live in the registry, one REG_SZ value per user:
//   HKEY_CURRENT_USER\Software\Ostrel\PasswordCache   value <USER NAME> = <password>
// Names and passwords compare without regard to case (Windows 9x keeps both upper-cased).
//
//   wine reg add 'HKCU\Software\Ostrel\PasswordCache' /v ALICE /d secret /f
//
// OpenPasswordCache(cache, user, password, writable) answers:
//   0     PWL_OPENED          the user has a cache and the password is right: *cache is set
//   2     PWL_CREATED         the user has no cache yet: an empty one is opened (*cache is
//                             set) but nothing is stored, so no account ever appears
//   7206  PWL_WRONG_PASSWORD  the user has a cache and the password is wrong: *cache is 0
//   87    ERROR_INVALID_PARAMETER  no handle pointer, or no or an empty user name
//   8     ERROR_NOT_ENOUGH_MEMORY  too many caches open at once
// So "account exists" is 0 or 7206 (the user list tries an empty password), and a
// password is right only with 0. The code is also left in GetLastError.
// `writable` and ClosePasswordCache's second argument are accepted and ignored.
// ClosePasswordCache(cache, discard) answers 0, or ERROR_INVALID_HANDLE (6) for a handle
// that is not open.
#pragma once
#include <windows.h>

#define PWL_OPENED 0
#define PWL_CREATED 2
#define PWL_WRONG_PASSWORD 7206
#define PWL_REGISTRY_KEY "Software\\Ostrel\\PasswordCache"

#ifdef __cplusplus
extern "C" {
#endif
DWORD WINAPI OpenPasswordCache(HANDLE* cache, LPCSTR user, LPCSTR password, BOOL writable);
DWORD WINAPI ClosePasswordCache(HANDLE cache, BOOL discard);
#ifdef __cplusplus
}
#endif
