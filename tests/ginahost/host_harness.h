// The bench for the host's tests: a CWinlogonHost on a thread of its own driving the fixture
// GINA, whose behaviour each test sets through environment variables. The fixture's journal
// says what the GINA saw, independently of the host's own trace; a failing test prints both
// and the windows that were on the screen.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "fixture_gina/fixture_ids.h"
#include "scoped_environment.h"
#include "winlogon_host.h"

// Long enough for a slow Wine, short enough that a hang fails soon.
const DWORD kWaitMs = 5000;

extern const wchar_t kFixtureGina[];           // fixture_gina.dll
extern const wchar_t kFixtureGinaNoStatus[];   // fixture_gina_nostatus.dll

// Host options for a GINA beside the test program; the trace stays off stdout.
HostOptions FixtureHostOptions(const wchar_t* gina = kFixtureGina);

// Texts that must occur in this order, each in a later line than the one before; a '*' in
// a text stands for anything.
testing::AssertionResult LinesInOrder(const std::vector<std::string>& lines,
                                      std::initializer_list<std::string> expected);
bool AnyLineContains(const std::vector<std::string>& lines, const std::string& text);
bool HasLine(const std::vector<std::string>& lines, const std::string& line);

class GinaHostTest : public testing::Test {
protected:
    void TearDown() override;

    // Starts the host on its own thread; true once WlxInitialize succeeded.
    bool StartHost(HostOptions options = FixtureHostOptions());
    // Load, Negotiate and Initialize on the test thread, as far as they get.
    bool InitializeHereOnly(HostOptions options = FixtureHostOptions());
    CWinlogonHost& Host() { return *host_; }

    std::vector<std::string> Journal() const;
    bool WaitForJournal(const std::string& text, DWORD timeoutMs = kWaitMs) const;
    // Posts the commands and waits until the host is in `state`.
    bool PostAndWait(const std::string& commands, HostState state);

    ScopedEnvironment env_;  // restored after the host is gone

private:
    std::unique_ptr<CWinlogonHost> host_;
    std::wstring gina_;
};
