#include "key_content.h"

#include <cstring>

#include "key_rules.h"
#include "secure_memory.h"

namespace {
// Plain copies of every application, wiped when dropped.
struct PlainApps {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> apps;
    ~PlainApps()
    {
        for (auto& app : apps) WipeBytes(app.second);
    }
};

ContentError Seal(KeyFile& key, uint32_t appId, const std::vector<uint8_t>& plain, const DataKey* dataKey,
                  DataCipher& cipher, RandomSource& random, KeyApplication& out)
{
    out.id = appId;
    out.size = uint32_t(plain.size());
    std::memset(out.iv, 0, sizeof out.iv);
    if (!key.HasPin()) {
        out.stored = plain;
        return ContentError::None;
    }
    if (!dataKey) return ContentError::CipherFailed;
    if (!random.Fill(out.iv, sizeof out.iv)) return ContentError::NoRandom;
    if (!cipher.Encrypt(key.cipher, *dataKey, out.iv, plain.data(), plain.size(), out.stored) ||
        out.stored.size() != StoredSizeOf(key.cipher, out.size))
        return ContentError::CipherFailed;
    return ContentError::None;
}

void Replace(KeyFile& key, uint32_t appId, KeyApplication&& app)
{
    for (size_t i = 0; i < key.apps.size(); ++i) {
        if (key.apps[i].id != appId) continue;
        if (app.size)
            key.apps[i] = std::move(app);
        else
            key.apps.erase(key.apps.begin() + i);
        return;
    }
    if (app.size) key.apps.push_back(std::move(app));
}
}  // namespace

KeyFile MakeBlankKey(const uint8_t cardId[kCardIdSize], uint32_t capacity)
{
    KeyFile key;
    std::memcpy(key.cardId, cardId, kCardIdSize);
    key.capacity = capacity;
    key.pinMax = key.pinLeft = kDefaultPinAttempts;
    return key;
}

ContentError FormatKey(KeyFile& key, const FormatOptions& options, RandomSource& random, DataCipher& cipher)
{
    if (options.label.size() > kMaxLabelLength || options.label.find('\0') != std::string::npos ||
        options.pin.size() > kMaxPinLength || options.puk.size() > kMaxPinLength || options.pinAttempts == 0 ||
        options.iterations == 0 || options.iterations > kMaxIterations)
        return ContentError::BadArgument;
    KeyFile formatted = MakeBlankKey(key.cardId, key.capacity);
    formatted.generation = key.generation + 1;
    formatted.flags = kKeyFormatted;
    formatted.label = options.label;
    formatted.pinMax = formatted.pinLeft = options.pinAttempts;
    if (!options.puk.empty()) {
        if (options.pukAttempts == 0) return ContentError::BadArgument;
        if (!LockWithPuk(formatted.puk, options.puk, options.iterations, random)) return ContentError::NoRandom;
        formatted.flags |= kKeyHasPuk;
        formatted.pukMax = formatted.pukLeft = options.pukAttempts;
    }
    DataKey unused;
    const ContentError error =
        ChangeKeyPin(formatted, nullptr, options.pin, options.cipher, options.iterations, random, cipher, unused);
    if (error != ContentError::None) return error;
    key = std::move(formatted);
    return ContentError::None;
}

void UnformatKey(KeyFile& key)
{
    KeyFile blank = MakeBlankKey(key.cardId, key.capacity);
    blank.generation = key.generation + 1;
    key = std::move(blank);
}

ContentError ReadApplication(const KeyFile& key, uint32_t appId, const DataKey* dataKey, DataCipher& cipher,
                             std::vector<uint8_t>& plain)
{
    WipeBytes(plain);
    const KeyApplication* app = key.FindApp(appId);
    if (!app) return ContentError::None;
    if (!key.HasPin()) {
        plain = app->stored;
        return ContentError::None;
    }
    if (!dataKey || !cipher.Decrypt(key.cipher, *dataKey, app->iv, app->stored, plain) || plain.size() != app->size) {
        WipeBytes(plain);
        return ContentError::CipherFailed;
    }
    return ContentError::None;
}

ContentError WriteApplication(KeyFile& key, uint32_t appId, const std::vector<uint8_t>& plain,
                              const DataKey* dataKey, DataCipher& cipher, RandomSource& random)
{
    if (!FitsWithAppSize(key, appId, plain.size())) return ContentError::NoSpace;
    KeyApplication app;
    const ContentError error = Seal(key, appId, plain, dataKey, cipher, random, app);
    if (error != ContentError::None) return error;
    Replace(key, appId, std::move(app));
    ++key.generation;
    return ContentError::None;
}

ContentError ChangeKeyPin(KeyFile& key, const DataKey* current, const std::string& newPin, uint8_t cipherId,
                          uint32_t iterations, RandomSource& random, DataCipher& cipher, DataKey& newKey)
{
    if (newPin.size() > kMaxPinLength || (!newPin.empty() && CipherBlockSize(cipherId) == 0))
        return ContentError::BadArgument;
    PlainApps plain;
    for (const KeyApplication& app : key.apps) {
        plain.apps.emplace_back(app.id, std::vector<uint8_t>());
        const ContentError error = ReadApplication(key, app.id, current, cipher, plain.apps.back().second);
        if (error != ContentError::None) return error;
    }

    KeyFile changed = key;
    changed.apps.clear();
    changed.pin = PinSeal();
    changed.flags &= uint16_t(~kKeyHasPin);
    changed.cipher = kCipherNone;
    if (!newPin.empty()) {
        if (!random.Fill(newKey.bytes, sizeof newKey.bytes)) return ContentError::NoRandom;
        if (!SealWithPin(changed.pin, newPin, iterations, newKey, random)) return ContentError::NoRandom;
        changed.flags |= kKeyHasPin;
        changed.cipher = cipherId;
    }
    // Without a PIN the data is plain, so nothing stays sealed for the PUK either.
    std::memset(changed.puk.ephemeralKey, 0, kSecretSize);
    std::memset(changed.puk.wrappedKey, 0, kSecretSize);
    if (changed.HasPin() && changed.HasPuk() && !SealForPuk(changed.puk, newKey, random)) return ContentError::NoRandom;

    for (const auto& app : plain.apps) {
        KeyApplication sealed;
        const ContentError error = Seal(changed, app.first, app.second, &newKey, cipher, random, sealed);
        if (error != ContentError::None) return error;
        changed.apps.push_back(std::move(sealed));
    }
    changed.pinLeft = changed.pinMax;
    changed.pukLeft = changed.pukMax;
    ++changed.generation;
    key = std::move(changed);
    return ContentError::None;
}
