#include "fixture_dialogs.h"

#include <winwlx.h>

#include "dialog_template.h"
#include "fixture_config.h"
#include "fixture_ids.h"
#include "fixture_journal.h"
#include "fixture_state.h"

namespace {
struct SasNotifyPlan {
    DWORD delayMs, sasType;
};

DWORD WINAPI NotifyLater(void* param)
{
    SasNotifyPlan plan = *static_cast<SasNotifyPlan*>(param);
    delete static_cast<SasNotifyPlan*>(param);
    Sleep(plan.delayMs);
    Journal("WlxSasNotify %lu from thread %lu", plan.sasType, GetCurrentThreadId());
    g_fixture.dispatch->WlxSasNotify(g_fixture.hWlx, plan.sasType);
    return 0;
}

void StartSasNotifyThread()
{
    std::wstring plan = FixtureSetting(fixture_env::kSasNotify);
    size_t comma = plan.find(L',');
    if (comma == std::wstring::npos) return;
    auto* parsed = new SasNotifyPlan{(DWORD)std::wcstoul(plan.c_str(), nullptr, 0),
                                     (DWORD)std::wcstoul(plan.c_str() + comma + 1, nullptr, 0)};
    HANDLE thread = CreateThread(nullptr, 0, NotifyLater, parsed, 0, nullptr);
    if (thread) CloseHandle(thread);
}

INT_PTR CALLBACK NoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        Journal("NoticeDialog up, initParam %s", (void*)lParam == &g_fixtureContext ? "ok" : "wrong");
        StartSasNotifyThread();
        return TRUE;
    case WLX_WM_SAS:
        if (FixtureListContains(fixture_env::kNoticeKeeps, (DWORD)wParam)) {
            Journal("NoticeDialog WLX_WM_SAS %lu kept", (unsigned long)wParam);
            return TRUE;
        }
        Journal("NoticeDialog WLX_WM_SAS %lu passed on", (unsigned long)wParam);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK LockedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WLX_WM_SAS) Journal("LockedDialog WLX_WM_SAS %lu passed on", (unsigned long)wParam);
    return message == WM_INITDIALOG;
}

struct LogonDialogData {
    std::wstring user;
};

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

INT_PTR CALLBACK LogonProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* data = reinterpret_cast<LogonDialogData*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetDlgItemTextW(dialog, IDC_LOGON_STATUS, L"Enter your user name and password.");
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_LOGON_USER:
            if (HIWORD(wParam) == EN_CHANGE)
                EnableWindow(GetDlgItem(dialog, IDOK), !ItemText(dialog, IDC_LOGON_USER).empty());
            return TRUE;
        case IDOK:
            if (ItemText(dialog, IDC_LOGON_PASSWORD).empty()) {
                SetDlgItemTextW(dialog, IDC_LOGON_STATUS, L"The password must not be empty.");
                return TRUE;
            }
            data->user = ItemText(dialog, IDC_LOGON_USER);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WLX_WM_SAS:
        // Ctrl+Alt+Del while the logon dialog is up means nothing new: keep it.
        Journal("LogonDialog WLX_WM_SAS %lu kept", (unsigned long)wParam);
        return wParam == WLX_SAS_TYPE_CTRL_ALT_DEL;
    }
    return FALSE;
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDC_OPTIONS_LOCK:
        case IDC_OPTIONS_LOGOFF:
        case IDC_OPTIONS_SHUTDOWN:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
    }
    return FALSE;
}
}  // namespace

int ShowNoticeDialog()
{
    return g_fixture.dispatch->WlxDialogBoxParam(g_fixture.hWlx, g_fixtureModule,
                                                 MAKEINTRESOURCEW(IDD_FIXTURE_NOTICE), nullptr, NoticeProc,
                                                 (LPARAM)&g_fixtureContext);
}

int ShowLockedDialog()
{
    return g_fixture.dispatch->WlxDialogBox(g_fixture.hWlx, g_fixtureModule, MAKEINTRESOURCEW(IDD_FIXTURE_LOCKED),
                                            nullptr, LockedProc);
}

int ShowLogonDialog(std::wstring& user)
{
    CDialogTemplate logon(L"Fixture Log On", 220, 110);
    logon.Add(0, CDialogTemplate::kStatic, SS_LEFT, 10, 12, 60, 10, L"User name:");
    logon.Add(IDC_LOGON_USER, CDialogTemplate::kEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 75, 10, 135, 12, L"");
    logon.Add(0, CDialogTemplate::kStatic, SS_LEFT, 10, 32, 60, 10, L"Password:");
    logon.Add(IDC_LOGON_PASSWORD, CDialogTemplate::kEdit, WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 75,
              30, 135, 12, L"");
    logon.Add(IDC_LOGON_STATUS, CDialogTemplate::kStatic, SS_LEFT, 10, 52, 200, 20, L"");
    logon.Add(IDOK, CDialogTemplate::kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 100, 85, 50, 14, L"OK");
    logon.Add(IDCANCEL, CDialogTemplate::kButton, BS_PUSHBUTTON | WS_TABSTOP, 160, 85, 50, 14, L"Cancel");
    LogonDialogData data;
    int result = g_fixture.dispatch->WlxDialogBoxIndirectParam(g_fixture.hWlx, g_fixtureModule, logon.Get(), nullptr,
                                                               LogonProc, (LPARAM)&data);
    user = data.user;
    return result;
}

int ShowOptionsDialog()
{
    CDialogTemplate options(L"Fixture Security", 230, 50);
    options.Add(IDC_OPTIONS_LOCK, CDialogTemplate::kButton, BS_PUSHBUTTON | WS_TABSTOP, 5, 20, 50, 14, L"Lock");
    options.Add(IDC_OPTIONS_LOGOFF, CDialogTemplate::kButton, BS_PUSHBUTTON | WS_TABSTOP, 60, 20, 50, 14, L"Log Off");
    options.Add(IDC_OPTIONS_SHUTDOWN, CDialogTemplate::kButton, BS_PUSHBUTTON | WS_TABSTOP, 115, 20, 50, 14,
                L"Shut Down");
    options.Add(IDCANCEL, CDialogTemplate::kButton, BS_PUSHBUTTON | WS_TABSTOP, 170, 20, 50, 14, L"Cancel");
    return g_fixture.dispatch->WlxDialogBoxIndirect(g_fixture.hWlx, g_fixtureModule, options.Get(), nullptr,
                                                    OptionsProc);
}
