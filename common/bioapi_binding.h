// Binding of the biometric library OVBioAPI.dll. It is loaded only for the moment of a
// fingerprint check or an enrolment and unloaded right after.
#pragma once
#include <windows.h>

struct BioApiFunctions {
    FARPROC BioEnumReaders;
    FARPROC BioInitReader;
    FARPROC BioCloseReader;
    FARPROC BioVerifyBIR;
    // Captures into buffer (or, with no buffer, returns in *size the size of the template
    // the user is about to enrol; 0: remove it). flag: a template exists on the key.
    BOOL(WINAPI* BioGetBIR_GUI)(HMODULE resources, HWND owner, BYTE* buffer, DWORD* size, DWORD flag);
    // Runs its own capture dialog; TRUE when the finger matches the template.
    BOOL(WINAPI* BioVerifyBIR_GUI)(HMODULE resources, HWND owner, const BYTE* bir, DWORD birSize, DWORD reserved1,
                                   DWORD reserved2);
    FARPROC BioCaptureBIR;
    FARPROC BioCompareBIRS;
    FARPROC BioCaptureBIR_GUI;
    FARPROC BioGetBIR;
};

class CBioApiLibrary {
public:
    CBioApiLibrary() = default;
    ~CBioApiLibrary() { Unload(); }
    CBioApiLibrary(const CBioApiLibrary&) = delete;
    CBioApiLibrary& operator=(const CBioApiLibrary&) = delete;

    // "OVBioAPI.dll" by the normal search; if that fails and a directory of at most 239
    // characters is given, that directory's copy. All ten exports are required: one
    // missing frees the library, clears every pointer and keeps the Windows error.
    bool Load(const TCHAR* directory = nullptr);
    void Unload();

    bool IsLoaded() const { return module_ != nullptr; }
    const BioApiFunctions& Api() const { return api_; }

private:
    HMODULE module_ = nullptr;
    BioApiFunctions api_ = {};
};
