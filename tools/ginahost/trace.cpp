#include "trace.h"

#include <chrono>

CTrace::~CTrace()
{
    if (file_) std::fclose(file_);
}

void CTrace::EchoToStdout(bool echo)
{
    std::lock_guard<std::mutex> lock(mutex_);
    echo_ = echo;
}

bool CTrace::OpenFile(const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = _wfopen(path.c_str(), L"wb");
    return file_ != nullptr;
}

void CTrace::Host(const std::string& note)
{
    std::lock_guard<std::mutex> lock(mutex_);
    WriteLocked(kHost + note);
}

int CTrace::Begin(const char* prefix, std::string callText)
{
    std::lock_guard<std::mutex> lock(mutex_);
    int id = nextId_++;
    open_.push_back({id, prefix + callText, false});
    return id;
}

void CTrace::AnnounceCall(int id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (OpenCall& call : open_)
        if (call.id == id && !call.written) {
            call.written = true;
            WriteLocked(call.line + " ...");
        }
}

void CTrace::EndCall(int id, const std::string& result)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < open_.size(); ++i)
        if (open_[i].id == id) {
            std::string line = open_[i].line + " -> " + result;
            open_.erase(open_.begin() + i);
            WriteLocked(line);
            return;
        }
}

void CTrace::FlushOpenCallsLocked()
{
    for (OpenCall& call : open_)
        if (!call.written) {
            call.written = true;
            std::string line = call.line + " ...";
            lines_.push_back(line);
            if (echo_) std::printf("%s\n", line.c_str());
            if (file_) std::fprintf(file_, "%s\r\n", line.c_str());
        }
}

void CTrace::WriteLocked(const std::string& line)
{
    FlushOpenCallsLocked();
    lines_.push_back(line);
    if (echo_) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    if (file_) {
        std::fprintf(file_, "%s\r\n", line.c_str());
        std::fflush(file_);
    }
    added_.notify_all();
}

std::vector<std::string> CTrace::Lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

size_t CTrace::LineCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
}

bool CTrace::WaitFor(const std::string& text, DWORD timeoutMs, size_t fromLine) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    size_t checked = fromLine;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (; checked < lines_.size(); ++checked)
            if (lines_[checked].find(text) != std::string::npos) return true;
        if (added_.wait_until(lock, deadline) == std::cv_status::timeout) {
            for (; checked < lines_.size(); ++checked)
                if (lines_[checked].find(text) != std::string::npos) return true;
            return false;
        }
    }
}

CTrace::Call::Call(CTrace& trace, const char* prefix, std::string callText)
    : trace_(trace), id_(trace.Begin(prefix, std::move(callText)))
{
}

CTrace::Call::~Call()
{
    if (!ended_) trace_.EndCall(id_, "(no result)");
}

void CTrace::Call::Announce() { trace_.AnnounceCall(id_); }

void CTrace::Call::End(const std::string& result)
{
    ended_ = true;
    trace_.EndCall(id_, result);
}
