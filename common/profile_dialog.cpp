#include "profile_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "account_dialogs.h"
#include "key_log.h"
#include "lang.h"
#include "message_box.h"
#include "string_ids.h"
#include "text_convert.h"

namespace {
const int kUserColumnWidth = 130;
const int kDomainColumnWidth = 150;

void AddColumn(HWND list, int index, UINT textId, int width)
{
    TCHAR text[100];
    LoadText(textId, text, ARRAYSIZE(text));
    LVCOLUMN column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = text;
    column.cx = width;
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

void AddRow(HWND list, const Profile& profile, int index)
{
    LVITEM item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<LPTSTR>(profile.u_name);
    item.lParam = index;
    const int row = ListView_InsertItem(list, &item);
    if (row >= 0) ListView_SetItemText(list, row, 1, const_cast<LPTSTR>(profile.c_name));
}

bool Prepare(HWND dialog, const ProfileChoice& choice)
{
    KeyLog(LOG_TRACE, "ProfileSelectionDlgProc", "Profile Selection DlgProc init ...");
    TCHAR text[300];
    LoadText(IDS_CHOOSE_PROFILE, text, ARRAYSIZE(text));
    SetDlgItemText(dialog, IDC_ACCOUNT_TEXT, text);
    LoadText(IDS_CANCEL, text, ARRAYSIZE(text));
    SetDlgItemText(dialog, IDCANCEL, text);
    LoadText(IDS_USER_PROFILES, text, ARRAYSIZE(text));
    SetWindowText(dialog, text);
    HWND list = GetDlgItem(dialog, IDC_PROFILE_LIST);
    AddColumn(list, 0, IDS_USER_NAME, kUserColumnWidth);
    AddColumn(list, 1, IDS_DOMAIN, kDomainColumnWidth);

    const int usable = MatchProfilesToWorkstation(choice.profiles, choice.users);
    if (usable == 0) {
        ShowMessageBox(dialog, FormatText(IDS_NO_PROFILES_FOR_WORKSTATION, choice.keyName ? choice.keyName : _T("")),
                       kProductCaption, MB_ICONEXCLAMATION);
        return false;
    }
    KeyLog(LOG_TRACE, "ProfileSelectionDlgProc", "Validate profiles = %d", usable);
    for (int i = 0; i < kMaxProfiles && choice.profiles[i].u_name[0]; ++i)
        if (choice.profiles[i].status != 0) AddRow(list, choice.profiles[i], i);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(list);
    return true;
}

void Choose(HWND dialog, const ProfileChoice& choice)
{
    HWND list = GetDlgItem(dialog, IDC_PROFILE_LIST);
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0) return;
    LVITEM item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(list, &item)) return;
    const int index = int(item.lParam);
    KeyLog(LOG_TRACE, "ProfileSelectionDlgProc", "select profile: %d", index);
    if (index < 0 || index > kMaxProfiles) return;
    for (int i = 0; i < kMaxProfiles && choice.profiles[i].u_name[0]; ++i) choice.profiles[i].status = i == index;
    EndDialog(dialog, index);
}
}  // namespace

bool ValidateKey(HWND dialog, const CSmartKey_WndDisp& key, bool ignoreKeysWithoutBioId)
{
    KeyLog(LOG_TRACE, "ValidateKey", "ValidateKey");
    if (ignoreKeysWithoutBioId && key.bioSize == 0) {
        KeyLog(LOG_TRACE, "ValidateKey", "ignore_key_without_bioid ");
        SetDlgItemText(dialog, IDC_ACCOUNT_TEXT, FormatText(IDS_NO_BIO_ID_IGNORING_KEY, key.displayName));
        return false;
    }
    if (key.dataSize != 0) return true;
    KeyLog(LOG_TRACE, "ValidateKey", "empty key found");
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    TCHAR empty[200], line[600];
    LoadText(IDS_EMPTY_KEY, empty, ARRAYSIZE(empty));
    _sntprintf(line, ARRAYSIZE(line), _T("%s (%s)"), empty, key.displayName);
    line[ARRAYSIZE(line) - 1] = 0;
    SetDlgItemText(dialog, IDC_ACCOUNT_TEXT, line);
    return false;
}

bool RegisterProfileChoiceControls()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
}

INT_PTR CALLBACK ProfileSelectionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* choice = reinterpret_cast<ProfileChoice*>(GetWindowLongPtr(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtr(dialog, DWLP_USER, lParam);
        choice = reinterpret_cast<ProfileChoice*>(lParam);
        if (!choice || !choice->profiles || !Prepare(dialog, *choice)) EndDialog(dialog, -1);
        return FALSE;  // the focus is set
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (choice && header->idFrom == IDC_PROFILE_LIST && header->code == NM_DBLCLK) Choose(dialog, *choice);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && choice) Choose(dialog, *choice);
        if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, -1);
        return TRUE;
    }
    return FALSE;
}
