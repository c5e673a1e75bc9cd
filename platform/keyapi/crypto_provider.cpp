#include "crypto_provider.h"

#include <wincrypt.h>

#include <cstring>

#include "critical_section.h"
#include "secure_memory.h"

namespace {
CriticalSection g_providerLock;
bool g_providersTried = false;
HCRYPTPROV g_aesProvider = 0;       // AES and Triple DES
HCRYPTPROV g_enhancedProvider = 0;  // Triple DES, and random bytes when there is no AES provider

void AcquireProviders()
{
    Locked lock(g_providerLock);
    if (g_providersTried) return;
    g_providersTried = true;
    // XP before SP3 names the AES provider "(Prototype)".
    if (!CryptAcquireContextA(&g_aesProvider, nullptr, MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
        !CryptAcquireContextA(&g_aesProvider, nullptr, MS_ENH_RSA_AES_PROV_XP_A, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        g_aesProvider = 0;
    if (!CryptAcquireContextA(&g_enhancedProvider, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        g_enhancedProvider = 0;
}

HCRYPTPROV ProviderFor(uint8_t cipher)
{
    AcquireProviders();
    if (cipher == kCipherAes256Cbc) return g_aesProvider;
    if (cipher == kCipherTripleDesCbc) return g_aesProvider ? g_aesProvider : g_enhancedProvider;
    return 0;
}

// The cipher key for one operation, with its IV set; 0 (and the Windows error) on failure.
HCRYPTKEY CipherKey(uint8_t cipher, const DataKey& dataKey, const uint8_t iv[kIvSize])
{
    const HCRYPTPROV provider = ProviderFor(cipher);
    if (!provider) {
        SetLastError(DWORD(NTE_BAD_ALGID));
        return 0;
    }
    HCRYPTHASH hash = 0;
    HCRYPTKEY key = 0;
    const ALG_ID algorithm = cipher == kCipherAes256Cbc ? CALG_AES_256 : CALG_3DES;
    const DWORD keyBits = cipher == kCipherAes256Cbc ? 256 : 0;  // 0: Triple DES at its only length
    bool ok = CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
              CryptHashData(hash, dataKey.bytes, sizeof dataKey.bytes, 0) &&
              CryptDeriveKey(provider, algorithm, hash, keyBits << 16, &key) &&
              CryptSetKeyParam(key, KP_IV, const_cast<BYTE*>(iv), 0);
    const DWORD error = GetLastError();
    if (hash) CryptDestroyHash(hash);
    if (!ok && key) {
        CryptDestroyKey(key);
        key = 0;
    }
    SetLastError(error);
    return key;
}
}  // namespace

uint8_t BestAvailableCipher()
{
    AcquireProviders();
    if (g_aesProvider) return kCipherAes256Cbc;
    return g_enhancedProvider ? kCipherTripleDesCbc : kCipherNone;
}

bool CryptoRandom::Fill(uint8_t* out, size_t size)
{
    AcquireProviders();
    HCRYPTPROV provider = g_aesProvider ? g_aesProvider : g_enhancedProvider;
    HCRYPTPROV basic = 0;
    if (!provider && CryptAcquireContextA(&basic, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        provider = basic;
    const bool ok = provider && CryptGenRandom(provider, DWORD(size), out);
    const DWORD error = GetLastError();
    if (basic) CryptReleaseContext(basic, 0);
    SetLastError(error);
    return ok;
}

bool CryptoCipher::Encrypt(uint8_t cipher, const DataKey& dataKey, const uint8_t iv[kIvSize], const uint8_t* plain,
                           size_t size, std::vector<uint8_t>& out)
{
    const HCRYPTKEY key = CipherKey(cipher, dataKey, iv);
    if (!key) return false;
    const size_t block = CipherBlockSize(cipher);
    out.assign(size + block, 0);
    if (size) std::memcpy(out.data(), plain, size);
    DWORD length = DWORD(size);
    const bool ok = CryptEncrypt(key, 0, TRUE, 0, out.data(), &length, DWORD(out.size())) != FALSE;
    const DWORD error = GetLastError();
    CryptDestroyKey(key);
    out.resize(ok ? length : 0);
    SetLastError(error);
    return ok;
}

bool CryptoCipher::Decrypt(uint8_t cipher, const DataKey& dataKey, const uint8_t iv[kIvSize],
                           const std::vector<uint8_t>& stored, std::vector<uint8_t>& plain)
{
    const HCRYPTKEY key = CipherKey(cipher, dataKey, iv);
    if (!key) return false;
    plain = stored;
    DWORD length = DWORD(plain.size());
    const bool ok = CryptDecrypt(key, 0, TRUE, 0, plain.data(), &length) != FALSE;
    const DWORD error = GetLastError();
    CryptDestroyKey(key);
    if (ok)
        plain.resize(length);
    else
        WipeBytes(plain);
    SetLastError(error);
    return ok;
}

void ReleaseCryptoProviders()
{
    Locked lock(g_providerLock);
    if (g_aesProvider) CryptReleaseContext(g_aesProvider, 0);
    if (g_enhancedProvider) CryptReleaseContext(g_enhancedProvider, 0);
    g_aesProvider = g_enhancedProvider = 0;
    g_providersTried = false;
}
