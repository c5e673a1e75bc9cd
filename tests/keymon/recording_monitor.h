// A key monitor that writes down every callback, for tests and the benchmark. Events are
// short texts: "inserted:R1", "removed:R1", "needpin:R1:<failed>:<left>", "error:R1:<text>",
// "absent", "reader+:R1", "reader-:R1", "pin-accepted:R1".
#pragma once
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "smart_key.h"

class RecordingMonitor : public CSmartKey {
public:
    void onPinAccepted(const TCHAR* readerName, KEYAPI_READER, const TCHAR*) override;
    void onKeyInserted(const TCHAR* readerName) override;
    void onKeyRemoved(const TCHAR* readerName) override;
    bool onNeedPIN(const TCHAR* readerName, int failedPins, int attemptsLeft) override;
    void onNewErrorMessage(const TCHAR* readerName, const TCHAR* text) override;
    void onKeyAbsenceDetected() override;
    void onReaderChanged(const TCHAR* readerName, bool added) override;

    // PINs that onNeedPIN gives per reader, one per request, as a person typing them would.
    void AnswerPins(const std::string& reader, std::vector<std::string> pins);
    // Runs inside onKeyInserted (on the monitor thread when it polls).
    std::function<void(const std::string& reader)> whenInserted;

    std::vector<std::string> Events() const;
    int Count(const std::string& event) const;
    bool WaitFor(const std::string& event, DWORD timeoutMs) const;
    void ClearEvents();
    std::string Describe() const;  // all events, for failure messages

    KeyReader* ByName(const std::string& reader);

private:
    void Add(const std::string& event);
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> events_;
    std::map<std::string, std::vector<std::string>> pins_;
};

std::string Narrow(const TCHAR* text);
std::wstring Wide(const std::string& text);
