// Is this password right for this Windows account, now? Up to three independent Windows
// methods are tried in a fixed order and the first that confirms wins, so a right
// password is not refused merely because one method does not work for this account.
// No token is kept. Every Windows account call goes through Accounts() (account_api.h).
//
// Inputs longer than the working copies are refused, never cut: a cut password could be
// confirmed for a longer one that is wrong. The limits are in characters after the
// conversion a path needs (widening on the NT path of the ANSI build, ANSI bytes on the
// 9x path of the UTF-16 build).
#pragma once
#include <windows.h>
#include <tchar.h>

const int kNtCredentialChars = 259;     // NT path: user name and password
const int k9xCredentialChars = 49;      // 9x path of isUserName_and_Pass_Valid
const int kW95CredentialBytes = 51;     // isUserName_and_Pass_Valid_w95

// 0 confirmed; -1 not confirmed (wrong password, no such account, no method available,
// or an input too long). NT family (version class 4 and above): LogonUserW (network
// logon), then NetUserChangePassword with old = new, then ov_auth.dll's SSPI check, each
// against the workstation's logon domain or else the computer name. Windows 9x: the
// password cache, upper-cased; cache codes 0 and 2 confirm. Shows the wait cursor.
int isUserName_and_Pass_Valid(const TCHAR* user, const TCHAR* password);

// The 9x providers' check: 0 when the password cache opens with the upper-cased
// credentials; -2 when it refuses them (code 2, a cache that did not exist yet, included)
// or they are longer than 51 bytes; -1 when mspwl32.dll or an entry point is missing.
int isUserName_and_Pass_Valid_w95(const char* user, const char* password);
