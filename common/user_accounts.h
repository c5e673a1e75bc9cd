// The local user accounts (for matching key profiles to this workstation) and a user's
// full account record after logon.
#pragma once
#include <windows.h>
#include <tchar.h>
#include <lm.h>

#include "profile_store.h"

// Fills the list box (when given) or the list (only u_name, at most maxCount names) with
// the normal user accounts of `computer` (none: this computer). Windows 9x has no account
// database: the ANSI build reads the password lists there; the GINA's build stops.
void GetUserList(Profile* list, int maxCount, LPCTSTR computer, HWND listBox);

// The account record of `user` from this computer (when `domain` is its account domain)
// or from a domain controller of `domain`. The caller frees it with NetApiBufferFree.
bool GetUserInfo3(LPCTSTR user, LPCTSTR domain, USER_INFO_3** record);
