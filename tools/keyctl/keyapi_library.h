// keyapi32.dll as keyctl uses it: loaded at run time (from keyctl's own directory first)
// so keyctl works through the same exports as the product.
#pragma once
#include <windows.h>

#include <string>

#include "keyapi32.h"

struct KeyApi {
    decltype(&::EnumReaders) EnumReaders;
    decltype(&::InitReader) InitReader;
    decltype(&::CloseReader) CloseReader;
    decltype(&::InitCard) InitCard;
    decltype(&::CloseCard) CloseCard;
    decltype(&::VerifyPIN) VerifyPIN;
    decltype(&::ChangePIN) ChangePIN;
    decltype(&::UnblockPIN) UnblockPIN;
    decltype(&::ReadDataApp) ReadDataApp;
    decltype(&::WriteDataApp) WriteDataApp;
    decltype(&::SetDataSizeApp) SetDataSizeApp;
    decltype(&::ReadLabel) ReadLabel;
    decltype(&::GetApplicationInfo) GetApplicationInfo;
};

// Loads the library once; nullptr, with `error`, when it or an export is missing.
const KeyApi* LoadKeyApi(std::string& error);

// An open reader handle, closed at scope end.
class OpenReader {
public:
    OpenReader(const KeyApi& api, const std::string& name) : api_(api), handle_(api.InitReader(name.c_str())) {}
    ~OpenReader()
    {
        if (handle_) api_.CloseReader(handle_);
    }
    OpenReader(const OpenReader&) = delete;
    OpenReader& operator=(const OpenReader&) = delete;
    KEYAPI_READER Handle() const { return handle_; }

private:
    const KeyApi& api_;
    KEYAPI_READER handle_;
};
