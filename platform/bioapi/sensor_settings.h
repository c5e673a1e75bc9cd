// The simulated sensor's registry settings (documented in ovbioapi.h).
#pragma once
#include <windows.h>

#include <string>

enum class SensorAction { Present, NoFinger, Cancel, Wait };
enum class EnrolChoice { Enrol, Remove };

struct SensorSettings {
    SensorAction action = SensorAction::Present;
    DWORD delayMs = 400;
    EnrolChoice choice = EnrolChoice::Enrol;
};

// ERROR_SUCCESS, or ERROR_BAD_CONFIGURATION for an Action, Choice or DelayMs it does not know.
DWORD ReadSensorSettings(SensorSettings* settings);

// The bytes of the finger on the sensor now: ERROR_SUCCESS, or ERROR_NOT_READY when no
// finger is configured or its file cannot be read.
DWORD ReadPresentedFinger(std::string* finger);
