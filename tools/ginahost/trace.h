// The host's trace: one readable line per call in either direction and per note of the
// host, with fixed prefixes so tests and people can grep it:
//   "GINA> "  a call into the GINA          GINA> WlxLogoff() -> (void)
//   "WLX<  "  a dispatch call by the GINA   WLX<  WlxSetTimeout(Timeout=30) -> TRUE
//   "HOST  "  the host's own notes          HOST  state: logged-on
// Lines go out as they happen (stdout and/or a file, flushed per line) and are kept for
// tests. Thread-safe: the GINA may call Winlogon from any of its threads.
#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

class CTrace {
public:
    static constexpr const char* kGina = "GINA> ";
    static constexpr const char* kWinlogon = "WLX<  ";
    static constexpr const char* kHost = "HOST  ";

    CTrace() = default;
    ~CTrace();
    CTrace(const CTrace&) = delete;
    CTrace& operator=(const CTrace&) = delete;

    void EchoToStdout(bool echo);
    bool OpenFile(const std::wstring& path);

    void Host(const std::string& note);

    // A call that may take a while: its single line "name(args) -> result" is written when
    // it returns. Any line traced before that (a nested call, a dialog coming up) first
    // writes "name(args) ..." so the trace keeps the order in which things happened.
    class Call {
    public:
        Call(CTrace& trace, const char* prefix, std::string callText);
        ~Call();  // a call left without End() is traced as "-> (no result)"
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;
        void Announce();  // writes the "..." line now: the call waits for a person
        void End(const std::string& result);

    private:
        CTrace& trace_;
        int id_;
        bool ended_ = false;
    };

    std::vector<std::string> Lines() const;
    size_t LineCount() const;
    // Waits until a line at index >= fromLine contains `text`.
    bool WaitFor(const std::string& text, DWORD timeoutMs, size_t fromLine = 0) const;

private:
    struct OpenCall {
        int id;
        std::string line;  // prefix + call text
        bool written;
    };
    int Begin(const char* prefix, std::string callText);
    void AnnounceCall(int id);
    void EndCall(int id, const std::string& result);
    void WriteLocked(const std::string& line);
    void FlushOpenCallsLocked();

    mutable std::mutex mutex_;
    mutable std::condition_variable added_;
    std::vector<std::string> lines_;
    std::vector<OpenCall> open_;
    int nextId_ = 1;
    bool echo_ = true;
    FILE* file_ = nullptr;
};
