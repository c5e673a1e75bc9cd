// Message boxes of the key library. Inside the GINA every box must go through Winlogon
// (WlxMessageBox), so the GINA installs its own way; elsewhere it is MessageBox.
#pragma once
#include <windows.h>

typedef int(CALLBACK* MessageBoxRoute)(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);

void SetMessageBoxRoute(MessageBoxRoute route);  // nullptr: MessageBox again
int ShowMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);

// "Ostrel Logon", the caption of the product's boxes.
extern const TCHAR kProductCaption[];
