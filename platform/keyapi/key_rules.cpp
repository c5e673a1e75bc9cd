#include "key_rules.h"

int CardStatusOf(const KeyFile& key)
{
    if (!key.Formatted()) return kStatusNotFormatted;
    if (!key.HasPin()) return key.pinMax;
    if (key.pinLeft > 0) return key.pinLeft;
    return key.HasPuk() && key.pukLeft > 0 ? kStatusBlocked : kStatusFinallyBlocked;
}

uint32_t FreeBytes(const KeyFile& key)
{
    const uint32_t used = key.UsedBytes();
    return used < key.capacity ? key.capacity - used : 0;
}

bool FitsWithAppSize(const KeyFile& key, uint32_t appId, uint64_t newSize)
{
    const KeyApplication* app = key.FindApp(appId);
    const uint64_t others = uint64_t(key.UsedBytes()) - (app ? app->size : 0);
    return others + newSize <= key.capacity;
}

bool IsKnownApplication(uint32_t appId)
{
    return appId == kAppLogonProfiles || appId == kAppBioTemplate || appId == kAppNetWare;
}
