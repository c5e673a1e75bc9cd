// The Windows account calls of the credential check and the account and domain discovery,
// behind one table. Production code always goes through the real table: the libraries
// are loaded and bound by name at each use, exactly as without it. Tests install a table
// that answers from a fake account database (Wine accepts any password and has no real
// local accounts), including libraries or entry points that are missing.
#pragma once
#include <windows.h>
#include <ntsecapi.h>

struct AccountApi {
    // Dynamic binding: netapi32.dll, ov_auth.dll and mspwl32.dll are reached through these.
    HMODULE(WINAPI* LoadLibraryW)(LPCWSTR name);
    HMODULE(WINAPI* LoadLibraryA)(LPCSTR name);
    HMODULE(WINAPI* GetModuleHandleW)(LPCWSTR name);
    FARPROC(WINAPI* GetProcAddress)(HMODULE module, LPCSTR name);
    BOOL(WINAPI* FreeLibrary)(HMODULE module);
    // Bound at build time.
    BOOL(WINAPI* LogonUserW)(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD logonType, DWORD provider,
                             PHANDLE token);
    BOOL(WINAPI* CloseHandle)(HANDLE handle);
    BOOL(WINAPI* GetComputerNameW)(LPWSTR buffer, LPDWORD size);
    BOOL(WINAPI* GetComputerNameA)(LPSTR buffer, LPDWORD size);
    NTSTATUS(NTAPI* LsaOpenPolicy)(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes, ACCESS_MASK access,
                                   PLSA_HANDLE policy);
    NTSTATUS(NTAPI* LsaQueryInformationPolicy)(LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind, PVOID* buffer);
    NTSTATUS(NTAPI* LsaFreeMemory)(PVOID buffer);
    NTSTATUS(NTAPI* LsaClose)(LSA_HANDLE policy);
    ULONG(NTAPI* LsaNtStatusToWinError)(NTSTATUS status);
    DWORD(WINAPI* GetPrivateProfileSectionA)(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file);
};

// The table in use: the real one unless a test installed another.
const AccountApi& Accounts();
// Installs a table (nullptr: the real one again). For tests only.
void SetAccountApi(const AccountApi* api);
// The real table, for a fake that passes some calls through.
const AccountApi& RealAccounts();

// Entry points reached through GetProcAddress, with the types the callers use.
typedef DWORD(WINAPI* PFN_NetWkstaUserGetInfo)(LPWSTR reserved, DWORD level, LPBYTE* buffer);
typedef DWORD(WINAPI* PFN_NetUserChangePassword)(LPCWSTR domain, LPCWSTR user, LPCWSTR oldPassword,
                                                 LPCWSTR newPassword);
typedef DWORD(WINAPI* PFN_NetApiBufferFree)(LPVOID buffer);
typedef DWORD(WINAPI* PFN_NetUserEnum)(LPCWSTR server, DWORD level, DWORD filter, LPBYTE* buffer, DWORD preferredMax,
                                       LPDWORD read, LPDWORD total, PDWORD resume);
typedef DWORD(WINAPI* PFN_NetUserGetInfo)(LPCWSTR server, LPCWSTR user, DWORD level, LPBYTE* buffer);
typedef DWORD(WINAPI* PFN_NetUserModalsGet)(LPCWSTR server, DWORD level, LPBYTE* buffer);
typedef DWORD(WINAPI* PFN_NetGetDCName)(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer);
typedef DWORD(WINAPI* PFN_NetServerGetInfo)(LPWSTR server, DWORD level, LPBYTE* buffer);
typedef DWORD(WINAPI* PFN_DsEnumerateDomainTrustsW)(LPWSTR server, ULONG flags, PVOID* domains, PULONG count);
typedef NTSTATUS(WINAPI* PFN_NetEnumerateTrustedDomains)(LPWSTR server, LPWSTR* names);
// ov_auth.dll: nonzero when the credentials are good.
typedef BOOL(WINAPI* PFN_CheckPassword_SSPI)(LPCWSTR domain, LPCWSTR user, LPCWSTR password, DWORD reserved);
// mspwl32.dll (Windows 9x password cache).
typedef DWORD(WINAPI* PFN_OpenPasswordCache)(HANDLE* cache, LPCSTR user, LPCSTR password, BOOL writable);
typedef DWORD(WINAPI* PFN_ClosePasswordCache)(HANDLE cache, BOOL discard);
