// The biometric check as the key monitor makes it before a data operation: the profile
// read of CSmartKey_WndDisp on the command thread, the dispatch thread reporting its end
// to a host window, the real keyapi32.dll and the simulated sensor of the real
// OVBioAPI.dll. The sensor's dialogs wait for a person (Action "wait"), played by the test
// thread: so every verification dialog is seen, counted and answered, and a check that
// should not happen cannot pass unnoticed.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bio_bench.h"
#include "bioapi_res.h"
#include "key_bench.h"
#include "key_messages_bench.h"
#include "lang.h"
#include "ui_driver.h"

namespace {
const char kReader[] = "Bio reader";
const wchar_t kReaderW[] = L"Bio reader";
const std::string kProfiles = "\xFE profiles of Alice";
const DWORD kEventMs = 6000;   // the monitor's first poll, with room for a slow machine
const DWORD kReadMs = 15000;   // a paused monitor, the check and the 1.2 s finishing wait
const wchar_t kChangeCaption[] = L"Change Biometric ID";

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Join(const std::vector<std::string>& texts)
{
    std::string all;
    for (const std::string& text : texts) all += (all.empty() ? "\"" : ", \"") + text + "\"";
    return "[" + all + "]";
}

std::string CaptionOf(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return ui::Utf8(text);
}

HWND FindCaptureDialog() { return ui::WaitForDialog({IDC_CAPTURE_PROMPT, IDC_PRESENT_FINGER, IDCANCEL}, 0); }

BOOL CALLBACK CancelDialog(HWND window, LPARAM)
{
    DWORD process = 0;
    wchar_t className[16] = L"";
    GetWindowThreadProcessId(window, &process);
    GetClassNameW(window, className, ARRAYSIZE(className));
    if (process == GetCurrentProcessId() && lstrcmpW(className, L"#32770") == 0)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

// A profile read from ReadProfiles to WM_KEY_WAIT_FINISH, as the host saw it.
struct ReadOutcome {
    bool started = false;
    bool finished = false;              // WM_KEY_WAIT_FINISH arrived
    std::vector<std::string> checks;    // captions of the verification dialogs answered
    bool message = false;               // GetKeyMessage
    std::string text;                   // errorText
    int state = -1;                     // lastState
    std::string data;                   // the profile bytes delivered
};
}  // namespace

class BioOpenTest : public BioSimTest {
protected:
    static void SetUpTestSuite() { g_lang.Load(L"ovl", nullptr); }
    void SetUp() override
    {
        SetSetting(L"Action", L"wait");
        ASSERT_TRUE(dispatch_.StartThread(GetModuleHandleW(nullptr))) << GetLastError();
        ASSERT_TRUE(host_.Create());
        dispatch_.SetDispatchWnd(host_.Handle());
    }
    void TearDown() override
    {
        if (HasFailure()) std::printf("host %s\n%s", hostLog_.Describe().c_str(), ui::DescribeWindows().c_str());
        // A read that never ended may hold the dispatch thread in its wait and the command
        // thread in a dialog nobody answers; Finalize waits for the command thread.
        dispatch_.StopThread();
        for (auto& monitor : monitors_) {
            while (monitor->IsCommandRunning()) {
                EnumWindows(CancelDialog, 0);
                PumpUntil([] { return false; }, 50);
            }
            monitor->Finalize();
        }
    }

    CSmartKey_WndDisp& Monitor() { return *monitors_.back(); }
    KeyReader* Reader() { return Monitor().FindReader(kReaderW); }

    // The template of `finger`, as the sensor enrols it (by itself, without a person).
    Bytes TemplateOf(const wchar_t* finger)
    {
        SetSetting(L"Action", L"present");
        PresentFinger(finger);
        const Bytes bir = Enrol();
        EXPECT_EQ(size_t(OVBIO_TEMPLATE_SIZE), bir.size());
        PresentFinger(kAlice);
        SetSetting(L"Action", L"wait");
        return bir;
    }
    // A key with Alice's profiles, the BIO ID given (none when empty) and `spare` bytes free.
    static KeyRecipe KeyWith(const Bytes& bioId, const std::string& pin, uint32_t spare = 1000)
    {
        KeyRecipe recipe;
        recipe.pin = pin;
        recipe.apps[kAppLogonProfiles] = kProfiles;
        if (!bioId.empty()) recipe.apps[kAppBioTemplate] = AsText(bioId);
        recipe.capacity = uint32_t(kProfiles.size() + bioId.size()) + spare;
        return recipe;
    }

    // Puts the key in the reader and starts a monitor of its own (the earlier one stops but
    // stays, so the reader names in its messages stay readable), then waits for the key.
    void Insert(const KeyRecipe& recipe)
    {
        if (!monitors_.empty()) monitors_.back()->Finalize();
        hostLog_.Clear();
        keyFile_ = bench_.PutKey(kReader, recipe);
        monitors_.emplace_back(new CSmartKey_WndDisp);
        Monitor().AttachDispatchWnd(&dispatch_);
        ASSERT_TRUE(Monitor().Initialize(kAppLogonProfiles)) << GetLastError();
        Monitor().StartMonitoring();
        const auto arrived = [&] {
            return hostLog_.Has(WM_KEY_INSERTED, kReader) || hostLog_.Has(WM_KEY_NEEDPIN, kReader);
        };
        ASSERT_TRUE(PumpUntil(arrived, kEventMs)) << hostLog_.Describe();
    }
    void PullAndPutBack()
    {
        hostLog_.Clear();
        ASSERT_TRUE(DeleteFileA(bench_.KeyPath(kReader).c_str()));
        ASSERT_TRUE(hostLog_.WaitFor(WM_KEY_REMOVED, kEventMs, kReader)) << hostLog_.Describe();
        WriteBytes(bench_.KeyPath(kReader), keyFile_);
        ASSERT_TRUE(hostLog_.WaitFor(WM_KEY_INSERTED, kEventMs, kReader)) << hostLog_.Describe();
    }

    // Reads the profiles to the end, answering every verification dialog with `answer`.
    ReadOutcome Read(const wchar_t* pin, int answer = IDC_PRESENT_FINGER)
    {
        ReadOutcome out;
        hostLog_.Clear();
        out.started = Monitor().ReadProfiles(pin);
        if (!out.started) return out;
        const DWORD start = GetTickCount();
        for (;;) {
            HWND check = nullptr;
            const DWORD spent = GetTickCount() - start;
            PumpUntil(
                [&] {
                    check = FindCaptureDialog();
                    return check || hostLog_.Has(WM_KEY_WAIT_FINISH, std::string());
                },
                spent < kReadMs ? kReadMs - spent : 0);
            if (!check) break;
            out.checks.push_back(CaptionOf(check));
            EXPECT_TRUE(ui::ClickButton(check, answer)) << ui::DescribeWindows();
            EXPECT_TRUE(ui::WaitUntilGone(check, kWaitMs)) << ui::DescribeWindows();
        }
        out.finished = hostLog_.Has(WM_KEY_WAIT_FINISH, std::string());
        if (!out.finished) return out;
        out.message = Monitor().GetKeyMessage();
        out.text = Narrow(Monitor().errorText);
        out.state = Monitor().lastState;
        const CSmartKey_WndDisp& monitor = Monitor();
        if (monitor.dataBuffer) out.data.assign(reinterpret_cast<const char*>(monitor.dataBuffer), monitor.dataSize);
        return out;
    }
    // A read that delivered the profiles after `checks` verification dialogs.
    void ExpectDelivered(const ReadOutcome& read, size_t checks, const std::string& what)
    {
        ASSERT_TRUE(read.started) << what << ": " << Narrow(Monitor().errorText);
        ASSERT_TRUE(read.finished) << what << ": no WM_KEY_WAIT_FINISH, " << hostLog_.Describe();
        EXPECT_EQ(checks, read.checks.size()) << what << ": dialogs " << Join(read.checks);
        for (const std::string& caption : read.checks) EXPECT_EQ("Verify Biometric ID", caption) << what;
        EXPECT_FALSE(read.message) << what << ": " << read.text;
        EXPECT_EQ(kProfiles, read.data) << what;
    }

    KeyBench bench_;
    std::string keyFile_;
    MessageLog hostLog_;
    HostWindow host_{hostLog_};
    CKeyDispatchWnd dispatch_;
    std::vector<std::unique_ptr<CSmartKey_WndDisp>> monitors_;
};

TEST_F(BioOpenTest, OnlyAKeyCarryingABioIdIsChecked)
{
    const Bytes alice = TemplateOf(kAlice);
    const struct {
        const char* name;
        bool bioId;
        uint32_t spare;
        size_t checks;
    } cases[] = {
        {"no BIO ID, room for one", false, 1000, 0},
        {"no BIO ID, key full", false, 0, 0},
        {"BIO ID, room to spare", true, 1000, 1},
        {"BIO ID, key full", true, 0, 1},
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(Insert(KeyWith(c.bioId ? alice : Bytes(), "", c.spare)));
        ASSERT_NO_FATAL_FAILURE(ExpectDelivered(Read(nullptr), c.checks, c.name));
    }
}

TEST_F(BioOpenTest, TheFingerIsAskedForOncePerInsertion)
{
    ASSERT_NO_FATAL_FAILURE(Insert(KeyWith(TemplateOf(kAlice), "")));
    ASSERT_NO_FATAL_FAILURE(ExpectDelivered(Read(nullptr), 1, "first read"));
    ASSERT_NO_FATAL_FAILURE(ExpectDelivered(Read(nullptr), 0, "second read of the same insertion"));
    ASSERT_NO_FATAL_FAILURE(ExpectDelivered(Read(L""), 1, "read with the PIN given again"));
    ASSERT_NO_FATAL_FAILURE(ExpectDelivered(Read(nullptr), 0, "read after that"));
    ASSERT_NO_FATAL_FAILURE(PullAndPutBack());
    ASSERT_NO_FATAL_FAILURE(ExpectDelivered(Read(nullptr), 1, "read after the key was pulled and put back"));
}

TEST_F(BioOpenTest, FailedCheckFailsTheReadUntilTheRightFingerComes)
{
    ASSERT_NO_FATAL_FAILURE(Insert(KeyWith(TemplateOf(kAlice), "1234")));
    ASSERT_TRUE(hostLog_.Has(WM_KEY_NEEDPIN, kReader));
    const struct {
        const char* name;
        const wchar_t* pin;
        const wchar_t* finger;
        int answer;
        bool passes;
    } cases[] = {
        {"wrong finger", L"1234", kBob, IDC_PRESENT_FINGER, false},
        {"dialog cancelled", nullptr, kAlice, IDCANCEL, false},
        {"right finger", nullptr, kAlice, IDC_PRESENT_FINGER, true},
    };
    for (const auto& c : cases) {
        PresentFinger(c.finger);
        const ReadOutcome read = Read(c.pin, c.answer);
        if (c.passes) {
            ASSERT_NO_FATAL_FAILURE(ExpectDelivered(read, 1, c.name));
            continue;
        }
        ASSERT_TRUE(read.finished) << c.name << ": no WM_KEY_WAIT_FINISH, " << hostLog_.Describe();
        EXPECT_EQ(1u, read.checks.size()) << c.name << ": dialogs " << Join(read.checks);
        EXPECT_TRUE(read.message) << c.name;
        EXPECT_EQ(std::string(kReader) + " : Biometric verification failed!", read.text) << c.name;
        EXPECT_EQ(csBioFailed, read.state) << c.name;
        EXPECT_EQ("", read.data) << c.name;
    }
}

TEST_F(BioOpenTest, WithoutMonitoringNoCheckIsMade)
{
    bench_.PutKey(kReader, KeyWith(TemplateOf(kAlice), ""));
    const struct {
        const char* name;
        bool dispatch;
    } cases[] = {{"plain monitor", false}, {"dispatching monitor, not started", true}};
    for (const auto& c : cases) {
        std::unique_ptr<CSmartKey> monitor;
        if (c.dispatch) {
            auto* withDispatch = new CSmartKey_WndDisp;
            withDispatch->AttachDispatchWnd(&dispatch_);
            monitor.reset(withDispatch);
        } else {
            monitor.reset(new CSmartKey);
        }
        ASSERT_TRUE(monitor->Initialize(kAppLogonProfiles)) << c.name << ": " << GetLastError();
        char buffer[CSmartKey_WndDisp::kProfileBufferBytes];
        DWORD length = 0;
        DialogCall read(
            [&] { return BOOL(monitor->Read(kReaderW, reinterpret_cast<BYTE*>(buffer), &length, sizeof buffer)); });
        HWND check = nullptr;
        while (!read.Wait(20) && !check) check = FindCaptureDialog();
        EXPECT_EQ(nullptr, check) << c.name << ": verification dialog \"" << CaptionOf(check) << "\"";
        ASSERT_TRUE(read.Wait(kWaitMs)) << c.name;
        EXPECT_TRUE(read.Result().ok) << c.name << ", error " << std::hex << read.Result().error;
        EXPECT_EQ(kProfiles, std::string(buffer, length)) << c.name;
    }
}

TEST_F(BioOpenTest, ChangeBIOKeyTellsEnrolmentCancelAndFailureApart)
{
    const struct {
        const char* name;
        uint32_t spare;
        const wchar_t* action;
        int result;
        DWORD bioUsed, opError;
        const char* opText;  // nullptr: not looked at
    } cases[] = {
        {"enrolled", 1000, L"present", 0, OVBIO_TEMPLATE_SIZE, 0, nullptr},
        {"cancelled", 1000, L"cancel", ERROR_CANCELLED, 0, 0, nullptr},
        {"no room on the key", OVBIO_TEMPLATE_SIZE - 1, L"present", 1, 0, DWORD(SCARD_E_NO_MEMORY),
         "Biometric registration failed!"},
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(Insert(KeyWith(Bytes(), "", c.spare)));
        SetSetting(L"Action", c.action);
        int result = -1;
        DialogCall change([&] {
            result = Monitor().ChangeBIOKey(kReaderW, GetModuleHandleW(nullptr), nullptr, kChangeCaption);
            return TRUE;
        });
        if (c.result == 1) {
            HWND box = ui::WaitForMessageBox(kChangeCaption, kWaitMs);
            ASSERT_NE(nullptr, box) << c.name << "\n" << ui::DescribeWindows();
            EXPECT_EQ(L"Not enough free space on the Key!", ui::MessageBoxText(box)) << c.name;
            EXPECT_TRUE(ui::PressMessageBoxButton(box, IDOK));
        }
        ASSERT_TRUE(change.Wait(kWaitMs)) << c.name << "\n" << ui::DescribeWindows();
        SetSetting(L"Action", L"wait");
        EXPECT_EQ(c.result, result) << c.name;
        KeyReader* reader = Reader();
        ASSERT_NE(nullptr, reader) << c.name;
        EXPECT_EQ(c.bioUsed, reader->bioUsed) << c.name;
        EXPECT_EQ(c.opError, reader->opError) << c.name << ": " << std::hex << reader->opError;
        if (c.opText) {
            EXPECT_EQ(c.opText, Narrow(reader->opText)) << c.name;
        }
        // The person who just enrolled is not asked again on this insertion.
        if (c.result == 0) {
            ASSERT_NO_FATAL_FAILURE(ExpectDelivered(Read(nullptr), 0, std::string(c.name) + ", then read"));
        }
    }
}
