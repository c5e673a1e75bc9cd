// Application data: reads from the decrypted copy of the file version seen, changes on a
// fresh read under the writer lock.
#include <cstring>

#include "crypto_provider.h"
#include "key_content.h"
#include "key_rules.h"
#include "reader_object.h"
#include "secure_memory.h"

DWORD ReaderObject::PlainOf(DWORD appId, const KeyFile& key, const std::vector<uint8_t>*& plain)
{
    Connection& c = connection_;
    if (!(c.plainValid && c.plainApp == appId && c.plainVersion == sightVersion_)) {
        c.plainValid = false;
        CryptoCipher cipher;
        const ContentError error = ReadApplication(key, appId, ConnectionDataKey(key), cipher, c.plain);
        if (error != ContentError::None) return ContentErrorCode(error);
        c.plainValid = true;
        c.plainApp = appId;
        c.plainVersion = sightVersion_;
    }
    plain = &c.plain;
    return 0;
}

DWORD ReaderObject::AppSize(DWORD appId, DWORD& size)
{
    const KeyFile* key = nullptr;
    const DWORD error = ConnectedKey(false, key);
    if (error) return error;
    if (!IsKnownApplication(appId)) return SCARD_E_INVALID_PARAMETER;
    const KeyApplication* app = key->FindApp(appId);
    size = app ? app->size : 0;
    return 0;
}

DWORD ReaderObject::ReadApp(DWORD appId, DWORD offset, BYTE* buffer, DWORD& length)
{
    const KeyFile* key = nullptr;
    DWORD error = Access(false, key);
    if (error) return error;
    if (!IsKnownApplication(appId)) return SCARD_E_INVALID_PARAMETER;
    const std::vector<uint8_t>* plain = nullptr;
    error = PlainOf(appId, *key, plain);
    if (error) return error;
    if (offset > plain->size()) return SCARD_E_INVALID_PARAMETER;
    const DWORD available = DWORD(plain->size() - offset);
    if (length > available) length = available;
    if (length) std::memcpy(buffer, plain->data() + offset, length);
    return 0;
}

DWORD ReaderObject::ReplaceApp(DWORD appId, bool exactSize, uint64_t size, DWORD offset, const BYTE* data,
                               DWORD length)
{
    if (!connection_.open) return SCARD_E_NOT_READY;
    if (!IsKnownApplication(appId)) return SCARD_E_INVALID_PARAMETER;
    KeyFileLock lock(keyPath_);
    if (lock.Error()) return lock.Error();
    const KeyFile* key = nullptr;
    DWORD error = Access(true, key);
    if (error) return error;

    KeyFile updated = *key;
    const KeyApplication* app = updated.FindApp(appId);
    const uint64_t current = app ? app->size : 0;
    // A write extends the application to its end at most; it never shrinks it.
    const uint64_t newSize = exactSize ? size : (current > uint64_t(offset) + length ? current : uint64_t(offset) + length);
    if (!FitsWithAppSize(updated, appId, newSize)) return SCARD_E_NO_MEMORY;
    CryptoCipher cipher;
    CryptoRandom random;
    std::vector<uint8_t> plain;
    ContentError result = ReadApplication(updated, appId, ConnectionDataKey(updated), cipher, plain);
    if (result == ContentError::None) {
        plain.resize(size_t(newSize));  // a write past the end leaves zeros in the gap
        if (length) std::memcpy(plain.data() + offset, data, length);
        result = WriteApplication(updated, appId, plain, ConnectionDataKey(updated), cipher, random);
    }
    WipeBytes(plain);
    if (result != ContentError::None) return ContentErrorCode(result);
    return Commit(updated);
}

DWORD ReaderObject::WriteApp(DWORD appId, DWORD offset, const BYTE* data, DWORD length)
{
    return ReplaceApp(appId, false, 0, offset, data, length);
}

DWORD ReaderObject::ResizeApp(DWORD appId, DWORD size) { return ReplaceApp(appId, true, size, 0, nullptr, 0); }

DWORD ReaderObject::SetLabel(const std::string& label)
{
    if (label.size() > kMaxLabelLength) return SCARD_E_INVALID_PARAMETER;
    KeyFileLock lock(keyPath_);
    if (lock.Error()) return lock.Error();
    const KeyFile* key = nullptr;
    const DWORD error = Access(true, key);
    if (error) return error;
    KeyFile updated = *key;
    updated.label = label;
    ++updated.generation;
    return Commit(updated);
}
