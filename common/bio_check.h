// The fingerprint check of a key that carries a BIO ID (application 227), and the
// panel's enrolment. The key work runs on a worker thread while a small modal
// "processing" dialog (template 5150 of `instance`) is shown; the biometric library is
// loaded only after the key work is done and unloaded right after. Every failure is
// shown at once in a message box with `caption`, except a refused or cancelled
// biometric dialog, which only leaves the Windows error for the caller.
#pragma once
#include <windows.h>
#include <tchar.h>

#include "keyapi_binding.h"

// The key's template compared with the finger on the sensor: true when it matches or the
// key has no template.
bool VerifyBIO(const KeyApiFunctions& api, HINSTANCE instance, HWND owner, const TCHAR* caption,
               KEYAPI_READER reader);
// Enrols a new template, replaces the old one or removes it (the person's choice in the
// biometric library's dialog).
bool ChangeBIO(const KeyApiFunctions& api, HINSTANCE instance, HWND owner, const TCHAR* caption,
               KEYAPI_READER reader);
