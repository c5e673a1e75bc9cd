// The domains a user may log on to, for the logon window's domain box: trusted domains,
// the machine's primary domain, and the computer itself unless it is a domain controller.
#pragma once
#include <windows.h>
#include <tchar.h>

// Called with each domain name; nonzero goes on, 0 stops the walk.
typedef BOOL(CALLBACK* DomainCallback)(LPCTSTR domain, LPARAM data);

// False with the Windows error when the primary domain or the server type could not be
// learned (the walk is then worth trying again).
bool EnumTrustedDomains(DomainCallback callback, LPARAM data);

// Adds the domain to the domain box of the logon window `data`, once per exact text.
BOOL CALLBACK EnumDomainProc(LPCTSTR domain, LPARAM data);

// The "Available Domains" window: fills the domain box of the logon window given as the
// dialog parameter (or its owner) while the user waits, retrying for about 22 s.
INT_PTR CALLBACK AvailableDomainsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
