#include "window_util.h"

POINT CenteredOrigin(int areaWidth, int areaHeight, int width, int height)
{
    return POINT{(areaWidth - width) / 2, (areaHeight - height) / 3};
}

void CenterWindow(HWND window)
{
    RECT own;
    if (!GetWindowRect(window, &own)) return;
    int areaWidth, areaHeight;
    if (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) {
        HWND parent = GetParent(window);
        RECT area;
        GetClientRect(parent ? parent : GetDesktopWindow(), &area);
        areaWidth = area.right - area.left;
        areaHeight = area.bottom - area.top;
    } else {
        areaWidth = GetSystemMetrics(SM_CXSCREEN);
        areaHeight = GetSystemMetrics(SM_CYSCREEN);
    }
    const POINT origin = CenteredOrigin(areaWidth, areaHeight, own.right - own.left, own.bottom - own.top);
    SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetForegroundWindow(window);
}

void EnableControls(HWND dialog, const int* ids, BOOL enable)
{
    for (; ids && *ids; ++ids)
        if (HWND control = GetDlgItem(dialog, *ids)) EnableWindow(control, enable);
}

void ShowControls(HWND dialog, const int* ids, BOOL show)
{
    for (; ids && *ids; ++ids)
        if (HWND control = GetDlgItem(dialog, *ids)) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}
