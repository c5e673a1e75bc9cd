// The dialogs driven the way a person would (Action "wait"): Cancel, the enrolment
// choice, "Present finger", and the caption taken from the caller's resources.
#include "bio_bench.h"
#include "bioapi_res.h"
#include "string_ids.h"
#include "ui_driver.h"

namespace {
std::wstring Caption(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}
}  // namespace

class BioDialogTest : public BioSimTest {
protected:
    void SetUp() override
    {
        bir_ = Enrol();  // still with the simulated person presenting the finger
        ASSERT_FALSE(bir_.empty());
        SetSetting(L"Action", L"wait");
    }

    BOOL Verify(HMODULE resources = nullptr)
    {
        return Bio().VerifyBIR_GUI(resources, nullptr, bir_.data(), DWORD(bir_.size()), 0, 0);
    }

    Bytes bir_;
};

TEST_F(BioDialogTest, CancelInTheCaptureDialogCancelsVerification)
{
    DialogCall verify([&] { return Verify(); });
    HWND dialog = WaitForCaptureDialog();
    ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
    EXPECT_TRUE(ui::IsControlVisible(dialog, IDC_PRESENT_FINGER));
    EXPECT_TRUE(ui::ClickButton(dialog, IDCANCEL));
    ASSERT_TRUE(verify.Wait(kWaitMs));
    EXPECT_FALSE(verify.Result().ok);
    EXPECT_EQ(DWORD(ERROR_CANCELLED), verify.Result().error);
}

TEST_F(BioDialogTest, PresentFingerReadsTheSensorWhileTheDialogWaits)
{
    for (const wchar_t* finger : {kAlice, kBob}) {
        PresentFinger(finger);
        DialogCall verify([&] { return Verify(); });
        HWND dialog = WaitForCaptureDialog();
        ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
        Sleep(100);
        EXPECT_FALSE(verify.Wait(0)) << "the dialog ended without a person";
        EXPECT_TRUE(ui::ClickButton(dialog, IDC_PRESENT_FINGER));
        ASSERT_TRUE(verify.Wait(kWaitMs));
        const bool enrolledFinger = finger == kAlice;
        EXPECT_EQ(enrolledFinger, verify.Result().ok != FALSE) << ui::Utf8(finger);
        EXPECT_EQ(enrolledFinger ? DWORD(ERROR_SUCCESS) : DWORD(OVBIO_ERROR_NO_MATCH), verify.Result().error);
    }
}

TEST_F(BioDialogTest, CancelInTheEnrolChoiceCancelsTheEnrolment)
{
    DWORD size = 0;
    DialogCall enrol([&] { return Bio().GetBIR_GUI(nullptr, nullptr, nullptr, &size, 1); });
    HWND dialog = WaitForEnrolChoiceDialog();
    ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
    EXPECT_TRUE(ui::ClickButton(dialog, IDCANCEL));
    ASSERT_TRUE(enrol.Wait(kWaitMs));
    EXPECT_FALSE(enrol.Result().ok);
    EXPECT_EQ(DWORD(ERROR_CANCELLED), enrol.Result().error);
}

TEST_F(BioDialogTest, RemoveIsOfferedOnlyWhenTheKeyCarriesABioId)
{
    const struct {
        DWORD flags;
        bool offered;
    } cases[] = {{OVBIO_FLAG_TEMPLATE_EXISTS, true}, {0, false}};
    for (const auto& c : cases) {
        DWORD size = 12345;
        DialogCall enrol([&] { return Bio().GetBIR_GUI(nullptr, nullptr, nullptr, &size, c.flags); });
        HWND dialog = WaitForEnrolChoiceDialog();
        ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
        EXPECT_EQ(c.offered, ui::IsControlVisible(dialog, IDC_CHOICE_REMOVE)) << "flags " << c.flags;
        EXPECT_EQ(c.offered, ui::ClickButton(dialog, IDC_CHOICE_REMOVE)) << "flags " << c.flags;
        Sleep(50);  // the posted click lands before OK's
        EXPECT_TRUE(ui::ClickButton(dialog, IDOK));
        ASSERT_TRUE(enrol.Wait(kWaitMs));
        EXPECT_TRUE(enrol.Result().ok) << enrol.Result().error;
        EXPECT_EQ(c.offered ? DWORD(0) : DWORD(OVBIO_TEMPLATE_SIZE), size) << "flags " << c.flags;
    }
}

TEST_F(BioDialogTest, VerificationCaptionComesFromTheCallersResources)
{
    HMODULE self = GetModuleHandleW(nullptr);
    wchar_t expected[256];
    ASSERT_GT(LoadStringW(self, IDS_VERIFY_BIO_ID, expected, 256), 0);

    DialogCall verify([&] { return Verify(self); });
    HWND dialog = WaitForCaptureDialog();
    ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
    EXPECT_EQ(std::wstring(expected), Caption(dialog));
    EXPECT_TRUE(ui::ClickButton(dialog, IDCANCEL));
    ASSERT_TRUE(verify.Wait(kWaitMs));

    DialogCall ownTexts([&] { return Verify(nullptr); });
    dialog = WaitForCaptureDialog();
    ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
    EXPECT_FALSE(Caption(dialog).empty());
    EXPECT_NE(std::wstring(expected), Caption(dialog));
    EXPECT_TRUE(ui::ClickButton(dialog, IDCANCEL));
    EXPECT_TRUE(ownTexts.Wait(kWaitMs));
}

TEST_F(BioSimTest, WithAFingerPresentTheDialogShowsThePromptThenEndsByItself)
{
    Bytes bir = Enrol();
    ASSERT_FALSE(bir.empty());
    SetSetting(L"DelayMs", L"400");
    DialogCall verify([&] { return Bio().VerifyBIR_GUI(nullptr, nullptr, bir.data(), DWORD(bir.size()), 0, 0); });
    HWND dialog = WaitForCaptureDialog();
    ASSERT_NE(nullptr, dialog) << ui::DescribeWindows();
    EXPECT_FALSE(ui::ControlText(dialog, IDC_CAPTURE_PROMPT).empty());
    EXPECT_FALSE(ui::IsControlVisible(dialog, IDC_PRESENT_FINGER)) << "nobody needs to touch anything";
    ASSERT_TRUE(verify.Wait(kWaitMs));
    EXPECT_TRUE(verify.Result().ok) << verify.Result().error;
    EXPECT_TRUE(ui::WaitUntilGone(dialog, kWaitMs));
}
