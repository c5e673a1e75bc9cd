// What a connection tells about its key without the PIN.
#include <cstring>

#include "key_rules.h"
#include "reader_object.h"

DWORD ReaderObject::CardId(uint8_t id[kCardIdSize])
{
    const KeyFile* key = nullptr;
    const DWORD error = ConnectedKey(false, key);
    if (!error) std::memcpy(id, key->cardId, kCardIdSize);
    return error;
}

DWORD ReaderObject::Label(std::string& label)
{
    const KeyFile* key = nullptr;
    const DWORD error = ConnectedKey(false, key);
    if (!error) label = key->label;
    return error;
}

DWORD ReaderObject::AppInfo(DWORD appId, DWORD& used, DWORD& freeBytes)
{
    const KeyFile* key = nullptr;
    const DWORD error = ConnectedKey(false, key);
    if (error) return error;
    if (appId != 0 && !IsKnownApplication(appId)) return SCARD_E_INVALID_PARAMETER;
    const KeyApplication* app = key->FindApp(appId);
    used = appId == 0 ? key->UsedBytes() : app ? app->size : 0;
    freeBytes = FreeBytes(*key);
    return 0;
}

DWORD ReaderObject::Applications(std::vector<DWORD>& ids)
{
    const KeyFile* key = nullptr;
    const DWORD error = ConnectedKey(false, key);
    if (error) return error;
    ids.clear();
    for (const uint32_t id : {kAppLogonProfiles, kAppBioTemplate, kAppNetWare})
        if (key->FindApp(id)) ids.push_back(id);
    return 0;
}
