// Sensor failures, and the calls without a dialog on the reader.
#include <cstring>

#include "bio_bench.h"

TEST_F(BioSimTest, SensorFailuresReachEveryCaptureWithTheirOwnError)
{
    Bytes bir = Enrol();
    ASSERT_FALSE(bir.empty());
    HBIOREADER reader = nullptr;
    ASSERT_TRUE(Bio().InitReader(nullptr, &reader));

    const std::string missingFile = ExeDir() + "no_such_finger.bin";
    const struct {
        const char* failure;
        std::function<void()> configure;
        DWORD error;
    } failures[] = {
        {"no finger placed", [&] { SetSetting(L"Action", L"nofinger"); }, ERROR_TIMEOUT},
        {"no finger configured", [&] { RemoveSetting(L"Finger"); }, ERROR_NOT_READY},
        {"finger file missing",
         [&] {
             RemoveSetting(L"Finger");
             SetSetting(L"FingerFile", std::wstring(missingFile.begin(), missingFile.end()));
         },
         ERROR_NOT_READY},
        {"unknown action", [&] { SetSetting(L"Action", L"smile"); }, ERROR_BAD_CONFIGURATION},
        {"delay not a number", [&] { SetSetting(L"DelayMs", L"soon"); }, ERROR_BAD_CONFIGURATION},
    };
    BYTE buffer[OVBIO_TEMPLATE_SIZE];
    DWORD size = 0;
    const struct {
        const char* call;
        std::function<BOOL()> run;
    } calls[] = {
        {"BioVerifyBIR_GUI", [&] { return Bio().VerifyBIR_GUI(nullptr, nullptr, bir.data(), DWORD(bir.size()), 0, 0); }},
        {"BioGetBIR_GUI", [&] { return Bio().GetBIR_GUI(nullptr, nullptr, buffer, &size, 1); }},
        {"BioCaptureBIR", [&] { return Bio().CaptureBIR(reader, buffer, &size); }},
        {"BioVerifyBIR", [&] { return Bio().VerifyBIR(reader, bir.data(), DWORD(bir.size())); }},
    };
    for (const auto& f : failures) {
        f.configure();
        for (const auto& c : calls) {
            size = sizeof buffer;
            CallResult result = Call(c.run);
            EXPECT_FALSE(result.ok) << f.failure << ", " << c.call;
            EXPECT_EQ(f.error, result.error) << f.failure << ", " << c.call;
        }
        PresentFinger(kAlice);
        RemoveSetting(L"FingerFile");
        SetSetting(L"Action", L"present");
        SetSetting(L"DelayMs", L"10");
    }
    EXPECT_TRUE(Bio().CloseReader(reader));
}

TEST_F(BioSimTest, NoFingerFailsOnlyAfterTheDelay)
{
    const DWORD delayMs = 150;
    SetSetting(L"Action", L"nofinger");
    SetSetting(L"DelayMs", std::to_wstring(delayMs));
    BYTE buffer[OVBIO_TEMPLATE_SIZE];
    DWORD size = sizeof buffer;
    DWORD start = GetTickCount();
    CallResult result = Call([&] { return Bio().CaptureBIR_GUI(nullptr, nullptr, buffer, &size); });
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(DWORD(ERROR_TIMEOUT), result.error);
    EXPECT_GE(elapsed + 20, delayMs) << "the tick count may lag by one step, never more";
}

TEST_F(BioSimTest, ReadersListTheOneSimulatedSensorAndOpenByNameOrDefault)
{
    DWORD size = 0;
    ASSERT_TRUE(Bio().EnumReaders(nullptr, &size));
    std::string names(size, '\x7f');
    DWORD tooSmall = size - 1;
    CallResult shortBuffer = Call([&] { return Bio().EnumReaders(&names[0], &tooSmall); });
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), shortBuffer.error);
    EXPECT_EQ(size, tooSmall);
    ASSERT_TRUE(Bio().EnumReaders(&names[0], &size));
    const std::string first = names.c_str();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.size() + 2, names.size()) << "one name, then the empty one ending the list";
    EXPECT_EQ('\0', names.back());

    for (const char* name : {static_cast<const char*>(nullptr), "", first.c_str()}) {
        HBIOREADER reader = nullptr;
        EXPECT_TRUE(Bio().InitReader(name, &reader)) << (name ? name : "(null)");
        EXPECT_TRUE(Bio().CloseReader(reader));
        CallResult again = Call([&] { return Bio().CloseReader(reader); });
        EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), again.error) << "closed twice";
    }
    HBIOREADER unknown = nullptr;
    CallResult missing = Call([&] { return Bio().InitReader("Another sensor", &unknown); });
    EXPECT_EQ(DWORD(ERROR_BAD_UNIT), missing.error);
}

TEST_F(BioSimTest, CallsWithoutDialogAgreeWithTheDialogEnrolment)
{
    const Bytes enrolled = Enrol();
    ASSERT_FALSE(enrolled.empty());
    HBIOREADER reader = nullptr;
    ASSERT_TRUE(Bio().InitReader(nullptr, &reader));
    SetSetting(L"Action", L"wait");  // nobody at a dialog: calls without one must not open one

    Bytes captured(OVBIO_TEMPLATE_SIZE), unattended(OVBIO_TEMPLATE_SIZE);
    DWORD capturedSize = DWORD(captured.size()), unattendedSize = DWORD(unattended.size());
    DialogCall calls([&] {
        return Bio().CaptureBIR(reader, captured.data(), &capturedSize) &&
               Bio().GetBIR(unattended.data(), &unattendedSize) &&
               Bio().VerifyBIR(reader, enrolled.data(), DWORD(enrolled.size()));
    });
    ASSERT_TRUE(calls.Wait(kWaitMs)) << "a call without a dialog waited for a person";
    EXPECT_TRUE(calls.Result().ok) << calls.Result().error;
    EXPECT_EQ(enrolled, captured);
    EXPECT_EQ(enrolled, unattended);

    PresentFinger(kBob);
    CallResult other = Call([&] { return Bio().VerifyBIR(reader, enrolled.data(), DWORD(enrolled.size())); });
    EXPECT_FALSE(other.ok);
    EXPECT_EQ(DWORD(OVBIO_ERROR_NO_MATCH), other.error);

    EXPECT_TRUE(Bio().CloseReader(reader));
    CallResult closed = Call([&] { return Bio().CaptureBIR(reader, captured.data(), &capturedSize); });
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), closed.error);
}
