// Enrolment and verification as the product calls them (BioGetBIR_GUI, BioVerifyBIR_GUI),
// with the simulated person acting by the registry settings.
#include "bio_bench.h"
#include "ui_driver.h"

TEST(BioExports, AllTenEntryPointsAreExportedUndecorated)
{
    const char* const names[] = {"BioEnumReaders", "BioInitReader",    "BioCloseReader", "BioVerifyBIR",
                                 "BioGetBIR_GUI",  "BioVerifyBIR_GUI", "BioCaptureBIR",  "BioCompareBIRS",
                                 "BioCaptureBIR_GUI", "BioGetBIR"};
    ASSERT_NE(nullptr, Bio().module) << "OVBioAPI.dll did not load";
    for (const char* name : names) EXPECT_NE(nullptr, GetProcAddress(Bio().module, name)) << name;
}

TEST_F(BioSimTest, EnrolmentAnnouncesTheTemplateSizeAndTheSameFingerThenVerifies)
{
    DWORD announced = 0;
    ASSERT_TRUE(Bio().GetBIR_GUI(nullptr, nullptr, nullptr, &announced, 0)) << GetLastError();
    EXPECT_EQ(DWORD(OVBIO_TEMPLATE_SIZE), announced);

    Bytes bir(announced + 100);  // a larger buffer is fine; the size returned is the template's
    DWORD size = DWORD(bir.size());
    ASSERT_TRUE(Bio().GetBIR_GUI(nullptr, nullptr, bir.data(), &size, 1)) << GetLastError();
    EXPECT_EQ(announced, size);

    CallResult verified = Call([&] { return Bio().VerifyBIR_GUI(nullptr, nullptr, bir.data(), size, 0, 0); });
    EXPECT_TRUE(verified.ok);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), verified.error);
}

TEST_F(BioSimTest, OnlyTheEnrolledFingerBytesMatch)
{
    const struct {
        std::wstring enrolled, presented;
        bool matches;
    } cases[] = {
        {kAlice, kAlice, true},
        {kAlice, kBob, false},
        {L"finger", L"Finger", false},   // case matters: these are bytes, not names
        {L"finger", L"finger ", false},  // so does one trailing byte
    };
    for (const auto& c : cases) {
        PresentFinger(c.enrolled);
        Bytes bir = Enrol();
        ASSERT_FALSE(bir.empty());
        PresentFinger(c.presented);
        CallResult verified =
            Call([&] { return Bio().VerifyBIR_GUI(nullptr, nullptr, bir.data(), DWORD(bir.size()), 0, 0); });
        EXPECT_EQ(c.matches, verified.ok != FALSE) << ui::Utf8(c.enrolled) << " / " << ui::Utf8(c.presented);
        EXPECT_EQ(c.matches ? DWORD(ERROR_SUCCESS) : DWORD(OVBIO_ERROR_NO_MATCH), verified.error);
    }
}

TEST_F(BioSimTest, ASimulatedCancelEndsEveryDialogWithErrorCancelled)
{
    Bytes bir = Enrol();
    ASSERT_FALSE(bir.empty());
    SetSetting(L"Action", L"cancel");
    BYTE buffer[OVBIO_TEMPLATE_SIZE];
    DWORD size = 0;
    const struct {
        const char* call;
        std::function<BOOL()> run;
    } calls[] = {
        {"verify", [&] { return Bio().VerifyBIR_GUI(nullptr, nullptr, bir.data(), DWORD(bir.size()), 0, 0); }},
        {"enrol size query", [&] { return Bio().GetBIR_GUI(nullptr, nullptr, nullptr, &size, 1); }},
        {"enrol capture", [&] { return Bio().GetBIR_GUI(nullptr, nullptr, buffer, &size, 1); }},
        {"capture", [&] { return Bio().CaptureBIR_GUI(nullptr, nullptr, buffer, &size); }},
    };
    for (const auto& c : calls) {
        size = sizeof buffer;
        CallResult result = Call(c.run);
        EXPECT_FALSE(result.ok) << c.call;
        EXPECT_EQ(DWORD(ERROR_CANCELLED), result.error) << c.call;
    }
}

TEST_F(BioSimTest, ChoosingRemoveAnnouncesSizeZeroOnlyWhenTheKeyCarriesABioId)
{
    SetSetting(L"Choice", L"remove");
    const struct {
        DWORD flags;
        DWORD announced;
    } cases[] = {
        {OVBIO_FLAG_TEMPLATE_EXISTS, 0},
        {0, OVBIO_TEMPLATE_SIZE},  // nothing to remove: the choice is not offered
    };
    for (const auto& c : cases) {
        DWORD size = 12345;
        EXPECT_TRUE(Bio().GetBIR_GUI(nullptr, nullptr, nullptr, &size, c.flags)) << GetLastError();
        EXPECT_EQ(c.announced, size) << "flags " << c.flags;
    }
}

TEST_F(BioSimTest, ATooSmallBufferFailsBeforeAnyDialogAndTellsTheSizeNeeded)
{
    SetSetting(L"Action", L"wait");  // a dialog would wait for a person and fail the Wait below
    for (DWORD given : {DWORD(0), DWORD(1), DWORD(OVBIO_TEMPLATE_SIZE - 1)}) {
        BYTE buffer[OVBIO_TEMPLATE_SIZE];
        DWORD size = given;
        DialogCall enrol([&] { return Bio().GetBIR_GUI(nullptr, nullptr, buffer, &size, 1); });
        ASSERT_TRUE(enrol.Wait(kWaitMs)) << "a dialog opened for a buffer of " << given;
        EXPECT_FALSE(enrol.Result().ok);
        EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), enrol.Result().error);
        EXPECT_EQ(DWORD(OVBIO_TEMPLATE_SIZE), size);
    }
}
