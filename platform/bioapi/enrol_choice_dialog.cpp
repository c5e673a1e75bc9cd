#include "enrol_choice_dialog.h"

#include "bioapi_module.h"
#include "bioapi_res.h"

namespace {
const UINT_PTR kPersonActsTimer = 1;

struct ChoiceState {
    bool offerRemove;
    SensorSettings settings;
    EnrolChoice choice;
    DWORD result;
};

void Click(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// The simulated person answers through the dialog's own buttons, as a click would.
void SimulatedPersonActs(HWND dialog, ChoiceState* state)
{
    if (state->settings.action == SensorAction::Cancel) {
        Click(dialog, IDCANCEL);
        return;
    }
    if (state->offerRemove && state->settings.choice == EnrolChoice::Remove)
        CheckRadioButton(dialog, IDC_CHOICE_ENROL, IDC_CHOICE_REMOVE, IDC_CHOICE_REMOVE);
    Click(dialog, IDOK);
}

INT_PTR CALLBACK ChoiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<ChoiceState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<ChoiceState*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        CheckRadioButton(dialog, IDC_CHOICE_ENROL, IDC_CHOICE_REMOVE, IDC_CHOICE_ENROL);
        if (!state->offerRemove) ShowWindow(GetDlgItem(dialog, IDC_CHOICE_REMOVE), SW_HIDE);
        if (state->settings.action != SensorAction::Wait)
            SetTimer(dialog, kPersonActsTimer, state->settings.delayMs, nullptr);
        return TRUE;
    case WM_TIMER:
        if (wParam != kPersonActsTimer) return FALSE;
        KillTimer(dialog, kPersonActsTimer);
        SimulatedPersonActs(dialog, state);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            state->choice = state->offerRemove && IsDlgButtonChecked(dialog, IDC_CHOICE_REMOVE) == BST_CHECKED
                                ? EnrolChoice::Remove
                                : EnrolChoice::Enrol;
            state->result = ERROR_SUCCESS;
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            state->result = ERROR_CANCELLED;
            EndDialog(dialog, IDOK);
        }
        return TRUE;
    }
    return FALSE;
}
}  // namespace

DWORD RunEnrolChoiceDialog(HWND owner, bool offerRemove, const SensorSettings& settings, EnrolChoice* choice)
{
    ChoiceState state = {offerRemove, settings, EnrolChoice::Enrol, ERROR_GEN_FAILURE};
    INT_PTR shown = DialogBoxParamA(g_bioModule, MAKEINTRESOURCEA(IDD_ENROL_CHOICE), owner, ChoiceDlgProc,
                                    reinterpret_cast<LPARAM>(&state));
    if (shown != IDOK) return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_GEN_FAILURE;
    if (state.result == ERROR_SUCCESS) *choice = state.choice;
    return state.result;
}
