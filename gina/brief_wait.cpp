#include "brief_wait.h"

#include "gina_context.h"
#include "gina_res.h"
#include "log.h"

namespace {
const UINT_PTR kWaitTimer = 1;
}

INT_PTR CALLBACK BriefWaitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        g_log.Trace("0.2 second dialog BEGIN", 0);
        SetTimer(dialog, kWaitTimer, 400, nullptr);
        return TRUE;
    case WM_TIMER:
        g_log.Trace("0.2 second dialog END", 0);
        KillTimer(dialog, kWaitTimer);
        Sleep(300);
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

int ShowBriefWait()
{
    if (!g_pWinlogon) return -1;
    return g_pWinlogon->WlxDialogBoxParam(g_hWlx, g_hInstance, MAKEINTRESOURCEW(IDD_PLEASE_WAIT), nullptr,
                                          BriefWaitDlgProc, 0);
}
