// keyctl create, insert, remove, show: the key file itself, through the library's core
// (format, atomic replace and writer lock), not its exports.
#include <cstdio>

#include "commands.h"
#include "crypto_provider.h"
#include "exit_codes.h"
#include "file_io.h"
#include "key_content.h"
#include "key_rules.h"
#include "key_storage.h"
#include "report.h"
#include "targets.h"

namespace {
std::string Hex(const uint8_t* bytes, size_t size)
{
    std::string text;
    char digits[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

// Eight random digits, drawn without modulo bias.
bool RandomPuk(RandomSource& random, std::string& puk)
{
    puk.clear();
    while (puk.size() < 8) {
        uint8_t byte;
        if (!random.Fill(&byte, 1)) return false;
        if (byte < 250) puk += char('0' + byte % 10);
    }
    return true;
}

int NumberOption(const Arguments& args, const char* name, unsigned long low, unsigned long high,
                 unsigned long otherwise, unsigned long& value)
{
    value = otherwise;
    if (!args.Has(name)) return kExitOk;
    if (ParseNumber(args.Value(name), low, high, value)) return kExitOk;
    return Fail(kExitUsage, "--" + std::string(name) + " needs a number from " + std::to_string(low) + " to " +
                                std::to_string(high));
}

// Writes key bytes where a key goes, atomically and under the key's writer lock.
int PutKey(const std::string& keyPath, const std::vector<uint8_t>& bytes, bool replace, const std::string& where)
{
    KeyFileLock lock(keyPath);
    if (lock.Error()) return FailWith("the key is locked", lock.Error());
    if (!replace && PathExists(keyPath))
        return Fail(kExitFileError, "a key is already in " + where + " (--force replaces it)");
    if (const DWORD error = ReplaceKeyFile(keyPath, bytes)) return FailWith("cannot write " + keyPath, error);
    return kExitOk;
}

const char* CipherName(uint8_t cipher)
{
    switch (cipher) {
    case kCipherAes256Cbc: return "AES-256";
    case kCipherTripleDesCbc: return "Triple DES";
    default: return "none";
    }
}

const char* ApplicationName(uint32_t id)
{
    switch (id) {
    case kAppLogonProfiles: return "logon profiles";
    case kAppBioTemplate: return "biometric template";
    case kAppNetWare: return "NetWare";
    default: return "unknown";
    }
}

std::string Where(const KeyTarget& target) { return target.reader ? "reader \"" + target.name + "\"" : target.keyPath; }

bool SameFile(const std::string& a, const std::string& b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH];
    return GetFullPathNameA(a.c_str(), MAX_PATH, fullA, nullptr) && GetFullPathNameA(b.c_str(), MAX_PATH, fullB, nullptr) &&
           lstrcmpiA(fullA, fullB) == 0;
}
}  // namespace

int CreateKey(const Arguments& args)
{
    KeyTarget target;
    if (const int code = ResolveTarget(args.Positional()[0], target)) return code;
    unsigned long capacity, attempts, pukAttempts, iterations;
    if (int code = NumberOption(args, "capacity", 1, kMaxCapacity, kDefaultCapacity, capacity)) return code;
    if (int code = NumberOption(args, "attempts", 1, 255, kDefaultPinAttempts, attempts)) return code;
    if (int code = NumberOption(args, "puk-attempts", 1, 255, kDefaultPukAttempts, pukAttempts)) return code;
    if (int code = NumberOption(args, "iterations", 1, kMaxIterations, kDefaultIterations, iterations)) return code;
    if (args.Has("puk") && args.Has("no-puk")) return Fail(kExitUsage, "--puk and --no-puk exclude each other");
    if (!args.Has("force") && PathExists(target.keyPath))
        return Fail(kExitFileError, "a key is already in " + Where(target) + " (--force replaces it)");

    CryptoRandom random;
    uint8_t id[kCardIdSize];
    if (!random.Fill(id, sizeof id)) return FailWith("no random numbers", GetLastError());
    KeyFile key = MakeBlankKey(id, capacity);
    std::string generatedPuk;
    if (!args.Has("unformatted")) {
        FormatOptions options;
        options.label = args.Value("label");
        options.pin = args.Value("pin");
        options.puk = args.Value("puk");
        if (!args.Has("puk") && !args.Has("no-puk")) {
            if (!RandomPuk(random, generatedPuk)) return FailWith("no random numbers", GetLastError());
            options.puk = generatedPuk;
        }
        options.pinAttempts = uint8_t(attempts);
        options.pukAttempts = uint8_t(pukAttempts);
        options.iterations = iterations;
        options.cipher = BestAvailableCipher();
        if (!options.pin.empty() && options.cipher == kCipherNone)
            return Fail(kExitKeyApiError, "this Windows has no cipher for a PIN-protected key");
        CryptoCipher cipher;
        const ContentError error = FormatKey(key, options, random, cipher);
        if (error == ContentError::BadArgument)
            return Fail(kExitUsage, "label up to 32 characters, PIN and PUK up to 64");
        if (error != ContentError::None) return FailWith("cannot make the key", GetLastError());
    }
    if (const int code = PutKey(target.keyPath, SerializeKeyFile(key), args.Has("force"), Where(target))) return code;
    std::printf("key %s created in %s\n", Hex(key.cardId, kCardIdSize).c_str(), Where(target).c_str());
    if (!generatedPuk.empty()) std::printf("PUK: %s\n", generatedPuk.c_str());
    return kExitOk;
}

int InsertKey(const Arguments& args)
{
    const std::string& source = args.Positional()[0];
    ReaderPlace place;
    if (const int code = FindReader(args.Positional()[1], place)) return code;
    if (SameFile(source, place.KeyPath())) return Fail(kExitFileError, source + " is the key in that reader already");
    std::vector<uint8_t> bytes;
    if (const DWORD error = ReadWholeFile(source, bytes)) return FailWith("cannot read " + source, error);
    KeyFile key;
    const KeyFileProblem problem = ParseKeyFile(bytes.data(), bytes.size(), key);
    if (problem != KeyFileProblem::None)
        return Fail(kExitBadKey, source + " is no usable key: " + DescribeKeyFileProblem(problem));
    if (const int code = PutKey(place.KeyPath(), bytes, args.Has("force"), "reader \"" + place.name + "\""))
        return code;
    if (args.Has("move") && !DeleteFileA(source.c_str()))
        return FailWith("the key is inserted, but " + source + " stays", GetLastError());
    std::printf("key %s inserted into reader \"%s\"\n", Hex(key.cardId, kCardIdSize).c_str(), place.name.c_str());
    return kExitOk;
}

int RemoveKey(const Arguments& args)
{
    ReaderPlace place;
    if (const int code = FindReader(args.Positional()[0], place)) return code;
    const std::string keyPath = place.KeyPath();
    KeyFileLock lock(keyPath);
    if (lock.Error()) return FailWith("the key is locked", lock.Error());
    std::vector<uint8_t> bytes;
    const DWORD readError = ReadWholeFile(keyPath, bytes);
    if (readError == ERROR_FILE_NOT_FOUND || readError == ERROR_PATH_NOT_FOUND)
        return Fail(kExitNoKey, "no key in reader \"" + place.name + "\"");
    if (readError) return FailWith("cannot read " + keyPath, readError);
    if (args.Positional().size() > 1) {
        const std::string& destination = args.Positional()[1];
        if (const DWORD error = WriteWholeFile(destination, bytes, args.Has("force")))
            return error == ERROR_FILE_EXISTS ? Fail(kExitFileError, destination + " exists (--force overwrites it)")
                                              : FailWith("cannot write " + destination, error);
    }
    if (!DeleteFileA(keyPath.c_str())) return FailWith("cannot take the key out", GetLastError());
    DeleteFileA((keyPath + ".tmp").c_str());  // left by an interrupted write
    std::printf("key taken out of reader \"%s\"\n", place.name.c_str());
    return kExitOk;
}

int ShowKey(const Arguments& args)
{
    KeyTarget target;
    if (const int code = ResolveTarget(args.Positional()[0], target)) return code;
    std::vector<uint8_t> bytes;
    const DWORD readError = ReadWholeFile(target.keyPath, bytes);
    if (readError == ERROR_FILE_NOT_FOUND || readError == ERROR_PATH_NOT_FOUND)
        return Fail(kExitNoKey, "no key in " + Where(target));
    if (readError) return FailWith("cannot read " + target.keyPath, readError);
    std::printf("Key file:     %s\n", target.keyPath.c_str());
    KeyFile key;
    const KeyFileProblem problem = ParseKeyFile(bytes.data(), bytes.size(), key);
    if (problem != KeyFileProblem::None) {
        std::printf("State:        %s\n", DescribeKeyFileProblem(problem));
        return kExitBadKey;
    }
    const int status = CardStatusOf(key);
    const char* state = status == kStatusNotFormatted    ? "not formatted"
                        : status == kStatusFinallyBlocked ? "finally blocked"
                        : status == kStatusBlocked        ? "PIN blocked"
                                                          : "ready";
    std::printf("Card id:      %s\n", Hex(key.cardId, kCardIdSize).c_str());
    std::printf("State:        %s\n", state);
    std::printf("Capacity:     %lu bytes, %lu used, %lu free\n", static_cast<unsigned long>(key.capacity),
                static_cast<unsigned long>(key.UsedBytes()), static_cast<unsigned long>(FreeBytes(key)));
    if (!key.Formatted()) return kExitOk;
    std::printf("Label:        %s\n", key.label.c_str());
    if (key.HasPin())
        std::printf("PIN:          set, data encrypted (%s, %lu iterations)\n", CipherName(key.cipher),
                    static_cast<unsigned long>(key.pin.iterations));
    else
        std::printf("PIN:          none, data stored plain\n");
    std::printf("PIN attempts: %u of %u left\n", key.pinLeft, key.pinMax);
    if (key.HasPuk())
        std::printf("PUK:          set, %u of %u attempts left\n", key.pukLeft, key.pukMax);
    else
        std::printf("PUK:          none\n");
    for (const uint32_t id : {kAppLogonProfiles, kAppBioTemplate, kAppNetWare}) {
        const KeyApplication* app = key.FindApp(id);
        std::printf("Application %lu (%s): %lu bytes\n", static_cast<unsigned long>(id), ApplicationName(id),
                    static_cast<unsigned long>(app ? app->size : 0));
    }
    return kExitOk;
}
