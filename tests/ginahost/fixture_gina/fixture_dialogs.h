// The fixture GINA's dialogs, each opened through one of the four WlxDialogBox* calls.
#pragma once
#include <windows.h>

#include <string>

int ShowNoticeDialog();   // WlxDialogBoxParam, resource IDD_FIXTURE_NOTICE
int ShowLockedDialog();   // WlxDialogBox, resource IDD_FIXTURE_LOCKED
// WlxDialogBoxIndirectParam: user name and password; OK only with a user name, and only
// with a password (else the status line says why).
int ShowLogonDialog(std::wstring& user);
// WlxDialogBoxIndirect: Lock / Log off / Shut down / Cancel; returns the button's id.
int ShowOptionsDialog();
