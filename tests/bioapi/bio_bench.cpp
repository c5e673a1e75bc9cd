#include "bio_bench.h"

#include "bioapi_res.h"
#include "ui_driver.h"

namespace {
const wchar_t kSettingsKey[] = L"Software\\Ostrel\\BioSim";
const wchar_t* const kSettingNames[] = {L"Finger", L"FingerFile", L"Action", L"DelayMs", L"Choice"};

template <typename Pfn>
void Bind(HMODULE module, const char* name, Pfn* pfn)
{
    *pfn = reinterpret_cast<Pfn>(GetProcAddress(module, name));
}

BioApi LoadBio()
{
    BioApi api;
    api.module = LoadLibraryW((ExeDirW() + L"OVBioAPI.dll").c_str());
    if (!api.module) return api;
    Bind(api.module, "BioEnumReaders", &api.EnumReaders);
    Bind(api.module, "BioInitReader", &api.InitReader);
    Bind(api.module, "BioCloseReader", &api.CloseReader);
    Bind(api.module, "BioVerifyBIR", &api.VerifyBIR);
    Bind(api.module, "BioGetBIR_GUI", &api.GetBIR_GUI);
    Bind(api.module, "BioVerifyBIR_GUI", &api.VerifyBIR_GUI);
    Bind(api.module, "BioCaptureBIR", &api.CaptureBIR);
    Bind(api.module, "BioCompareBIRS", &api.CompareBIRS);
    Bind(api.module, "BioCaptureBIR_GUI", &api.CaptureBIR_GUI);
    Bind(api.module, "BioGetBIR", &api.GetBIR);
    return api;
}

BOOL CALLBACK CancelDialogOfThisProcess(HWND window, LPARAM)
{
    DWORD process = 0;
    wchar_t className[16] = L"";
    GetWindowThreadProcessId(window, &process);
    GetClassNameW(window, className, 16);
    if (process == GetCurrentProcessId() && lstrcmpW(className, L"#32770") == 0)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

void WriteSetting(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}
}  // namespace

const BioApi& Bio()
{
    static const BioApi api = LoadBio();
    return api;
}

CallResult Call(const std::function<BOOL()>& call)
{
    SetLastError(0xBADC0DE);
    BOOL ok = call();
    return {ok, GetLastError()};
}

DialogCall::DialogCall(std::function<BOOL()> call)
    : thread_([this, call] {
          result_ = Call(call);
          done_ = true;
      })
{
}

DialogCall::~DialogCall()
{
    while (!done_) {
        EnumWindows(CancelDialogOfThisProcess, 0);
        Sleep(50);
    }
    thread_.join();
}

bool DialogCall::Wait(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done_) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

const wchar_t BioSimTest::kAlice[] = L"Alice, right index finger";
const wchar_t BioSimTest::kBob[] = L"Bob, left thumb";

BioSimTest::BioSimTest()
{
    for (const wchar_t* name : kSettingNames)
        restore_.emplace_back(new ScopedRegValue(HKEY_CURRENT_USER, kSettingsKey, name));
    PresentFinger(kAlice);
    SetSetting(L"Action", L"present");
    SetSetting(L"DelayMs", L"10");
}

void BioSimTest::SetSetting(const wchar_t* name, const std::wstring& text)
{
    WriteSetting(name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}

void BioSimTest::SetBinarySetting(const wchar_t* name, const std::string& bytes)
{
    WriteSetting(name, REG_BINARY, bytes.data(), DWORD(bytes.size()));
}

void BioSimTest::RemoveSetting(const wchar_t* name)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, name);
    RegCloseKey(key);
}

Bytes BioSimTest::Enrol(DWORD flags)
{
    DWORD size = 0;
    if (!Bio().GetBIR_GUI(nullptr, nullptr, nullptr, &size, flags) || size == 0) return Bytes();
    Bytes bir(size);
    if (!Bio().GetBIR_GUI(nullptr, nullptr, bir.data(), &size, flags) || size != bir.size()) return Bytes();
    return bir;
}

HWND WaitForCaptureDialog() { return ui::WaitForDialog({IDC_CAPTURE_PROMPT, IDC_PRESENT_FINGER, IDCANCEL}, kWaitMs); }

HWND WaitForEnrolChoiceDialog()
{
    return ui::WaitForDialog({IDC_CHOICE_ENROL, IDC_CHOICE_REMOVE, IDOK, IDCANCEL}, kWaitMs);
}
