// The logon side's use of the profiles on a key: whether a key just inserted may be used
// for logon, and the choice between several profiles that fit this workstation.
#pragma once
#include <windows.h>
#include <tchar.h>

#include "profile_store.h"
#include "smart_key_wnd.h"

// True when the current key may be used for logon. Otherwise the reason is in the
// dialog's status line (1007); an empty key also enables the dialog's OK button.
bool ValidateKey(HWND dialog, const CSmartKey_WndDisp& key, bool ignoreKeysWithoutBioId);

// What the profile choice dialog (template 110) is given as its parameter.
struct ProfileChoice {
    Profile* profiles;    // the key's table; the chosen profile gets status 1, the others 0
    Profile* users;       // the local accounts (only u_name)
    LPCTSTR keyName;      // the key's displayName, for the message when nothing fits
};

// The list view of the choice dialog needs the common controls registered once.
bool RegisterProfileChoiceControls();

// Ends with the index of the chosen profile, or -1.
INT_PTR CALLBACK ProfileSelectionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
