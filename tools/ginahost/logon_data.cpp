#include "logon_data.h"

#include <cwchar>

#include "text_format.h"

CLogonSid::CLogonSid()
{
    static LONG counter = 0;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    DWORD low = (DWORD)InterlockedIncrement(&counter) + GetTickCount();
    AllocateAndInitializeSid(&nt, 3, SECURITY_LOGON_IDS_RID, 0, low, 0, 0, 0, 0, 0, &sid_);
}

CLogonSid::~CLogonSid()
{
    if (sid_) FreeSid(sid_);
}

void* NewEnvironmentBlock()
{
    wchar_t* strings = GetEnvironmentStringsW();
    if (!strings) return nullptr;
    const wchar_t* end = strings;
    while (*end) end += std::wcslen(end) + 1;
    size_t bytes = (size_t)(end - strings + 1) * sizeof(wchar_t);
    void* block = VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (block) CopyMemory(block, strings, bytes);
    FreeEnvironmentStringsW(strings);
    return block;
}

namespace {
std::string SecretLength(const wchar_t* secret)
{
    if (!secret) return "NULL";
    return "(" + std::to_string(std::wcslen(secret)) + " chars)";
}

void FreeString(PWSTR& text)
{
    if (text) LocalFree(text);
    text = nullptr;
}
}  // namespace

std::string DescribeMprInfo(const WLX_MPR_NOTIFY_INFO& info)
{
    return "user=" + Quoted(info.pszUserName) + ", domain=" + Quoted(info.pszDomain) +
           ", password=" + SecretLength(info.pszPassword) + ", oldPassword=" + SecretLength(info.pszOldPassword);
}

void FreeMprInfo(WLX_MPR_NOTIFY_INFO& info)
{
    FreeString(info.pszUserName);
    FreeString(info.pszDomain);
    FreeString(info.pszPassword);
    FreeString(info.pszOldPassword);
}

std::string DescribeProfile(const void* profile)
{
    if (!profile) return "NULL";
    auto* v1 = static_cast<const WLX_PROFILE_V1_0*>(profile);
    if (v1->dwType == WLX_PROFILE_TYPE_V1_0) return "V1_0 " + Quoted(v1->pszProfile);
    if (v1->dwType == WLX_PROFILE_TYPE_V2_0) {
        auto* v2 = static_cast<const WLX_PROFILE_V2_0*>(profile);
        return "V2_0 " + Quoted(v2->pszProfile) + " policy=" + Quoted(v2->pszPolicy) +
               " server=" + Quoted(v2->pszServerName);
    }
    return "unknown type " + std::to_string(v1->dwType);
}

void FreeProfile(void* profile)
{
    if (!profile) return;
    auto* v1 = static_cast<WLX_PROFILE_V1_0*>(profile);
    if (v1->dwType == WLX_PROFILE_TYPE_V2_0) {
        auto* v2 = static_cast<WLX_PROFILE_V2_0*>(profile);
        FreeString(v2->pszPolicy);
        FreeString(v2->pszNetworkDefaultUserProfile);
        FreeString(v2->pszServerName);
        FreeString(v2->pszEnvironment);
    }
    if (v1->dwType == WLX_PROFILE_TYPE_V1_0 || v1->dwType == WLX_PROFILE_TYPE_V2_0) FreeString(v1->pszProfile);
    LocalFree(profile);
}
