// VerifyBIO and ChangeBIO on a key of the real keyapi32.dll, with the simulated sensor of
// the real OVBioAPI.dll. A flow runs on a thread of its own (DialogCall) and the test
// thread plays the person: it answers message boxes and, with Action "wait", the
// biometric dialogs. A flow that must not show a message box has to end by itself.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "bio_bench.h"
#include "bio_check.h"
#include "bioapi_res.h"
#include "key_bench.h"
#include "key_dialogs.h"
#include "key_storage.h"
#include "lang.h"
#include "ui_driver.h"

namespace {
const char kReader[] = "Bio reader";
const wchar_t kVerifyCaption[] = L"Verify Biometric ID";
const wchar_t kChangeCaption[] = L"Change Biometric ID";
const std::wstring kProcessingError = L"An error occurred while processing the Key!";
const uint32_t kProfileBytes = 200;

enum class Flow { Verify, Change };

const char* Name(Flow flow) { return flow == Flow::Verify ? "VerifyBIO" : "ChangeBIO"; }
const wchar_t* Caption(Flow flow) { return flow == Flow::Verify ? kVerifyCaption : kChangeCaption; }

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

HWND WaitForProcessingDialog() { return ui::WaitForDialog({IDC_PROCESSING_TEXT, IDC_PROCESSING_KEY}, kWaitMs); }

// Every window created on the thread that installed the hook.
std::atomic<int> g_windowsCreated{0};
LRESULT CALLBACK CountCreatedWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) ++g_windowsCreated;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The message box a flow shows, answered with OK: its text, or a note that none came.
std::wstring AnswerMessageBox(const wchar_t* caption)
{
    HWND box = ui::WaitForMessageBox(caption, kWaitMs);
    if (!box) {
        ADD_FAILURE() << "no message box \"" << ui::Utf8(caption) << "\"\n" << ui::DescribeWindows();
        return L"(none)";
    }
    const std::wstring text = ui::MessageBoxText(box);
    EXPECT_TRUE(ui::PressMessageBoxButton(box, IDOK));
    return text;
}
}  // namespace

class BioCheckTest : public BioSimTest {
protected:
    // Texts come from the language module beside this program (in bin/nobio: from its own).
    static void SetUpTestSuite() { g_lang.Load(L"ovl", nullptr); }
    void SetUp() override
    {
        // The copy in bin/nobio finds the token library one folder up.
        if (!keyapi_.Load()) {
            ASSERT_TRUE(keyapi_.Load((ExeDirW() + L"..").c_str())) << GetLastError();
        }
    }
    void TearDown() override { CloseKey(); }

    const KeyApiFunctions& Api() const { return keyapi_.Api(); }

    // Puts a key made from the recipe in the reader and opens it the way a data operation
    // finds it: connected for the logon profiles, PIN verified.
    void OpenKey(const KeyRecipe& recipe)
    {
        CloseKey();
        bench_.PutKey(kReader, recipe);
        reader_ = Api().InitReader(kReader);
        ASSERT_NE(nullptr, reader_) << std::hex << GetLastError();
        const int status = Api().InitCard(reader_, kAppLogonProfiles);
        ASSERT_GT(status, 0) << "InitCard " << status;
        ASSERT_TRUE(Api().VerifyPIN(reader_, recipe.pin.c_str())) << std::hex << GetLastError();
    }
    void CloseKey()
    {
        if (!reader_) return;
        Api().CloseCard(reader_, 0);
        Api().CloseReader(reader_);
        reader_ = nullptr;
    }
    static KeyRecipe WithBioId(const Bytes& bir)
    {
        KeyRecipe recipe;
        if (!bir.empty()) recipe.apps[kAppBioTemplate] = AsText(bir);
        return recipe;
    }
    // The template of `finger`, as the sensor enrols it.
    Bytes TemplateOf(const wchar_t* finger)
    {
        PresentFinger(finger);
        const Bytes bir = Enrol();
        EXPECT_EQ(size_t(OVBIO_TEMPLATE_SIZE), bir.size());
        PresentFinger(kAlice);
        return bir;
    }
    Bytes BioIdOnKey()
    {
        DWORD size = 0;
        EXPECT_TRUE(Api().ReadBIR(reader_, 0, nullptr, &size)) << std::hex << GetLastError();
        Bytes bytes(size);
        if (size) {
            EXPECT_TRUE(Api().ReadBIR(reader_, 0, bytes.data(), &size)) << std::hex << GetLastError();
        }
        bytes.resize(size);
        return bytes;
    }

    BOOL Run(Flow flow)
    {
        const HINSTANCE self = GetModuleHandleW(nullptr);
        return flow == Flow::Verify ? VerifyBIO(Api(), self, nullptr, kVerifyCaption, reader_)
                                    : ChangeBIO(Api(), self, nullptr, kChangeCaption, reader_);
    }
    std::unique_ptr<DialogCall> Start(Flow flow)
    {
        return std::unique_ptr<DialogCall>(new DialogCall([this, flow] { return Run(flow); }));
    }
    // A flow that needs no person: it must end by itself.
    CallResult RunToEnd(Flow flow)
    {
        DialogCall call([this, flow] { return Run(flow); });
        if (call.Wait(kWaitMs)) return call.Result();
        ADD_FAILURE() << Name(flow) << " did not end by itself\n" << ui::DescribeWindows();
        return CallResult{FALSE, 0xFFFFFFFF};
    }

    KeyBench bench_;
    CKeyApiLibrary keyapi_;
    KEYAPI_READER reader_ = nullptr;
};

TEST_F(BioCheckTest, OnlyAKeyWithBioIdOpensAnyWindow)
{
    const struct {
        const char* name;
        bool bioId;
    } cases[] = {{"no BIO ID", false}, {"BIO ID of the finger presented", true}};
    for (const auto& c : cases) {
        OpenKey(WithBioId(c.bioId ? TemplateOf(kAlice) : Bytes()));
        g_windowsCreated = 0;
        DialogCall verify([this] {
            HHOOK hook = SetWindowsHookExW(WH_CBT, CountCreatedWindows, nullptr, GetCurrentThreadId());
            if (!hook) return FALSE;
            const BOOL passed = Run(Flow::Verify);
            const DWORD error = GetLastError();
            UnhookWindowsHookEx(hook);
            SetLastError(error);
            return passed;
        });
        ASSERT_TRUE(verify.Wait(kWaitMs)) << c.name << "\n" << ui::DescribeWindows();
        EXPECT_TRUE(verify.Result().ok) << c.name << ", error " << std::hex << verify.Result().error;
        EXPECT_EQ(c.bioId, g_windowsCreated > 0) << c.name << ": " << g_windowsCreated << " windows";
    }
}

TEST_F(BioCheckTest, ChangeWritesTheFingerEnrolledOrRemovesTheBioId)
{
    const Bytes alice = TemplateOf(kAlice), bob = TemplateOf(kBob);
    const struct {
        const char* name;
        Bytes before;
        const wchar_t* choice;
        Bytes after;
    } cases[] = {
        {"enrol on a key without BIO ID", {}, L"enrol", alice},
        {"replace the BIO ID", bob, L"enrol", alice},
        {"remove the BIO ID", bob, L"remove", {}},
        {"removal is not offered without a BIO ID", {}, L"remove", alice},
    };
    for (const auto& c : cases) {
        OpenKey(WithBioId(c.before));
        SetSetting(L"Choice", c.choice);
        const CallResult change = RunToEnd(Flow::Change);
        EXPECT_TRUE(change.ok) << c.name << ", error " << std::hex << change.error;
        const Bytes onKey = BioIdOnKey();
        EXPECT_TRUE(onKey == c.after) << c.name << ": " << onKey.size() << " bytes on the key";
    }
}

TEST_F(BioCheckTest, RefusedOrCancelledBiometricDialogsOnlyLeaveTheError)
{
    OpenKey(KeyRecipe());
    ASSERT_TRUE(RunToEnd(Flow::Change).ok);  // Alice enrolled by the flow itself
    const Bytes enrolled = BioIdOnKey();
    ASSERT_EQ(size_t(OVBIO_TEMPLATE_SIZE), enrolled.size());

    const struct {
        Flow flow;
        const wchar_t* finger;
        const wchar_t* action;
        bool ok;
        DWORD error;
    } cases[] = {
        {Flow::Verify, kAlice, L"present", true, ERROR_SUCCESS},
        {Flow::Verify, kBob, L"present", false, OVBIO_ERROR_NO_MATCH},
        {Flow::Verify, kAlice, L"cancel", false, ERROR_CANCELLED},
        {Flow::Verify, kAlice, L"nofinger", false, ERROR_TIMEOUT},
        {Flow::Change, kBob, L"cancel", false, ERROR_CANCELLED},
    };
    for (const auto& c : cases) {
        PresentFinger(c.finger);
        SetSetting(L"Action", c.action);
        const CallResult result = RunToEnd(c.flow);
        const std::string what = std::string(Name(c.flow)) + " " + ui::Utf8(c.finger) + " " + ui::Utf8(c.action);
        EXPECT_EQ(c.ok, result.ok != FALSE) << what;
        EXPECT_EQ(c.error, result.error) << what << ": " << std::hex << result.error;
        EXPECT_TRUE(BioIdOnKey() == enrolled) << what;
    }
}

TEST_F(BioCheckTest, EnrolmentThatDoesNotFitFailsBeforeTheCapture)
{
    const Bytes alice = TemplateOf(kAlice), bob = TemplateOf(kBob);
    const struct {
        const char* name;
        uint32_t capacity;
        Bytes before;
        bool fits;
    } cases[] = {
        {"511 bytes free", kProfileBytes + 511, {}, false},
        {"512 bytes free", kProfileBytes + 512, {}, true},
        {"none free but the old BIO ID's place", kProfileBytes + 512, bob, true},
    };
    for (const auto& c : cases) {
        KeyRecipe recipe = WithBioId(c.before);
        recipe.capacity = c.capacity;
        recipe.apps[kAppLogonProfiles] = std::string(kProfileBytes, 'p');
        OpenKey(recipe);
        SetSetting(L"Action", L"wait");
        DialogCall change([this] { return Run(Flow::Change); });
        HWND choice = WaitForEnrolChoiceDialog();
        ASSERT_NE(nullptr, choice) << c.name << "\n" << ui::DescribeWindows();
        ASSERT_TRUE(ui::ClickButton(choice, IDOK)) << c.name;

        // The person now sees either the capture dialog or the refusal, never both.
        HWND capture = nullptr, box = nullptr;
        for (DWORD start = GetTickCount(); !capture && !box && GetTickCount() - start < kWaitMs; Sleep(20)) {
            capture = ui::WaitForDialog({IDC_CAPTURE_PROMPT, IDC_PRESENT_FINGER}, 0);
            box = ui::WaitForMessageBox(kChangeCaption, 0);
        }
        if (c.fits) {
            ASSERT_NE(nullptr, capture) << c.name << "\n" << ui::DescribeWindows();
            EXPECT_TRUE(ui::ClickButton(capture, IDC_PRESENT_FINGER));
        } else {
            ASSERT_NE(nullptr, box) << c.name << "\n" << ui::DescribeWindows();
            EXPECT_EQ(nullptr, capture) << c.name;
            EXPECT_EQ(L"Not enough free space on the Key!", AnswerMessageBox(kChangeCaption)) << c.name;
        }
        ASSERT_TRUE(change.Wait(kWaitMs)) << c.name << "\n" << ui::DescribeWindows();
        EXPECT_EQ(c.fits, change.Result().ok != FALSE) << c.name;
        if (!c.fits) {
            EXPECT_EQ(DWORD(SCARD_E_NO_MEMORY), change.Result().error) << std::hex << change.Result().error;
        }
        EXPECT_TRUE(BioIdOnKey() == (c.fits ? alice : c.before)) << c.name;
    }
}

// Writes to a key wait for its writer lock: while the test holds it, the worker is stuck
// in its key work and the processing dialog stays up.
class BusyKeyTest : public BioCheckTest {
protected:
    void HoldKey() { lock_.reset(new KeyFileLock(bench_.KeyPath(kReader))); }
    void ReleaseKey() { lock_.reset(); }
    void TearDown() override
    {
        ReleaseKey();
        BioCheckTest::TearDown();
    }

    std::unique_ptr<KeyFileLock> lock_;
};

TEST_F(BusyKeyTest, ProcessingDialogStaysUpWhileTheWorkerWritesTheKey)
{
    OpenKey(KeyRecipe());
    HoldKey();
    ASSERT_EQ(0u, lock_->Error());
    auto change = Start(Flow::Change);
    HWND dialog = WaitForProcessingDialog();
    ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
    EXPECT_EQ(L"Processing the Key . . .", ui::ControlText(dialog, IDC_PROCESSING_TEXT));
    RECT r;
    ASSERT_TRUE(GetWindowRect(dialog, &r));
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN), r.left + r.right, 2) << "not centred: left " << r.left;
    EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN), r.top + r.bottom, 2) << "not centred: top " << r.top;
    EXPECT_FALSE(change->Wait(300)) << "ended while the key was busy";

    ReleaseKey();
    ASSERT_TRUE(change->Wait(kWaitMs)) << ui::DescribeWindows();
    EXPECT_TRUE(change->Result().ok) << std::hex << change->Result().error;
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(size_t(OVBIO_TEMPLATE_SIZE), BioIdOnKey().size());
}

TEST_F(BusyKeyTest, ClosedProcessingDialogStillWaitsForTheWorker)
{
    OpenKey(KeyRecipe());
    HoldKey();
    auto change = Start(Flow::Change);
    HWND dialog = WaitForProcessingDialog();
    ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ui::WaitUntilGone(dialog, kWaitMs));

    EXPECT_FALSE(change->Wait(300)) << "returned before its worker ended";
    EXPECT_EQ(nullptr, ui::WaitForMessageBox(kChangeCaption, 0)) << "failure shown before the worker ended";
    ReleaseKey();
    EXPECT_EQ(kProcessingError, AnswerMessageBox(kChangeCaption));
    ASSERT_TRUE(change->Wait(kWaitMs));
    EXPECT_FALSE(change->Result().ok);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), change->Result().error) << "the worker's own error: its write succeeded";
    EXPECT_EQ(size_t(OVBIO_TEMPLATE_SIZE), BioIdOnKey().size()) << "the worker finished its write";
}

TEST_F(BusyKeyTest, FailedKeyWorkIsShownWithTheWorkersError)
{
    const struct {
        const char* name;
        bool bioId;
        const wchar_t* choice;
    } cases[] = {{"writing a BIO ID", false, L"enrol"}, {"removing the BIO ID", true, L"remove"}};
    for (const auto& c : cases) {
        OpenKey(WithBioId(c.bioId ? TemplateOf(kBob) : Bytes()));
        SetSetting(L"Choice", c.choice);
        HoldKey();
        auto change = Start(Flow::Change);
        ASSERT_NE(nullptr, WaitForProcessingDialog()) << c.name << "\n" << ui::DescribeWindows();
        ASSERT_TRUE(DeleteFileA(bench_.KeyPath(kReader).c_str())) << c.name << ": key not taken out";
        ReleaseKey();

        EXPECT_EQ(kProcessingError, AnswerMessageBox(kChangeCaption)) << c.name;
        ASSERT_TRUE(change->Wait(kWaitMs)) << c.name;
        EXPECT_FALSE(change->Result().ok) << c.name;
        EXPECT_EQ(DWORD(SCARD_W_REMOVED_CARD), change->Result().error) << c.name << ": " << std::hex
                                                                        << change->Result().error;
    }
}

TEST_F(BioCheckTest, KeyTakenOutBeforehandIsReportedWithTheTokenError)
{
    for (Flow flow : {Flow::Verify, Flow::Change}) {
        OpenKey(WithBioId(TemplateOf(kAlice)));
        ASSERT_TRUE(DeleteFileA(bench_.KeyPath(kReader).c_str()));
        auto call = Start(flow);
        EXPECT_EQ(kProcessingError, AnswerMessageBox(Caption(flow))) << Name(flow);
        ASSERT_TRUE(call->Wait(kWaitMs)) << Name(flow);
        EXPECT_FALSE(call->Result().ok) << Name(flow);
        EXPECT_EQ(DWORD(SCARD_W_REMOVED_CARD), call->Result().error) << Name(flow) << ": " << std::hex
                                                                      << call->Result().error;
    }
}

// Runs only from bin/nobio (biocheck_nobio_tests), where OVBioAPI.dll cannot be found.
using BioLibraryMissing = BioCheckTest;

TEST_F(BioLibraryMissing, IsReportedByBothFlows)
{
    HMODULE found = LoadLibraryW(L"OVBioAPI.dll");
    if (found) FreeLibrary(found);
    ASSERT_EQ(nullptr, found) << "needs a folder without OVBioAPI.dll";

    for (Flow flow : {Flow::Verify, Flow::Change}) {
        // Opaque bytes: no sensor ever sees them.
        OpenKey(WithBioId(Bytes(OVBIO_TEMPLATE_SIZE, 0xB1)));
        auto call = Start(flow);
        EXPECT_EQ(L"An error occurred while loading ovbioapi.dll!", AnswerMessageBox(Caption(flow))) << Name(flow);
        ASSERT_TRUE(call->Wait(kWaitMs)) << Name(flow);
        EXPECT_FALSE(call->Result().ok) << Name(flow);
        EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), call->Result().error) << Name(flow) << ": " << call->Result().error;
    }
}
