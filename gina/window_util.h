// Window helpers shared by every GINA window.
#pragma once
#include <windows.h>

// Top-left corner that centres a width x height window in an area of W x H:
// x = (W - width) / 2, y = (H - height) / 3 (a third from the top reads better).
POINT CenteredOrigin(int areaWidth, int areaHeight, int width, int height);

// Centres a child window in its parent (the desktop when it has none) and a top-level
// window on the screen, then brings it to the foreground.
void CenterWindow(HWND window);

// Enable or disable, show or hide, each control of a zero-terminated id list.
void EnableControls(HWND dialog, const int* ids, BOOL enable);
void ShowControls(HWND dialog, const int* ids, BOOL show);
