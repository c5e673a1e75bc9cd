// "Please wait ..." (template 103): a short pause shown before a key-removal lock or
// log-off is answered, so the user sees why the session changes.
#pragma once
#include <windows.h>

// Ends itself with 2 about 0.7 s after it opened (a 400 ms timer, then 300 ms).
INT_PTR CALLBACK BriefWaitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the dialog through Winlogon so a SAS can end it; returns its result.
int ShowBriefWait();
