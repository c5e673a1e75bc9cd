#include "capture_dialog.h"

#include "bioapi_module.h"
#include "bioapi_res.h"
#include "sensor.h"

namespace {
const UINT_PTR kPersonActsTimer = 1;

struct CaptureState {
    const char* caption;
    SensorSettings settings;
    FingerPrint finger;
    DWORD result;
};

void EndCapture(HWND dialog, CaptureState* state, DWORD result)
{
    state->result = result;
    EndDialog(dialog, IDOK);
}

void EndWithFingerOnSensor(HWND dialog, CaptureState* state)
{
    EndCapture(dialog, state, ReadFingerPrint(&state->finger));
}

// The simulated person: a cancel goes through the Cancel button like a click would.
void SimulatedPersonActs(HWND dialog, CaptureState* state)
{
    switch (state->settings.action) {
    case SensorAction::Present: EndWithFingerOnSensor(dialog, state); break;
    case SensorAction::NoFinger: EndCapture(dialog, state, ERROR_TIMEOUT); break;
    case SensorAction::Cancel: SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); break;
    case SensorAction::Wait: break;
    }
}

INT_PTR CALLBACK CaptureDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<CaptureState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<CaptureState*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetWindowTextA(dialog, state->caption);
        if (state->settings.action == SensorAction::Wait) {
            SetFocus(GetDlgItem(dialog, IDC_PRESENT_FINGER));
            return FALSE;
        }
        ShowWindow(GetDlgItem(dialog, IDC_PRESENT_FINGER), SW_HIDE);
        SetTimer(dialog, kPersonActsTimer, state->settings.delayMs, nullptr);
        return TRUE;
    case WM_TIMER:
        if (wParam != kPersonActsTimer) return FALSE;
        KillTimer(dialog, kPersonActsTimer);
        SimulatedPersonActs(dialog, state);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PRESENT_FINGER) EndWithFingerOnSensor(dialog, state);
        else if (LOWORD(wParam) == IDCANCEL) EndCapture(dialog, state, ERROR_CANCELLED);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

DWORD RunCaptureDialog(HWND owner, const char* caption, const SensorSettings& settings, FingerPrint* finger)
{
    CaptureState state = {caption, settings, {}, ERROR_GEN_FAILURE};
    INT_PTR shown = DialogBoxParamA(g_bioModule, MAKEINTRESOURCEA(IDD_CAPTURE), owner, CaptureDlgProc,
                                    reinterpret_cast<LPARAM>(&state));
    if (shown != IDOK) return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_GEN_FAILURE;
    if (state.result == ERROR_SUCCESS) *finger = state.finger;
    return state.result;
}
