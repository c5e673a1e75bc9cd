// The bench for OVBioAPI.dll: the library loaded through its ten real exports, the
// simulated sensor's registry settings per test, and calls that run a dialog on another
// thread while the test drives it.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ovbioapi.h"
#include "scoped.h"

using Bytes = std::vector<BYTE>;

const DWORD kWaitMs = 5000;

struct BioApi {
    HMODULE module = nullptr;
    PFN_BioEnumReaders EnumReaders = nullptr;
    PFN_BioInitReader InitReader = nullptr;
    PFN_BioCloseReader CloseReader = nullptr;
    PFN_BioVerifyBIR VerifyBIR = nullptr;
    PFN_BioGetBIR_GUI GetBIR_GUI = nullptr;
    PFN_BioVerifyBIR_GUI VerifyBIR_GUI = nullptr;
    PFN_BioCaptureBIR CaptureBIR = nullptr;
    PFN_BioCompareBIRS CompareBIRS = nullptr;
    PFN_BioCaptureBIR_GUI CaptureBIR_GUI = nullptr;
    PFN_BioGetBIR GetBIR = nullptr;
};

// OVBioAPI.dll beside the test, loaded once; a missing export stays NULL.
const BioApi& Bio();

// What a call returned and the last error it left.
struct CallResult {
    BOOL ok;
    DWORD error;
};
CallResult Call(const std::function<BOOL()>& call);

// A call that may open a modal dialog, run on a thread of its own. If the test leaves
// before it returned, its dialogs are cancelled so the thread can end.
class DialogCall {
public:
    explicit DialogCall(std::function<BOOL()> call);
    ~DialogCall();
    DialogCall(const DialogCall&) = delete;
    DialogCall& operator=(const DialogCall&) = delete;

    // False when the call has not returned within the time.
    bool Wait(DWORD timeoutMs);
    CallResult Result() const { return result_; }

private:
    std::atomic<bool> done_{false};
    CallResult result_{FALSE, 0};
    std::thread thread_;
};

class BioSimTest : public testing::Test {
protected:
    // Every test starts with the finger `kAlice` presented, Action "present" and a short DelayMs.
    BioSimTest();

    static const wchar_t kAlice[];
    static const wchar_t kBob[];

    void SetSetting(const wchar_t* name, const std::wstring& text);
    void SetBinarySetting(const wchar_t* name, const std::string& bytes);
    void RemoveSetting(const wchar_t* name);
    void PresentFinger(const std::wstring& text) { SetSetting(L"Finger", text); }

    // Enrols the finger on the sensor through BioGetBIR_GUI (size query, then capture);
    // empty when either step fails.
    Bytes Enrol(DWORD flags = 0);

private:
    std::vector<std::unique_ptr<ScopedRegValue>> restore_;
};

// The dialogs of OVBioAPI.dll as the UI driver finds them.
HWND WaitForCaptureDialog();
HWND WaitForEnrolChoiceDialog();
