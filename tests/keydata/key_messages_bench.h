// The bench for the key dispatch: a test window that writes down every key message it
// receives (with the reader name read at arrival), a dispatch window that does the same
// for the messages it keeps, and waiting that keeps the test thread's windows pumped.
// Builds in both character sets, like the key library.
#pragma once
#include <windows.h>
#include <tchar.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "key_dispatch_wnd.h"
#include "smart_key_wnd.h"

struct KeyMessage {
    UINT message;
    std::string reader;  // wParam read as a reader name when the message arrived
    std::string note;    // what the test asked to note (e.g. the monitor's errorText)
};

class MessageLog {
public:
    void Add(UINT message, WPARAM wParam);
    int Count(UINT message) const;
    std::vector<KeyMessage> All() const;
    // The first message of that kind (optionally from that reader) once it is there;
    // pumps the calling thread's windows while waiting.
    bool WaitFor(UINT message, DWORD timeoutMs, const std::string& reader = std::string()) const;
    bool Has(UINT message, const std::string& reader) const;
    std::string Describe() const;
    void Clear();
    // Runs on arrival; its result becomes the entry's note.
    std::function<std::string(UINT message)> noteOnArrival;

private:
    mutable std::mutex mutex_;
    std::vector<KeyMessage> messages_;
};

// A visible, captioned top-level window on the creating thread.
class HostWindow {
public:
    explicit HostWindow(MessageLog& log) : log_(log) {}
    ~HostWindow();
    bool Create(bool visible = true, const TCHAR* caption = _T("Key test host"));
    HWND Handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    MessageLog& log_;
    HWND hwnd_ = nullptr;
};

// A dispatch window that writes down what reaches its own OnKeyMessage.
class RecordingDispatch : public CKeyDispatchWnd {
public:
    explicit RecordingDispatch(MessageLog& log) : log_(log) {}
    void OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) override { log_.Add(message, wParam); }

private:
    MessageLog& log_;
};

// A window on screen, the dispatch thread and a monitor wired together as a logon window
// uses them. Start() needs the readers in place; the rig stops all of it when it goes.
struct KeyWindowRig {
    KeyWindowRig() = default;
    ~KeyWindowRig();
    KeyWindowRig(const KeyWindowRig&) = delete;
    KeyWindowRig& operator=(const KeyWindowRig&) = delete;
    bool Start();

    MessageLog log;
    HostWindow host{log};
    CKeyDispatchWnd dispatch;
    CSmartKey_WndDisp monitor;
};

// Pumps the calling thread's messages until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
std::string KeyMessageName(UINT message);
std::string Narrow(const TCHAR* text);
