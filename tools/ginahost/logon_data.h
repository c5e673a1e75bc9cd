// What passes between Winlogon and the GINA around a logon: the logon SID Winlogon makes,
// the environment it hands to WlxActivateUserShell, and the LocalAlloc'ed results of
// WlxLoggedOutSAS / WlxNetworkProviderLoad that Winlogon frees.
#pragma once
#include <windows.h>
#include <winwlx.h>

#include <string>

// A fresh logon SID (S-1-5-5-x-y) for one WlxLoggedOutSAS call.
class CLogonSid {
public:
    CLogonSid();
    ~CLogonSid();
    CLogonSid(const CLogonSid&) = delete;
    CLogonSid& operator=(const CLogonSid&) = delete;
    PSID Sid() const { return sid_; }

private:
    PSID sid_ = nullptr;
};

// A copy of the host's environment in VirtualAlloc'ed memory: the GINA frees it with VirtualFree.
void* NewEnvironmentBlock();

// user="...", domain="...", password=(5 chars), oldPassword=NULL: passwords never reach the trace.
std::string DescribeMprInfo(const WLX_MPR_NOTIFY_INFO& info);
void FreeMprInfo(WLX_MPR_NOTIFY_INFO& info);

std::string DescribeProfile(const void* profile);
void FreeProfile(void* profile);
