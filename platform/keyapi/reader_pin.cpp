// PIN checks and changes; every counted attempt is written to the key before the answer.
#include "crypto_provider.h"
#include "key_content.h"
#include "reader_object.h"

namespace {
// The cipher for data under a new PIN: the best this machine has.
DWORD PickCipher(const std::string& newPin, uint8_t& cipher)
{
    cipher = newPin.empty() ? uint8_t(kCipherNone) : BestAvailableCipher();
    return !newPin.empty() && cipher == kCipherNone ? DWORD(NTE_PROV_TYPE_NOT_DEF) : 0;
}
}  // namespace

DWORD ReaderObject::VerifyPin(const std::string& pin)
{
    // The refusals that count nothing come first, without the lock or a fresh read: the
    // key monitor offers an empty PIN on every poll of a key that wants one.
    const KeyFile* key = nullptr;
    DWORD error = ConnectedKey(false, key);
    if (error) return error;
    if (!key->Formatted()) return SCARD_E_CARD_UNSUPPORTED;
    if (!key->HasPin()) {
        if (!pin.empty()) return SCARD_W_WRONG_CHV;
        connection_.verified = true;
        return 0;
    }
    if (key->pinLeft == 0) return SCARD_W_CHV_BLOCKED;
    if (pin.empty()) return SCARD_W_WRONG_CHV;

    KeyFileLock lock(keyPath_);
    if (lock.Error()) return lock.Error();
    error = ConnectedKey(true, key);
    if (error) return error;
    if (!key->HasPin()) return SCARD_W_WRONG_CHV;  // the PIN was removed meanwhile
    if (key->pinLeft == 0) return SCARD_W_CHV_BLOCKED;
    KeyFile updated = *key;
    DataKey dataKey;
    if (!OpenPinSeal(updated.pin, pin, dataKey)) {
        // The attempt is in the file before the answer is given.
        --updated.pinLeft;
        Commit(updated);
        return SCARD_W_WRONG_CHV;
    }
    if (updated.pinLeft != updated.pinMax) {
        updated.pinLeft = updated.pinMax;
        Commit(updated);
    }
    Verified(updated, dataKey);
    return 0;
}

DWORD ReaderObject::ChangePin(const std::string& oldPin, const std::string& newPin)
{
    if (newPin.size() > kMaxPinLength) return SCARD_E_INVALID_PARAMETER;
    uint8_t cipherId;
    DWORD error = PickCipher(newPin, cipherId);
    if (error) return error;
    KeyFileLock lock(keyPath_);
    if (lock.Error()) return lock.Error();
    const KeyFile* key = nullptr;
    error = ConnectedKey(true, key);
    if (error) return error;
    if (!key->Formatted()) return SCARD_E_CARD_UNSUPPORTED;

    KeyFile updated = *key;
    DataKey current;
    if (updated.HasPin()) {
        if (updated.pinLeft == 0) return SCARD_W_CHV_BLOCKED;
        if (oldPin.empty()) return SCARD_W_WRONG_CHV;
        if (!OpenPinSeal(updated.pin, oldPin, current)) {
            --updated.pinLeft;
            Commit(updated);
            return SCARD_W_WRONG_CHV;
        }
    } else if (!oldPin.empty()) {
        return SCARD_W_WRONG_CHV;
    }
    const uint32_t iterations = updated.HasPin() ? updated.pin.iterations : kDefaultIterations;
    CryptoRandom random;
    CryptoCipher cipher;
    DataKey fresh;
    const ContentError changed = ChangeKeyPin(updated, updated.HasPin() ? &current : nullptr, newPin, cipherId,
                                              iterations, random, cipher, fresh);
    if (changed != ContentError::None) return ContentErrorCode(changed);
    error = Commit(updated);
    if (error) return error;
    Verified(updated, fresh);
    return 0;
}

DWORD ReaderObject::UnblockPin(const std::string& puk, const std::string& newPin)
{
    if (newPin.size() > kMaxPinLength) return SCARD_E_INVALID_PARAMETER;
    uint8_t cipherId;
    DWORD error = PickCipher(newPin, cipherId);
    if (error) return error;
    KeyFileLock lock(keyPath_);
    if (lock.Error()) return lock.Error();
    const KeyFile* key = nullptr;
    error = ConnectedKey(true, key);
    if (error) return error;
    if (!key->Formatted()) return SCARD_E_CARD_UNSUPPORTED;
    if (!key->HasPuk()) return SCARD_E_UNSUPPORTED_FEATURE;
    if (key->pukLeft == 0) return SCARD_W_CHV_BLOCKED;
    if (puk.empty()) return SCARD_W_WRONG_CHV;

    KeyFile updated = *key;
    DataKey current;
    const bool right = updated.HasPin() ? OpenPukSeal(updated.puk, puk, current) : CheckPuk(updated.puk, puk);
    if (!right) {
        --updated.pukLeft;
        Commit(updated);
        return SCARD_W_WRONG_CHV;
    }
    const uint32_t iterations = updated.HasPin() ? updated.pin.iterations : updated.puk.iterations;
    CryptoRandom random;
    CryptoCipher cipher;
    DataKey fresh;
    const ContentError changed = ChangeKeyPin(updated, updated.HasPin() ? &current : nullptr, newPin, cipherId,
                                              iterations, random, cipher, fresh);
    if (changed != ContentError::None) return ContentErrorCode(changed);
    error = Commit(updated);
    if (error) return error;
    Verified(updated, fresh);
    return 0;
}
