#include "account_api.h"

namespace {
// The NT-only calls are bound at first use, so that the ANSI build (the 9x providers)
// imports nothing from advapi32.dll that Windows 95 lacks.
FARPROC Advapi(const char* name)
{
    HMODULE module = ::GetModuleHandleW(L"advapi32.dll");
    if (!module) module = ::LoadLibraryW(L"advapi32.dll");
    return module ? ::GetProcAddress(module, name) : nullptr;
}

template <typename Function>
Function Bound(Function& slot, const char* name)
{
    if (!slot) slot = reinterpret_cast<Function>(reinterpret_cast<void*>(Advapi(name)));
    return slot;
}

const NTSTATUS kNotImplemented = static_cast<NTSTATUS>(0xC0000002L);  // STATUS_NOT_IMPLEMENTED

BOOL WINAPI LogonW(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD type, DWORD provider, PHANDLE token)
{
    static decltype(AccountApi::LogonUserW) real;
    if (!Bound(real, "LogonUserW")) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return real(user, domain, password, type, provider, token);
}

NTSTATUS NTAPI OpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes, ACCESS_MASK access,
                          PLSA_HANDLE policy)
{
    static decltype(AccountApi::LsaOpenPolicy) real;
    return Bound(real, "LsaOpenPolicy") ? real(system, attributes, access, policy) : kNotImplemented;
}

NTSTATUS NTAPI QueryPolicy(LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind, PVOID* buffer)
{
    static decltype(AccountApi::LsaQueryInformationPolicy) real;
    return Bound(real, "LsaQueryInformationPolicy") ? real(policy, kind, buffer) : kNotImplemented;
}

NTSTATUS NTAPI FreeMemory(PVOID buffer)
{
    static decltype(AccountApi::LsaFreeMemory) real;
    return Bound(real, "LsaFreeMemory") ? real(buffer) : kNotImplemented;
}

NTSTATUS NTAPI ClosePolicy(LSA_HANDLE policy)
{
    static decltype(AccountApi::LsaClose) real;
    return Bound(real, "LsaClose") ? real(policy) : kNotImplemented;
}

ULONG NTAPI StatusToError(NTSTATUS status)
{
    static decltype(AccountApi::LsaNtStatusToWinError) real;
    return Bound(real, "LsaNtStatusToWinError") ? real(status) : ERROR_CALL_NOT_IMPLEMENTED;
}

HMODULE WINAPI LoadW(LPCWSTR name) { return ::LoadLibraryW(name); }
HMODULE WINAPI LoadA(LPCSTR name) { return ::LoadLibraryA(name); }
HMODULE WINAPI HandleW(LPCWSTR name) { return ::GetModuleHandleW(name); }
FARPROC WINAPI Find(HMODULE module, LPCSTR name) { return ::GetProcAddress(module, name); }
BOOL WINAPI Free(HMODULE module) { return ::FreeLibrary(module); }
BOOL WINAPI Close(HANDLE handle) { return ::CloseHandle(handle); }
BOOL WINAPI ComputerW(LPWSTR buffer, LPDWORD size) { return ::GetComputerNameW(buffer, size); }
BOOL WINAPI ComputerA(LPSTR buffer, LPDWORD size) { return ::GetComputerNameA(buffer, size); }
DWORD WINAPI SectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file)
{
    return ::GetPrivateProfileSectionA(section, buffer, size, file);
}

const AccountApi kReal = {
    LoadW, LoadA, HandleW, Find, Free, LogonW, Close, ComputerW, ComputerA,
    OpenPolicy, QueryPolicy, FreeMemory, ClosePolicy, StatusToError, SectionA,
};
const AccountApi* volatile g_installed = &kReal;
}  // namespace

const AccountApi& Accounts() { return *g_installed; }
const AccountApi& RealAccounts() { return kReal; }
void SetAccountApi(const AccountApi* api) { g_installed = api ? api : &kReal; }
