// keyapi32.dll as the product loads it: LoadLibrary beside the test and every export
// bound by name, so the tests go through the real DLL.
#pragma once
#include <windows.h>

#include <string>

#include "keyapi32.h"

#define KEYAPI_EXPORT_LIST(X)                                                                                  \
    X(EnumReaders) X(InitReader) X(CloseReader) X(InitCard) X(CloseCard) X(Disconnect) X(VerifyPIN)            \
    X(ChangePIN) X(UnblockPIN) X(ReadData) X(WriteData) X(DeleteData) X(SetDataSize) X(ReadDataApp)           \
    X(WriteDataApp) X(SetDataSizeApp) X(ReadBIR) X(WriteBIR) X(SetBIRSize) X(DeleteBIR) X(GetApplicationInfo) \
    X(GetCardID) X(ReadLabel) X(WriteLabel) X(GetRandom) X(AnyReadersChanges) X(FormatCard) X(UnformatCard)   \
    X(GetReaderName) X(GetReaderType) X(IsDataExist) X(IsDataExisting) X(GetCardType) X(EnumApplications)     \
    X(ExternalAuth) X(ChangeIssuerKey)

struct KeyLibrary {
#define OV_KEYAPI_POINTER(name) decltype(&::name) name = nullptr;
    KEYAPI_EXPORT_LIST(OV_KEYAPI_POINTER)
#undef OV_KEYAPI_POINTER
};

// The library, loaded once for the test run; an export that is missing fails the test.
const KeyLibrary& Key();

// An open reader handle, closed at scope end.
class Reader {
public:
    explicit Reader(const std::string& name) : handle_(Key().InitReader(name.c_str())) {}
    ~Reader()
    {
        if (handle_) Key().CloseReader(handle_);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    KEYAPI_READER get() const { return handle_; }
    operator KEYAPI_READER() const { return handle_; }

private:
    KEYAPI_READER handle_;
};

// An application's bytes read through the connection (empty on failure, with `ok` false).
std::string ReadApp(KEYAPI_READER reader, DWORD appId, bool* ok = nullptr);
bool WriteApp(KEYAPI_READER reader, DWORD appId, const std::string& data, DWORD offset = 0);
