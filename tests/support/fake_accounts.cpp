#include "fake_accounts.h"

#include <dsgetdc.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace {
FakeAccounts* volatile g_fake = nullptr;

// Values no real module or handle takes: modules are 64 KB aligned, kernel handles small.
const ULONG_PTR kModuleBase = 0x0FA00010;
const ULONG_PTR kTokenBase = 0x0FB00000;
const ULONG_PTR kCacheBase = 0x0FC00000;
const ULONG_PTR kPolicyBase = 0x0FD00000;
const ULONG_PTR kRangeSize = 0x00100000;

const NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000DL);
const DWORD kCacheWrongPassword = 7206;
const DWORD kCacheCreated = 2;
const SECURITY_STATUS kLogonDenied = static_cast<SECURITY_STATUS>(0x8009030CL);  // SEC_E_LOGON_DENIED

struct FakeLibrary {
    const wchar_t* name;
    std::vector<const char*> exports;
};
const FakeLibrary kLibraries[] = {
    {L"netapi32.dll",
     {"NetWkstaUserGetInfo", "NetUserChangePassword", "NetApiBufferFree", "NetUserEnum", "NetUserGetInfo",
      "NetUserModalsGet", "NetGetDCName", "NetServerGetInfo", "DsEnumerateDomainTrustsW",
      "NetEnumerateTrustedDomains"}},
    {L"mspwl32.dll", {"OpenPasswordCache", "ClosePasswordCache"}},
    {L"ov_auth.dll", {"CheckPassword_SSPI"}},
};
const int kLibraryCount = sizeof kLibraries / sizeof kLibraries[0];

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool SameText(const std::wstring& a, const std::wstring& b) { return Lower(a) == Lower(b); }

// "C:\\x\\NetApi32.DLL" -> "netapi32.dll"
std::wstring LibraryKey(const std::wstring& name)
{
    const size_t slash = name.find_last_of(L"\\/");
    return Lower(slash == std::wstring::npos ? name : name.substr(slash + 1));
}

std::wstring Text(LPCWSTR text) { return text ? std::wstring(text) : std::wstring(L"<null>"); }
std::wstring Text(LPCSTR text) { return text ? Widen(text) : std::wstring(L"<null>"); }
std::wstring Number(ULONG_PTR value) { return std::to_wstring(static_cast<unsigned long long>(value)); }

// "\\\\NAME" and "NAME" name the same computer.
std::wstring ServerName(LPCWSTR server)
{
    std::wstring name = server ? server : L"";
    while (!name.empty() && name[0] == L'\\') name.erase(0, 1);
    return name;
}

bool IsOneOf(const char* name, std::initializer_list<const char*> list)
{
    for (const char* item : list)
        if (std::strcmp(name, item) == 0) return true;
    return false;
}
}  // namespace

struct FakeAccounts::State {
    explicit State(FakeAccounts& owner) : fake(owner) { InitializeCriticalSection(&lock); }
    ~State()
    {
        for (void* block : netBuffers) HeapFree(GetProcessHeap(), 0, block);
        for (void* block : lsaBuffers) HeapFree(GetProcessHeap(), 0, block);
        DeleteCriticalSection(&lock);
    }

    struct Lock {
        explicit Lock(const State& state) : s(state) { EnterCriticalSection(&s.lock); }
        ~Lock() { LeaveCriticalSection(&s.lock); }
        const State& s;
    };

    void Record(const char* function, std::vector<std::wstring> args)
    {
        Lock hold(*this);
        calls.push_back(FakeCall{function, std::move(args)});
    }

    // One zeroed block for a record and its strings, so one free releases all.
    BYTE* Allocate(size_t bytes, bool lsa)
    {
        BYTE* block = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1));
        Lock hold(*this);
        (lsa ? lsaBuffers : netBuffers).insert(block);
        return block;
    }

    bool Release(void* block, bool lsa)
    {
        Lock hold(*this);
        std::set<void*>& blocks = lsa ? lsaBuffers : netBuffers;
        if (!block || !blocks.erase(block)) {
            ++badReleases;
            return false;
        }
        HeapFree(GetProcessHeap(), 0, block);
        return true;
    }

    HANDLE NewHandle(std::set<ULONG_PTR>& open, ULONG_PTR base)
    {
        Lock hold(*this);
        const ULONG_PTR value = base + 4 * (++handleCounter % (kRangeSize / 4 - 1) + 1);
        open.insert(value);
        return reinterpret_cast<HANDLE>(value);
    }

    bool CloseFakeHandle(std::set<ULONG_PTR>& open, HANDLE handle)
    {
        Lock hold(*this);
        if (open.erase(reinterpret_cast<ULONG_PTR>(handle))) return true;
        ++badReleases;
        return false;
    }

    FakeAccounts& fake;
    mutable CRITICAL_SECTION lock;
    std::vector<FakeCall> calls;
    std::map<std::wstring, int> loads;
    std::set<void*> netBuffers, lsaBuffers;
    std::set<ULONG_PTR> tokens, caches, policies;
    size_t badReleases = 0;
    ULONG_PTR handleCounter = 0;
    AccountApi table = {};
};

namespace {
FakeAccounts::State* Installed()
{
    FakeAccounts* fake = g_fake;
    return fake ? fake->state() : nullptr;
}

int LibraryIndex(HMODULE module)
{
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(module);
    for (int i = 0; i < kLibraryCount; ++i)
        if (value == kModuleBase + 0x10 * ULONG_PTR(i)) return i;
    return -1;
}

int LibraryIndex(const std::wstring& name)
{
    const std::wstring key = LibraryKey(name);
    for (int i = 0; i < kLibraryCount; ++i)
        if (key == kLibraries[i].name) return i;
    return -1;
}

HMODULE LibraryHandle(int index) { return reinterpret_cast<HMODULE>(kModuleBase + 0x10 * ULONG_PTR(index)); }

bool InRange(HANDLE handle, ULONG_PTR base)
{
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    return value >= base && value < base + kRangeSize;
}

// Packs records and their strings into one block: the fixed part first, then the texts.
class Packer {
public:
    Packer(FakeAccounts::State& state, size_t fixedBytes, const std::vector<std::wstring>& texts, bool lsa = false,
           size_t extraBytes = 0)
    {
        size_t bytes = (fixedBytes + 7) & ~size_t(7);
        for (const std::wstring& text : texts) bytes += (text.size() + 1) * sizeof(wchar_t);
        extraOffset_ = (bytes + 7) & ~size_t(7);
        block_ = state.Allocate(extraOffset_ + extraBytes, lsa);
        cursor_ = block_ + ((fixedBytes + 7) & ~size_t(7));
    }
    BYTE* block() const { return block_; }
    BYTE* extra() const { return block_ + extraOffset_; }
    LPWSTR Put(const std::wstring& text)
    {
        LPWSTR at = reinterpret_cast<LPWSTR>(cursor_);
        std::memcpy(at, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        cursor_ += (text.size() + 1) * sizeof(wchar_t);
        return at;
    }

private:
    BYTE* block_;
    BYTE* cursor_;
    size_t extraOffset_;
};

// S-1-5-21-<a>-<b>-<c>: a domain SID written into `at` (GetSidLengthRequired(4) bytes).
PSID PutDomainSid(BYTE* at, DWORD seed)
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = at;
    InitializeSid(sid, &nt, 4);
    *GetSidSubAuthority(sid, 0) = SECURITY_NT_NON_UNIQUE;
    *GetSidSubAuthority(sid, 1) = 1000 + seed;
    *GetSidSubAuthority(sid, 2) = 2000 + seed;
    *GetSidSubAuthority(sid, 3) = 3000 + seed;
    return sid;
}

DWORD HashOf(const std::wstring& text)
{
    DWORD hash = 7;
    for (wchar_t c : Lower(text)) hash = hash * 31 + DWORD(c);
    return hash % 100000;
}

// The account a (user, domain) pair names, or null.
const FakeAccount* FindAccount(const FakeAccounts& fake, LPCWSTR user, LPCWSTR domainArg)
{
    const std::wstring domain = ServerName(domainArg);
    for (const FakeAccount& account : fake.accounts) {
        if (!user || !SameText(account.name, user)) continue;
        if (domain.empty() || domain == L".") return &account;
        if (account.domain.empty()) {
            if (SameText(domain, fake.computerName) || SameText(domain, fake.accountDomain)) return &account;
        } else if (SameText(domain, account.domain)) {
            return &account;
        }
    }
    return nullptr;
}

FakeAccount* FindAccountByName(FakeAccounts& fake, const std::wstring& name)
{
    for (FakeAccount& account : fake.accounts)
        if (SameText(account.name, name)) return &account;
    return nullptr;
}

// The domain whose accounts a server holds: "" for this computer, a domain for one of
// its controllers; false for an unknown server.
bool DomainOfServer(const FakeAccounts& fake, LPCWSTR server, std::wstring& domain)
{
    const std::wstring name = ServerName(server);
    domain.clear();
    if (name.empty() || SameText(name, fake.computerName)) return true;
    for (const auto& controller : fake.domainControllers) {
        if (SameText(ServerName(controller.second.c_str()), name)) {
            domain = controller.first;
            return true;
        }
    }
    return false;
}

// ---- the fake functions ----

HMODULE LoadFake(const std::wstring& name, const char* function, HMODULE (*real)(const std::wstring&))
{
    FakeAccounts::State* s = Installed();
    if (!s) return real(name);
    s->Record(function, {name});
    const int index = LibraryIndex(name);
    if (index < 0) return real(name);
    if (s->fake.missingLibraries.count(LibraryKey(name))) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    FakeAccounts::State::Lock hold(*s);
    ++s->loads[kLibraries[index].name];
    return LibraryHandle(index);
}

HMODULE RealLoadW(const std::wstring& name) { return ::LoadLibraryW(name.c_str()); }
HMODULE RealLoadA(const std::wstring& name) { return ::LoadLibraryA(Narrow(name).c_str()); }

HMODULE WINAPI FakeLoadLibraryW(LPCWSTR name) { return LoadFake(name ? name : L"", "LoadLibraryW", RealLoadW); }
HMODULE WINAPI FakeLoadLibraryA(LPCSTR name)
{
    return LoadFake(name ? Widen(name) : L"", "LoadLibraryA", RealLoadA);
}

HMODULE WINAPI FakeGetModuleHandleW(LPCWSTR name)
{
    FakeAccounts::State* s = Installed();
    const int index = name ? LibraryIndex(name) : -1;
    if (!s || index < 0) return ::GetModuleHandleW(name);
    s->Record("GetModuleHandleW", {Text(name)});
    if (s->fake.missingLibraries.count(LibraryKey(name))) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return LibraryHandle(index);
}

BOOL WINAPI FakeFreeLibrary(HMODULE module)
{
    FakeAccounts::State* s = Installed();
    const int index = LibraryIndex(module);
    if (!s || index < 0) return ::FreeLibrary(module);
    s->Record("FreeLibrary", {kLibraries[index].name});
    FakeAccounts::State::Lock hold(*s);
    int& count = s->loads[kLibraries[index].name];
    if (count <= 0) {
        ++s->badReleases;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --count;
    return TRUE;
}

BOOL WINAPI FakeLogonUserW(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD type, DWORD provider,
                           PHANDLE token)
{
    FakeAccounts::State* s = Installed();
    if (!s) return FALSE;
    s->Record("LogonUserW", {Text(user), Text(domain), Text(password), Number(type), Number(provider)});
    if (token) *token = nullptr;
    const FakeAccount* account = FindAccount(s->fake, user, domain);
    if (!account || !password || account->password != password) {
        SetLastError(ERROR_LOGON_FAILURE);
        return FALSE;
    }
    if (type == LOGON32_LOGON_NETWORK && !account->networkLogon) {
        SetLastError(ERROR_LOGON_TYPE_NOT_GRANTED);
        return FALSE;
    }
    if (!token) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *token = s->NewHandle(s->tokens, kTokenBase);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI FakeCloseHandle(HANDLE handle)
{
    FakeAccounts::State* s = Installed();
    if (!s || !InRange(handle, kTokenBase)) return ::CloseHandle(handle);
    s->Record("CloseHandle", {Number(reinterpret_cast<ULONG_PTR>(handle))});
    if (s->CloseFakeHandle(s->tokens, handle)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

template <typename Char>
BOOL ComputerName(const char* function, Char* buffer, LPDWORD size, const std::basic_string<Char>& name)
{
    FakeAccounts::State* s = Installed();
    if (!s) return FALSE;
    s->Record(function, {size ? Number(*size) : L"<null>"});
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!buffer || *size < name.size() + 1) {
        *size = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), (name.size() + 1) * sizeof(Char));
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}

BOOL WINAPI FakeGetComputerNameW(LPWSTR buffer, LPDWORD size)
{
    FakeAccounts::State* s = Installed();
    return s ? ComputerName<wchar_t>("GetComputerNameW", buffer, size, s->fake.computerName) : FALSE;
}

BOOL WINAPI FakeGetComputerNameA(LPSTR buffer, LPDWORD size)
{
    FakeAccounts::State* s = Installed();
    return s ? ComputerName<char>("GetComputerNameA", buffer, size, Narrow(s->fake.computerName)) : FALSE;
}

NTSTATUS NTAPI FakeLsaOpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes, ACCESS_MASK access,
                                 PLSA_HANDLE policy)
{
    FakeAccounts::State* s = Installed();
    if (!s || !policy) return kStatusInvalidParameter;
    s->Record("LsaOpenPolicy", {system && system->Buffer ? std::wstring(system->Buffer, system->Length / 2)
                                                        : L"<null>",
                                Number(access)});
    *policy = nullptr;
    if (s->fake.lsaOpenStatus != 0) return s->fake.lsaOpenStatus;
    *policy = s->NewHandle(s->policies, kPolicyBase);
    return 0;
}

NTSTATUS NTAPI FakeLsaQueryInformationPolicy(LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind, PVOID* buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer) return kStatusInvalidParameter;
    s->Record("LsaQueryInformationPolicy", {Number(static_cast<ULONG_PTR>(kind))});
    *buffer = nullptr;
    {
        FakeAccounts::State::Lock hold(*s);
        if (!s->policies.count(reinterpret_cast<ULONG_PTR>(policy))) return kStatusInvalidParameter;
    }
    if (kind != PolicyPrimaryDomainInformation) return kStatusInvalidParameter;
    if (s->fake.lsaQueryStatus != 0) return s->fake.lsaQueryStatus;
    const std::wstring& name = s->fake.primaryDomain;
    Packer pack(*s, sizeof(POLICY_PRIMARY_DOMAIN_INFO), {name}, true, GetSidLengthRequired(4));
    auto* info = reinterpret_cast<POLICY_PRIMARY_DOMAIN_INFO*>(pack.block());
    info->Name.Buffer = pack.Put(name);
    info->Name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    info->Name.MaximumLength = static_cast<USHORT>(info->Name.Length + sizeof(wchar_t));
    info->Sid = name.empty() ? nullptr : PutDomainSid(pack.extra(), HashOf(name));
    *buffer = info;
    return 0;
}

NTSTATUS NTAPI FakeLsaFreeMemory(PVOID buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s) return kStatusInvalidParameter;
    return s->Release(buffer, true) ? 0 : kStatusInvalidParameter;
}

NTSTATUS NTAPI FakeLsaClose(LSA_HANDLE policy)
{
    FakeAccounts::State* s = Installed();
    if (!s) return kStatusInvalidParameter;
    s->Record("LsaClose", {});
    return s->CloseFakeHandle(s->policies, policy) ? 0 : kStatusInvalidParameter;
}

ULONG NTAPI FakeLsaNtStatusToWinError(NTSTATUS status) { return ::LsaNtStatusToWinError(status); }

DWORD WINAPI FakeGetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer || size < 2) return 0;
    s->Record("GetPrivateProfileSectionA", {Text(section), Text(file)});
    std::memset(buffer, 0, size);
    if (!section || lstrcmpiA(section, "Password Lists") != 0) return 0;
    DWORD used = 0;
    for (const std::string& entry : s->fake.passwordLists) {
        // Whole entries only, and room for the closing double zero.
        if (used + entry.size() + 1 > size - 2) {
            buffer[size - 2] = buffer[size - 1] = 0;
            return size - 2;
        }
        std::memcpy(buffer + used, entry.c_str(), entry.size() + 1);
        used += static_cast<DWORD>(entry.size() + 1);
    }
    return used;
}

// ---- netapi32.dll ----

DWORD WINAPI FakeNetApiBufferFree(LPVOID buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s) return ERROR_INVALID_PARAMETER;
    return s->Release(buffer, false) ? NERR_Success : ERROR_INVALID_PARAMETER;
}

DWORD WINAPI FakeNetWkstaUserGetInfo(LPWSTR reserved, DWORD level, LPBYTE* buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer) return ERROR_INVALID_PARAMETER;
    s->Record("NetWkstaUserGetInfo", {Text(reserved), Number(level)});
    *buffer = nullptr;
    if (level != 1) return ERROR_INVALID_LEVEL;
    const FakeAccounts& fake = s->fake;
    if (fake.wkstaStatus != NERR_Success && !fake.wkstaRecordOnFailure) return fake.wkstaStatus;
    const std::wstring server = L"\\\\" + fake.computerName;
    Packer pack(*s, sizeof(WKSTA_USER_INFO_1), {L"SYSTEM", fake.logonDomain, L"", server});
    auto* info = reinterpret_cast<WKSTA_USER_INFO_1*>(pack.block());
    info->wkui1_username = pack.Put(L"SYSTEM");
    info->wkui1_logon_domain = pack.Put(fake.logonDomain);
    info->wkui1_oth_domains = pack.Put(L"");
    info->wkui1_logon_server = pack.Put(server);
    *buffer = pack.block();
    return fake.wkstaStatus;
}

DWORD WINAPI FakeNetUserChangePassword(LPCWSTR domain, LPCWSTR user, LPCWSTR oldPassword, LPCWSTR newPassword)
{
    FakeAccounts::State* s = Installed();
    if (!s) return ERROR_INVALID_PARAMETER;
    s->Record("NetUserChangePassword", {Text(domain), Text(user), Text(oldPassword), Text(newPassword)});
    FakeAccount* account = const_cast<FakeAccount*>(FindAccount(s->fake, user, domain));
    if (!account) return NERR_UserNotFound;
    if (!oldPassword || !newPassword || account->password != oldPassword) return ERROR_INVALID_PASSWORD;
    if (account->changePasswordStatus != NERR_Success) return account->changePasswordStatus;
    account->password = newPassword;
    return NERR_Success;
}

DWORD WINAPI FakeNetUserEnum(LPCWSTR server, DWORD level, DWORD filter, LPBYTE* buffer, DWORD preferredMax,
                             LPDWORD read, LPDWORD total, PDWORD resume)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer || !read || !total) return ERROR_INVALID_PARAMETER;
    s->Record("NetUserEnum", {Text(server), Number(level), Number(filter), Number(resume ? *resume : 0)});
    *buffer = nullptr;
    *read = *total = 0;
    if (level != 0) return ERROR_INVALID_LEVEL;
    if (s->fake.userEnumStatus != NERR_Success) return s->fake.userEnumStatus;
    std::wstring domain;
    if (!DomainOfServer(s->fake, server, domain)) return ERROR_BAD_NETPATH;
    std::vector<std::wstring> names;
    for (const FakeAccount& account : s->fake.accounts)
        if (account.listed && SameText(account.domain, domain)) names.push_back(account.name);

    const DWORD start = resume ? *resume : 0;
    const DWORD remaining = start < names.size() ? DWORD(names.size()) - start : 0;
    const DWORD page = std::min(remaining, std::max<DWORD>(1, s->fake.userEnumPageSize));
    const std::vector<std::wstring> pageNames(names.begin() + start, names.begin() + start + page);
    Packer pack(*s, sizeof(USER_INFO_0) * (page ? page : 1), pageNames);
    auto* users = reinterpret_cast<USER_INFO_0*>(pack.block());
    for (DWORD i = 0; i < page; ++i) users[i].usri0_name = pack.Put(pageNames[i]);
    *buffer = pack.block();
    *read = page;
    *total = remaining;
    const bool more = page < remaining;
    if (resume) *resume = more ? start + page : 0;
    return more ? ERROR_MORE_DATA : NERR_Success;
}

DWORD WINAPI FakeNetUserGetInfo(LPCWSTR server, LPCWSTR user, DWORD level, LPBYTE* buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer) return ERROR_INVALID_PARAMETER;
    s->Record("NetUserGetInfo", {Text(server), Text(user), Number(level)});
    *buffer = nullptr;
    if (level != 3) return ERROR_INVALID_LEVEL;
    std::wstring domain;
    if (!DomainOfServer(s->fake, server, domain)) return ERROR_BAD_NETPATH;
    const FakeAccount* found = nullptr;
    DWORD index = 0;
    for (const FakeAccount& account : s->fake.accounts) {
        if (user && SameText(account.name, user) && SameText(account.domain, domain)) {
            found = &account;
            break;
        }
        ++index;
    }
    if (!found) return NERR_UserNotFound;
    const std::wstring logonServer = L"\\\\" + s->fake.computerName;
    Packer pack(*s, sizeof(USER_INFO_3),
                {found->name, found->homeDir, L"", found->scriptPath, found->fullName, L"", L"", L"", logonServer,
                 found->profile, found->homeDirDrive});
    auto* info = reinterpret_cast<USER_INFO_3*>(pack.block());
    info->usri3_name = pack.Put(found->name);
    info->usri3_priv = USER_PRIV_USER;
    info->usri3_home_dir = pack.Put(found->homeDir);
    info->usri3_comment = pack.Put(L"");
    info->usri3_flags = UF_SCRIPT | UF_NORMAL_ACCOUNT;
    info->usri3_script_path = pack.Put(found->scriptPath);
    info->usri3_full_name = pack.Put(found->fullName);
    info->usri3_usr_comment = pack.Put(L"");
    info->usri3_parms = pack.Put(L"");
    info->usri3_workstations = pack.Put(L"");
    info->usri3_acct_expires = TIMEQ_FOREVER;
    info->usri3_max_storage = USER_MAXSTORAGE_UNLIMITED;
    info->usri3_logon_server = pack.Put(logonServer);
    info->usri3_user_id = 1000 + index;
    info->usri3_primary_group_id = DOMAIN_GROUP_RID_USERS;
    info->usri3_profile = pack.Put(found->profile);
    info->usri3_home_dir_drive = pack.Put(found->homeDirDrive);
    *buffer = pack.block();
    return NERR_Success;
}

DWORD WINAPI FakeNetUserModalsGet(LPCWSTR server, DWORD level, LPBYTE* buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer) return ERROR_INVALID_PARAMETER;
    s->Record("NetUserModalsGet", {Text(server), Number(level)});
    *buffer = nullptr;
    if (level != 2) return ERROR_INVALID_LEVEL;
    if (s->fake.userModalsStatus != NERR_Success) return s->fake.userModalsStatus;
    const std::wstring& name = s->fake.accountDomain;
    Packer pack(*s, sizeof(USER_MODALS_INFO_2), {name}, false, GetSidLengthRequired(4));
    auto* info = reinterpret_cast<USER_MODALS_INFO_2*>(pack.block());
    info->usrmod2_domain_name = pack.Put(name);
    info->usrmod2_domain_id = PutDomainSid(pack.extra(), HashOf(name));
    *buffer = pack.block();
    return NERR_Success;
}

DWORD WINAPI FakeNetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer) return ERROR_INVALID_PARAMETER;
    s->Record("NetGetDCName", {Text(server), Text(domain)});
    *buffer = nullptr;
    for (const auto& controller : s->fake.domainControllers) {
        if (domain && SameText(controller.first, domain)) {
            Packer pack(*s, 0, {controller.second});
            pack.Put(controller.second);
            *buffer = pack.block();
            return NERR_Success;
        }
    }
    return NERR_DCNotFound;
}

DWORD WINAPI FakeNetServerGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer)
{
    FakeAccounts::State* s = Installed();
    if (!s || !buffer) return ERROR_INVALID_PARAMETER;
    s->Record("NetServerGetInfo", {Text(server), Number(level)});
    *buffer = nullptr;
    if (level != 101) return ERROR_INVALID_LEVEL;
    if (s->fake.serverInfoStatus != NERR_Success) return s->fake.serverInfoStatus;
    Packer pack(*s, sizeof(SERVER_INFO_101), {s->fake.computerName, L""});
    auto* info = reinterpret_cast<SERVER_INFO_101*>(pack.block());
    info->sv101_platform_id = PLATFORM_ID_NT;
    info->sv101_name = pack.Put(s->fake.computerName);
    info->sv101_version_major = 5;
    info->sv101_version_minor = 1;
    info->sv101_type = s->fake.serverType;
    info->sv101_comment = pack.Put(L"");
    *buffer = pack.block();
    return NERR_Success;
}

DWORD WINAPI FakeDsEnumerateDomainTrustsW(LPWSTR server, ULONG flags, PVOID* domains, PULONG count)
{
    FakeAccounts::State* s = Installed();
    if (!s || !domains || !count) return ERROR_INVALID_PARAMETER;
    s->Record("DsEnumerateDomainTrustsW", {Text(server), Number(flags)});
    s->fake.lastDsTrustFlags = flags;
    *domains = nullptr;
    *count = 0;
    if (s->fake.dsTrustsStatus != ERROR_SUCCESS) return s->fake.dsTrustsStatus;
    const std::vector<FakeTrust>& trusts = s->fake.forestTrusts;
    std::vector<std::wstring> texts;
    for (const FakeTrust& trust : trusts) {
        texts.push_back(trust.netbiosName);
        texts.push_back(trust.dnsName);
    }
    Packer pack(*s, sizeof(DS_DOMAIN_TRUSTSW) * (trusts.empty() ? 1 : trusts.size()), texts);
    auto* entries = reinterpret_cast<DS_DOMAIN_TRUSTSW*>(pack.block());
    for (size_t i = 0; i < trusts.size(); ++i) {
        entries[i].NetbiosDomainName = pack.Put(trusts[i].netbiosName);
        entries[i].DnsDomainName = pack.Put(trusts[i].dnsName);
        entries[i].Flags = DS_DOMAIN_IN_FOREST | DS_DOMAIN_DIRECT_OUTBOUND;
        entries[i].TrustType = TRUST_TYPE_UPLEVEL;
    }
    *domains = entries;
    *count = static_cast<ULONG>(trusts.size());
    return ERROR_SUCCESS;
}

NTSTATUS WINAPI FakeNetEnumerateTrustedDomains(LPWSTR server, LPWSTR* names)
{
    FakeAccounts::State* s = Installed();
    if (!s || !names) return kStatusInvalidParameter;
    s->Record("NetEnumerateTrustedDomains", {Text(server)});
    *names = nullptr;
    if (s->fake.trustedDomainsStatus != 0) return s->fake.trustedDomainsStatus;
    std::vector<std::wstring> texts = s->fake.trustedDomains;
    texts.push_back(L"");  // the closing empty name
    Packer pack(*s, 0, texts);
    for (const std::wstring& text : texts) pack.Put(text);
    *names = reinterpret_cast<LPWSTR>(pack.block());
    return 0;
}

// ---- mspwl32.dll ----

DWORD WINAPI FakeOpenPasswordCache(HANDLE* cache, LPCSTR user, LPCSTR password, BOOL writable)
{
    FakeAccounts::State* s = Installed();
    if (!s) return ERROR_INVALID_PARAMETER;
    s->Record("OpenPasswordCache", {Text(user), Text(password), Number(writable)});
    if (!cache) return ERROR_INVALID_PARAMETER;
    *cache = nullptr;
    if (!user || !*user) return ERROR_INVALID_PARAMETER;
    const FakeAccount* account = FindAccountByName(s->fake, Widen(user));
    if (!account) {
        *cache = s->NewHandle(s->caches, kCacheBase);
        SetLastError(kCacheCreated);
        return kCacheCreated;
    }
    if (lstrcmpiA(Narrow(account->password).c_str(), password ? password : "") != 0) {
        SetLastError(kCacheWrongPassword);
        return kCacheWrongPassword;
    }
    *cache = s->NewHandle(s->caches, kCacheBase);
    SetLastError(ERROR_SUCCESS);
    return 0;
}

DWORD WINAPI FakeClosePasswordCache(HANDLE cache, BOOL discard)
{
    FakeAccounts::State* s = Installed();
    if (!s) return ERROR_INVALID_HANDLE;
    s->Record("ClosePasswordCache", {Number(reinterpret_cast<ULONG_PTR>(cache)), Number(discard)});
    return s->CloseFakeHandle(s->caches, cache) ? NO_ERROR : ERROR_INVALID_HANDLE;
}

// ---- ov_auth.dll ----

BOOL WINAPI FakeCheckPassword_SSPI(LPCWSTR domain, LPCWSTR user, LPCWSTR password, DWORD reserved)
{
    FakeAccounts::State* s = Installed();
    if (!s) return FALSE;
    s->Record("CheckPassword_SSPI", {Text(domain), Text(user), Text(password), Number(reserved)});
    const FakeAccount* account = FindAccount(s->fake, user, domain);
    if (!account || !password || account->password != password) {
        SetLastError(static_cast<DWORD>(kLogonDenied));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

struct Export {
    const char* name;
    FARPROC function;
};

template <typename Function>
FARPROC AsProc(Function function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

FARPROC FakeExport(const char* name)
{
    static const Export kExports[] = {
        {"NetWkstaUserGetInfo", AsProc(FakeNetWkstaUserGetInfo)},
        {"NetUserChangePassword", AsProc(FakeNetUserChangePassword)},
        {"NetApiBufferFree", AsProc(FakeNetApiBufferFree)},
        {"NetUserEnum", AsProc(FakeNetUserEnum)},
        {"NetUserGetInfo", AsProc(FakeNetUserGetInfo)},
        {"NetUserModalsGet", AsProc(FakeNetUserModalsGet)},
        {"NetGetDCName", AsProc(FakeNetGetDCName)},
        {"NetServerGetInfo", AsProc(FakeNetServerGetInfo)},
        {"DsEnumerateDomainTrustsW", AsProc(FakeDsEnumerateDomainTrustsW)},
        {"NetEnumerateTrustedDomains", AsProc(FakeNetEnumerateTrustedDomains)},
        {"OpenPasswordCache", AsProc(FakeOpenPasswordCache)},
        {"ClosePasswordCache", AsProc(FakeClosePasswordCache)},
        {"CheckPassword_SSPI", AsProc(FakeCheckPassword_SSPI)},
    };
    for (const Export& e : kExports)
        if (std::strcmp(e.name, name) == 0) return e.function;
    return nullptr;
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    FakeAccounts::State* s = Installed();
    const int index = LibraryIndex(module);
    if (!s || index < 0) return ::GetProcAddress(module, name);
    // An ordinal is no name this fake exports.
    const bool byName = reinterpret_cast<ULONG_PTR>(name) > 0xFFFF;
    s->Record("GetProcAddress", {kLibraries[index].name, byName ? Widen(name) : L"<ordinal>"});
    if (byName && !s->fake.missingEntryPoints.count(name)) {
        for (const char* exported : kLibraries[index].exports)
            if (std::strcmp(exported, name) == 0) return FakeExport(name);
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}
}  // namespace

FakeAccounts::FakeAccounts() : state_(new State(*this))
{
    AccountApi& t = state_->table;
    t.LoadLibraryW = FakeLoadLibraryW;
    t.LoadLibraryA = FakeLoadLibraryA;
    t.GetModuleHandleW = FakeGetModuleHandleW;
    t.GetProcAddress = FakeGetProcAddress;
    t.FreeLibrary = FakeFreeLibrary;
    t.LogonUserW = FakeLogonUserW;
    t.CloseHandle = FakeCloseHandle;
    t.GetComputerNameW = FakeGetComputerNameW;
    t.GetComputerNameA = FakeGetComputerNameA;
    t.LsaOpenPolicy = FakeLsaOpenPolicy;
    t.LsaQueryInformationPolicy = FakeLsaQueryInformationPolicy;
    t.LsaFreeMemory = FakeLsaFreeMemory;
    t.LsaClose = FakeLsaClose;
    t.LsaNtStatusToWinError = FakeLsaNtStatusToWinError;
    t.GetPrivateProfileSectionA = FakeGetPrivateProfileSectionA;
}

FakeAccounts::~FakeAccounts()
{
    if (g_fake == this) g_fake = nullptr;
    delete state_;
}

const AccountApi& FakeAccounts::Table() const { return state_->table; }

std::vector<FakeCall> FakeAccounts::Calls() const
{
    State::Lock hold(*state_);
    return state_->calls;
}

std::vector<FakeCall> FakeAccounts::CallsTo(const std::string& function) const
{
    std::vector<FakeCall> found;
    for (const FakeCall& call : Calls())
        if (call.function == function) found.push_back(call);
    return found;
}

std::vector<std::string> FakeAccounts::AccountCallSequence() const
{
    std::vector<std::string> names;
    for (const FakeCall& call : Calls())
        if (!IsOneOf(call.function.c_str(), {"LoadLibraryW", "LoadLibraryA", "GetModuleHandleW", "GetProcAddress",
                                             "FreeLibrary"}))
            names.push_back(call.function);
    return names;
}

void FakeAccounts::ClearCalls()
{
    State::Lock hold(*state_);
    state_->calls.clear();
}

int FakeAccounts::LoadCount(const std::wstring& library) const
{
    State::Lock hold(*state_);
    auto found = state_->loads.find(LibraryKey(library));
    return found == state_->loads.end() ? 0 : found->second;
}

size_t FakeAccounts::OutstandingNetBuffers() const
{
    State::Lock hold(*state_);
    return state_->netBuffers.size();
}

size_t FakeAccounts::OutstandingLsaBuffers() const
{
    State::Lock hold(*state_);
    return state_->lsaBuffers.size();
}

size_t FakeAccounts::OpenTokens() const
{
    State::Lock hold(*state_);
    return state_->tokens.size();
}

size_t FakeAccounts::OpenCaches() const
{
    State::Lock hold(*state_);
    return state_->caches.size();
}

size_t FakeAccounts::OpenPolicies() const
{
    State::Lock hold(*state_);
    return state_->policies.size();
}

size_t FakeAccounts::BadReleases() const
{
    State::Lock hold(*state_);
    return state_->badReleases;
}

void SetInstalledFake(FakeAccounts* fake) { g_fake = fake; }

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return std::string();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty()) return std::wstring();
    const int chars = MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0);
    std::wstring out(chars > 0 ? chars : 0, L'\0');
    if (chars > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), &out[0], chars);
    return out;
}
