// The key monitor. Each process that works with keys holds one as a global object. It
// loads the token library, keeps a table of the attached readers, polls every reader
// every 2 s on its own thread, keeps a state per reader and reports insertions,
// removals, PIN requests and errors through virtual callbacks (raised on the monitor
// thread). No locks are taken: other threads pause the monitor with the stop handshake.
#pragma once
#include <windows.h>
#include <tchar.h>

#include <string>
#include <vector>

#include "key_reader.h"
#include "keyapi_binding.h"
#include "log.h"

// The monitor's log writer: the short log of Postlog and the 9x providers, a writer that
// is never switched on in the GINA and the panel.
extern CShortLog* g_monitorLog;

class CSmartKey {
public:
    CSmartKey();
    virtual ~CSmartKey();
    CSmartKey(const CSmartKey&) = delete;
    CSmartKey& operator=(const CSmartKey&) = delete;

    // Callbacks, in slot order.
    virtual void onPinAccepted(const TCHAR* readerName, KEYAPI_READER readerHandle, const TCHAR* pin) {}
    virtual void onKeyInserted(const TCHAR* readerName) {}
    virtual void onKeyRemoved(const TCHAR* readerName) {}
    virtual void onFinishInit() {}
    // True when a PIN is now in the reader's record and the key should be tried again.
    virtual bool onNeedPIN(const TCHAR* readerName, int failedPins, int attemptsLeft);
    virtual void onNewErrorMessage(const TCHAR* readerName, const TCHAR* text) {}
    virtual bool onReservedHook(const TCHAR*, int) { return false; }
    virtual void onKeyAbsenceDetected() {}
    virtual void onReaderChanged(const TCHAR* readerName, bool added) {}

    bool Initialize(DWORD applicationId);
    void OpenAllReaders();
    void StartMonitorThread();
    void StopMonitoring();
    void Finalize();

    void SetReaderIgnored(const char* name, bool remove = false);
    KeyReader* FindReader(const TCHAR* name = nullptr);
    void SetPIN(const TCHAR* readerName, const TCHAR* pin);
    // The reader's state (-1 when no reader has that name), its application bytes and label.
    int GetReaderInfo(const TCHAR* readerName, DWORD* used, DWORD* freeBytes, TCHAR* label);

    // Stop handshake: pause the monitor thread between readers (false at once when a stop
    // is already requested or no thread runs); ReleaseMonitorThread lets it go on.
    bool AskToStopMonitorThread();
    void ReleaseMonitorThread();
    bool AskToTerminateMonitorThread();

    // One poll of one reader; openForOperation leaves an accepted key open.
    bool ProcessReader(int index, bool openForOperation);

    bool IsLoaded() const { return m_libraryLoaded; }
    bool IsMonitorRunning() const { return m_monitorThread != nullptr; }
    DWORD ApplicationId() const { return m_applicationId; }
    int ReaderCount() const;
    KeyReader* Reader(int index) const { return index >= 0 && index < kMaxReaders ? rdrs[index] : nullptr; }
    const KeyApiFunctions& Api() const { return m_library.Api(); }
    bool IsSingleInstanceInProcess() const { return m_isSingleInstanceInProcess; }

protected:
    static DWORD WINAPI MonitorThreadProc(LPVOID self);
    void MonitorLoop();
    bool IsMonitorThread() const { return GetCurrentThreadId() == m_monitorThreadId; }
    bool WaitOutStopRequest();  // false when a terminate request came meanwhile
    void SetState(KeyReader* reader, int state, UINT textId);
    void ReadKeyInformation(KeyReader* reader);
    void ClearPin(KeyReader* reader) { reader->pin[0] = 0; }
    void FreeReaders();
    bool IsIgnored(const char* ansiName) const;

    // Callbacks raised on the monitor thread hold the stop request while they run, so a
    // stop asked meanwhile returns at once instead of waiting for a busy monitor.
    class CallbackScope {
    public:
        explicit CallbackScope(CSmartKey& monitor);
        ~CallbackScope();
    private:
        CSmartKey& monitor_;
        bool bracketed_;
    };

    DWORD m_applicationId = 0;
    bool m_libraryLoaded = false;
    CKeyApiLibrary m_library;
    volatile LONG m_stopRequest = 1;
    volatile LONG m_stopAck = 0;
    volatile LONG m_terminateRequest = 0;
    volatile LONG m_terminateAck = 0;
    KeyReader* rdrs[kMaxReaders + 1] = {};
    HANDLE m_monitorThread = nullptr;
    DWORD m_monitorThreadId = 0;
    bool m_monitoringStarted = false;
    HINSTANCE m_instance = nullptr;
    HWND m_bioOwner = nullptr;
    KeyReader* m_currentReader = nullptr;
    HANDLE m_semaphore = nullptr;
    bool m_isSingleInstanceInProcess = true;
    volatile LONG m_absenceReported = 0;
    std::vector<std::string> ignoredReaders;
    TCHAR m_presetPin[66] = {};
    HANDLE m_commandThread = nullptr;
    HANDLE m_commandSemaphore = nullptr;
    KeyReader m_anyReader;  // "Any Key reader": the current reader when none is chosen
};
