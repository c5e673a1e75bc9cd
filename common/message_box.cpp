#include "message_box.h"

#include <tchar.h>

namespace {
MessageBoxRoute volatile g_route = nullptr;
}

const TCHAR kProductCaption[] = _T("Ostrel Logon");

void SetMessageBoxRoute(MessageBoxRoute route) { g_route = route; }

int ShowMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)
{
    MessageBoxRoute route = g_route;
    return route ? route(owner, text, caption, type) : MessageBox(owner, text, caption, type);
}
