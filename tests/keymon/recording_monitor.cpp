#include "recording_monitor.h"

#include <algorithm>

std::string Narrow(const TCHAR* text)
{
    std::string out;
    for (; text && *text; ++text) out += char(*text);
    return out;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

void RecordingMonitor::Add(const std::string& event)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }
    changed_.notify_all();
}

void RecordingMonitor::onPinAccepted(const TCHAR* name, KEYAPI_READER, const TCHAR*) { Add("pin-accepted:" + Narrow(name)); }

void RecordingMonitor::onKeyInserted(const TCHAR* name)
{
    Add("inserted:" + Narrow(name));
    if (whenInserted) whenInserted(Narrow(name));
}

void RecordingMonitor::onKeyRemoved(const TCHAR* name) { Add("removed:" + Narrow(name)); }

bool RecordingMonitor::onNeedPIN(const TCHAR* name, int failedPins, int attemptsLeft)
{
    const std::string reader = Narrow(name);
    Add("needpin:" + reader + ":" + std::to_string(failedPins) + ":" + std::to_string(attemptsLeft));
    std::string pin;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = pins_.find(reader);
        // Nobody typing: the monitor's own rule (the preset PIN, once).
        if (it == pins_.end() || it->second.empty()) return CSmartKey::onNeedPIN(name, failedPins, attemptsLeft);
        pin = it->second.front();
        it->second.erase(it->second.begin());
    }
    SetPIN(Wide(reader).c_str(), Wide(pin).c_str());
    return true;
}

void RecordingMonitor::onNewErrorMessage(const TCHAR* name, const TCHAR* text)
{
    Add("error:" + Narrow(name) + ":" + Narrow(text));
}

void RecordingMonitor::onKeyAbsenceDetected() { Add("absent"); }

void RecordingMonitor::onReaderChanged(const TCHAR* name, bool added)
{
    Add(std::string(added ? "reader+:" : "reader-:") + Narrow(name));
}

void RecordingMonitor::AnswerPins(const std::string& reader, std::vector<std::string> pins)
{
    std::lock_guard<std::mutex> lock(mutex_);
    pins_[reader] = std::move(pins);
}

std::vector<std::string> RecordingMonitor::Events() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

int RecordingMonitor::Count(const std::string& event) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(std::count(events_.begin(), events_.end(), event));
}

bool RecordingMonitor::WaitFor(const std::string& event, DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return std::find(events_.begin(), events_.end(), event) != events_.end();
    });
}

void RecordingMonitor::ClearEvents()
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

std::string RecordingMonitor::Describe() const
{
    std::string text = "events:";
    for (const std::string& e : Events()) text += " [" + e + "]";
    return text;
}

KeyReader* RecordingMonitor::ByName(const std::string& reader) { return FindReader(Wide(reader).c_str()); }
