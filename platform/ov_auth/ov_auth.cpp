#define SECURITY_WIN32
#include "ov_auth.h"

#include <sspi.h>

#include <vector>

namespace {
// NTLM exists from NT 4.0 on; Negotiate (which picks NTLM for an in-process handshake
// without a target name) serves where NTLM is not offered on its own.
wchar_t kNtlm[] = L"NTLM";
wchar_t kNegotiate[] = L"Negotiate";
// NTLM needs two rounds; a package that keeps asking for more is not trusted.
const int kMaxRounds = 6;

// NT 4.0 has the interface in security.dll only; later systems in secur32.dll.
class SspiLibrary {
public:
    SspiLibrary()
    {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        GetVersionExA(&version);
        const bool nt4 = version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion <= 4;
        module_ = LoadLibraryA(nt4 ? "security.dll" : "secur32.dll");
        if (!module_) return;
        INIT_SECURITY_INTERFACE_W init = reinterpret_cast<INIT_SECURITY_INTERFACE_W>(
            reinterpret_cast<void*>(GetProcAddress(module_, "InitSecurityInterfaceW")));
        table_ = init ? init() : nullptr;
        if (!table_) SetLastError(ERROR_PROC_NOT_FOUND);
    }
    ~SspiLibrary()
    {
        if (module_) FreeLibrary(module_);
    }
    SspiLibrary(const SspiLibrary&) = delete;
    SspiLibrary& operator=(const SspiLibrary&) = delete;

    PSecurityFunctionTableW table() const { return table_; }

private:
    HMODULE module_ = nullptr;
    PSecurityFunctionTableW table_ = nullptr;
};

// One side of the handshake: its credentials, its context and the token it last made.
struct Side {
    explicit Side(PSecurityFunctionTableW table, ULONG tokenSize) : sspi(table), token(tokenSize) {}
    ~Side()
    {
        if (haveContext) sspi->DeleteSecurityContext(&context);
        if (haveCredentials) sspi->FreeCredentialsHandle(&credentials);
        SecureZeroMemory(token.data(), token.size());
    }
    Side(const Side&) = delete;
    Side& operator=(const Side&) = delete;

    PSecurityFunctionTableW sspi;
    CredHandle credentials = {};
    CtxtHandle context = {};
    bool haveCredentials = false, haveContext = false;
    std::vector<BYTE> token;
    ULONG tokenLength = 0;
};

bool Failed(SECURITY_STATUS status) { return status < 0; }

// Some packages hand back a token that must be completed before it is sent.
SECURITY_STATUS Complete(PSecurityFunctionTableW sspi, Side& side, SecBufferDesc* output, SECURITY_STATUS status)
{
    if (status != SEC_I_COMPLETE_NEEDED && status != SEC_I_COMPLETE_AND_CONTINUE) return status;
    if (!sspi->CompleteAuthToken) return SEC_E_UNSUPPORTED_FUNCTION;
    const SECURITY_STATUS completed = sspi->CompleteAuthToken(&side.context, output);
    if (Failed(completed)) return completed;
    return status == SEC_I_COMPLETE_NEEDED ? SEC_E_OK : SEC_I_CONTINUE_NEEDED;
}

// A network logon with unknown credentials may be mapped to Guest (an enabled Guest
// account, or XP's simple file sharing): that is no proof of the password, unless the
// account asked for is the Guest account itself. A token that cannot be examined proves
// nothing either.
bool ProvesAccount(PSecurityFunctionTableW sspi, CtxtHandle* context, LPCWSTR user)
{
    HANDLE token = nullptr;
    if (!sspi->QuerySecurityContextToken || Failed(sspi->QuerySecurityContextToken(context, &token)) || !token)
        return false;
    alignas(8) BYTE buffer[256];
    DWORD size = 0;
    bool proves = false;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
        const UCHAR count = *GetSidSubAuthorityCount(sid);
        const bool guest = count > 0 && *GetSidSubAuthority(sid, count - 1) == DOMAIN_USER_RID_GUEST;
        proves = !guest;
        if (guest) {
            WCHAR name[257] = {}, domain[257] = {};
            DWORD nameChars = 256, domainChars = 256;
            SID_NAME_USE use;
            proves = LookupAccountSidW(nullptr, sid, name, &nameChars, domain, &domainChars, &use) &&
                     lstrcmpiW(name, user) == 0;
        }
    }
    CloseHandle(token);
    return proves;
}

// Runs the handshake; SEC_E_OK when the inbound side accepted the identity.
SECURITY_STATUS Handshake(PSecurityFunctionTableW sspi, wchar_t* package, SEC_WINNT_AUTH_IDENTITY_W* identity,
                          ULONG maxToken, LPCWSTR user)
{
    Side client(sspi, maxToken), server(sspi, maxToken);
    TimeStamp expiry;
    SECURITY_STATUS status = sspi->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr,
                                                             identity, nullptr, nullptr, &client.credentials, &expiry);
    if (Failed(status)) return status;
    client.haveCredentials = true;
    status = sspi->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_INBOUND, nullptr, nullptr, nullptr,
                                             nullptr, &server.credentials, &expiry);
    if (Failed(status)) return status;
    server.haveCredentials = true;

    for (int round = 0; round < kMaxRounds; ++round) {
        ULONG attributes = 0;
        SecBuffer clientIn = {server.tokenLength, SECBUFFER_TOKEN, server.token.data()};
        SecBufferDesc clientInDesc = {SECBUFFER_VERSION, 1, &clientIn};
        SecBuffer clientOut = {maxToken, SECBUFFER_TOKEN, client.token.data()};
        SecBufferDesc clientOutDesc = {SECBUFFER_VERSION, 1, &clientOut};
        status = sspi->InitializeSecurityContextW(&client.credentials, client.haveContext ? &client.context : nullptr,
                                                  nullptr, 0, 0, SECURITY_NATIVE_DREP,
                                                  client.haveContext ? &clientInDesc : nullptr, 0, &client.context,
                                                  &clientOutDesc, &attributes, &expiry);
        if (Failed(status)) return status;
        client.haveContext = true;
        status = Complete(sspi, client, &clientOutDesc, status);
        if (Failed(status)) return status;
        client.tokenLength = clientOut.cbBuffer;

        SecBuffer serverIn = {client.tokenLength, SECBUFFER_TOKEN, client.token.data()};
        SecBufferDesc serverInDesc = {SECBUFFER_VERSION, 1, &serverIn};
        SecBuffer serverOut = {maxToken, SECBUFFER_TOKEN, server.token.data()};
        SecBufferDesc serverOutDesc = {SECBUFFER_VERSION, 1, &serverOut};
        status = sspi->AcceptSecurityContext(&server.credentials, server.haveContext ? &server.context : nullptr,
                                             &serverInDesc, 0, SECURITY_NATIVE_DREP, &server.context, &serverOutDesc,
                                             &attributes, &expiry);
        if (Failed(status)) return status;
        server.haveContext = true;
        status = Complete(sspi, server, &serverOutDesc, status);
        if (Failed(status)) return status;
        server.tokenLength = serverOut.cbBuffer;

        if (status == SEC_E_OK)
            return ProvesAccount(sspi, &server.context, user) ? SEC_E_OK : SEC_E_LOGON_DENIED;
    }
    return SEC_E_INTERNAL_ERROR;
}
}  // namespace

extern "C" BOOL WINAPI CheckPassword_SSPI(LPCWSTR domain, LPCWSTR user, LPCWSTR password, DWORD reserved)
{
    // Without a user name SSPI would use the caller's own logon, or an anonymous one.
    if (!user || !*user) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!domain) domain = L"";
    // A null password would mean "the caller's password", so an empty one stays a string.
    if (!password) password = L"";

    SspiLibrary library;
    PSecurityFunctionTableW sspi = library.table();
    if (!sspi) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    wchar_t* package = kNtlm;
    PSecPkgInfoW info = nullptr;
    SECURITY_STATUS status = sspi->QuerySecurityPackageInfoW(package, &info);
    if (Failed(status) || !info) {
        package = kNegotiate;
        info = nullptr;
        const SECURITY_STATUS negotiate = sspi->QuerySecurityPackageInfoW(package, &info);
        if (Failed(negotiate) || !info) {
            // The NTLM answer says more than Negotiate's: that is the package wanted.
            SetLastError(static_cast<DWORD>(Failed(status) ? status : SEC_E_SECPKG_NOT_FOUND));
            return FALSE;
        }
    }
    const ULONG maxToken = info->cbMaxToken;
    sspi->FreeContextBuffer(info);

    SEC_WINNT_AUTH_IDENTITY_W identity = {};
    identity.User = reinterpret_cast<unsigned short*>(const_cast<LPWSTR>(user));
    identity.UserLength = static_cast<unsigned long>(lstrlenW(user));
    identity.Domain = reinterpret_cast<unsigned short*>(const_cast<LPWSTR>(domain));
    identity.DomainLength = static_cast<unsigned long>(lstrlenW(domain));
    identity.Password = reinterpret_cast<unsigned short*>(const_cast<LPWSTR>(password));
    identity.PasswordLength = static_cast<unsigned long>(lstrlenW(password));
    identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;

    status = Handshake(sspi, package, &identity, maxToken, user);
    SetLastError(static_cast<DWORD>(status));
    return status == SEC_E_OK;
}
