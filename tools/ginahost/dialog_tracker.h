// GINA dialogs opened through WlxDialogBox*: real modal dialogs, but Winlogon keeps track of
// them so that a SAS can end them (WLX_DLG_SAS) and so that the input timeout set with
// WlxSetTimeout ends them (WLX_DLG_INPUT_TIMEOUT).
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CTrace;
struct DialogFrame;

class CDialogTracker {
public:
    // `onDialogUp` runs on the dialog's thread whenever a dialog has come up.
    CDialogTracker(CTrace& trace, std::function<void()> onDialogUp);
    CDialogTracker(const CDialogTracker&) = delete;
    CDialogTracker& operator=(const CDialogTracker&) = delete;

    // Calls DialogBox*Param through `open`, with the host's dialog procedure in front of
    // the GINA's: every message goes on to `ginaProc`, WM_INITDIALOG with `initParam`.
    using Opener = std::function<INT_PTR(DLGPROC hostProc, LPARAM hostParam)>;
    INT_PTR Run(const std::string& templateName, DLGPROC ginaProc, LPARAM initParam, DWORD timeoutSeconds,
                const Opener& open);

    enum class SasOutcome { NoDialog, Handled, EndedDialogs };
    // The innermost open dialog gets WLX_WM_SAS (wParam = SAS type). If its procedure returns
    // TRUE it keeps the SAS; otherwise every open dialog ends with WLX_DLG_SAS.
    SasOutcome OfferSas(DWORD sasType);

    size_t OpenCount() const;

    // Ends every open dialog with `result`, from any thread; `reason` goes to the trace.
    void EndAll(INT_PTR result, const std::string& reason);

private:
    static INT_PTR CALLBACK HostDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Opened(DialogFrame& frame);
    void CheckTimeout(DialogFrame& frame);
    std::vector<std::shared_ptr<DialogFrame>> LiveDialogs() const;

    CTrace& trace_;
    std::function<void()> onDialogUp_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<DialogFrame>> open_;  // outermost first
};
