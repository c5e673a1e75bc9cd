// What a key file means to a caller: its InitCard status and its free space. Portable.
#pragma once
#include <cstdint>

#include "key_file.h"

// InitCard statuses; a positive status is the number of PIN attempts left.
enum CardStatus {
    kStatusBlocked = 0,
    kStatusNoKey = -1,
    kStatusNotFormatted = -2,
    kStatusKeyError = -3,
    kStatusUnchanged = -5,
    kStatusReaderError = -6,
    kStatusFinallyBlocked = -7,
};

// Status of a readable key: attempts left (a key without PIN reports its maximum), blocked,
// finally blocked (no PUK attempts left, or no PUK at all), or not formatted.
int CardStatusOf(const KeyFile& key);

// Bytes still free on the key; the applications share its capacity.
uint32_t FreeBytes(const KeyFile& key);

// True when application `appId` may hold `newSize` bytes with the others as they are.
bool FitsWithAppSize(const KeyFile& key, uint32_t appId, uint64_t newSize);

// The applications a caller may address (the whole key, 0, is not one).
bool IsKnownApplication(uint32_t appId);
