// ov_auth.dll: checks a Windows password through SSPI. The NTLM handshake runs between
// an outbound context with the given identity and an inbound one of this process, so no
// network transport is involved and no privilege is needed (unlike LogonUser).
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif
// Nonzero exactly when the handshake completes for that account and the account is not
// merely mapped to Guest. Zero otherwise, with the SSPI status (e.g. SEC_E_LOGON_DENIED,
// SEC_E_SECPKG_NOT_FOUND) or a Windows error in GetLastError. `domain` may be empty or
// null (then the local computer or the default domain decides); `reserved` must be 0.
BOOL WINAPI CheckPassword_SSPI(LPCWSTR domain, LPCWSTR user, LPCWSTR password, DWORD reserved);
#ifdef __cplusplus
}
#endif
