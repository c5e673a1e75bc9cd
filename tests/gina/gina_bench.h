// The GINA under test: ov_gina.dll loaded by the Winlogon stand-in in this process, with
// its diagnostic log switched on (C:\ov_ln1.log) so tests can read what it traced.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gina_context.h"
#include "scoped.h"
#include "winlogon_host.h"

const DWORD kWaitMs = 5000;
extern const char kGinaLogPath[];

class GinaTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HostOptions Options() const;
    // Load, WlxNegotiate and WlxInitialize on this thread, which becomes Winlogon's.
    bool InitializeHere(HostOptions options);
    bool InitializeHere() { return InitializeHere(Options()); }
    // The same on a thread of the host's own, which then runs the state machine.
    bool StartHost();
    void UnloadGina();  // ends the host; the next host loads the GINA afresh

    CWinlogonHost& Host() { return *host_; }
    Glb* Context() { return static_cast<Glb*>(host_->Context()); }
    // An export of the loaded GINA, for calls the host never makes (odd arguments).
    FARPROC Export(const char* name);

    static std::string GinaLog() { return ReadFileText(kGinaLogPath); }
    std::string Trace() const;

private:
    std::unique_ptr<ScopedFile> logSwitch_;
    std::unique_ptr<CWinlogonHost> host_;
};
