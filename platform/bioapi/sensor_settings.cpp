#include "sensor_settings.h"

#include <stdlib.h>
#include <string.h>

namespace {
const char kSettingsKey[] = "Software\\Ostrel\\BioSim";
const DWORD kMaxDelayMs = 60000;
const DWORD kMaxFingerFileSize = 16 * 1024 * 1024;

// The user's settings win as a whole; the machine's serve callers without a user hive.
HKEY OpenSettingsKey()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) return key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) return key;
    return nullptr;
}

class SettingsKey {
public:
    SettingsKey() : key_(OpenSettingsKey()) {}
    ~SettingsKey()
    {
        if (key_) RegCloseKey(key_);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    // False when the value is absent.
    bool Query(const char* name, DWORD* type, std::string* data) const
    {
        DWORD size = 0;
        if (!key_ || RegQueryValueExA(key_, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
        data->assign(size, '\0');
        if (size && RegQueryValueExA(key_, name, nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size) !=
                        ERROR_SUCCESS)
            return false;
        data->resize(size);
        if (*type == REG_SZ) data->resize(data->find('\0') == std::string::npos ? size : data->find('\0'));
        return true;
    }

    // The text of a REG_SZ value; `fallback` when absent or of another type.
    std::string Text(const char* name, const char* fallback) const
    {
        DWORD type;
        std::string data;
        return Query(name, &type, &data) && type == REG_SZ ? data : std::string(fallback);
    }

private:
    HKEY key_;
};

bool ParseAction(const std::string& text, SensorAction* action)
{
    static const struct {
        const char* name;
        SensorAction action;
    } kActions[] = {{"present", SensorAction::Present},
                    {"nofinger", SensorAction::NoFinger},
                    {"cancel", SensorAction::Cancel},
                    {"wait", SensorAction::Wait}};
    for (const auto& known : kActions)
        if (lstrcmpiA(text.c_str(), known.name) == 0) {
            *action = known.action;
            return true;
        }
    return false;
}

bool ParseChoice(const std::string& text, EnrolChoice* choice)
{
    if (lstrcmpiA(text.c_str(), "enrol") == 0) *choice = EnrolChoice::Enrol;
    else if (lstrcmpiA(text.c_str(), "remove") == 0) *choice = EnrolChoice::Remove;
    else return false;
    return true;
}

// REG_DWORD, or decimal digits in a REG_SZ (what `reg add` without /t writes).
bool ReadDelay(const SettingsKey& key, DWORD* delayMs)
{
    DWORD type;
    std::string data;
    if (!key.Query("DelayMs", &type, &data)) return true;
    unsigned long value;
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD dword;
        memcpy(&dword, data.data(), sizeof dword);
        value = dword;
    } else if (type == REG_SZ && !data.empty() && data.find_first_not_of("0123456789") == std::string::npos) {
        value = strtoul(data.c_str(), nullptr, 10);
    } else {
        return false;
    }
    if (value > kMaxDelayMs) return false;
    *delayMs = DWORD(value);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE && size <= kMaxFingerFileSize;
    if (ok) {
        bytes->assign(size, '\0');
        DWORD read = 0;
        ok = size == 0 || (ReadFile(file, &(*bytes)[0], size, &read, nullptr) && read == size);
    }
    CloseHandle(file);
    return ok;
}
}  // namespace

DWORD ReadSensorSettings(SensorSettings* settings)
{
    SettingsKey key;
    *settings = SensorSettings();
    if (!ParseAction(key.Text("Action", "present"), &settings->action) ||
        !ParseChoice(key.Text("Choice", "enrol"), &settings->choice) || !ReadDelay(key, &settings->delayMs))
        return ERROR_BAD_CONFIGURATION;
    return ERROR_SUCCESS;
}

DWORD ReadPresentedFinger(std::string* finger)
{
    SettingsKey key;
    DWORD type;
    std::string data;
    finger->clear();
    if (key.Query("Finger", &type, &data) && (type == REG_SZ || type == REG_BINARY)) *finger = data;
    if (finger->empty()) {
        std::string path = key.Text("FingerFile", "");
        if (!path.empty() && !ReadWholeFile(path, finger)) finger->clear();
    }
    return finger->empty() ? ERROR_NOT_READY : ERROR_SUCCESS;
}
