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

    // Key data operations. Each opens the key in the named reader (an empty or missing
    // name: the current reader) for the one operation, pausing the monitor meanwhile, and
    // ends with CloseCard(handle, 1). The outcome stays in the reader's record, from which
    // GetErrorText builds the text for the user.
    KeyReader* OpenKey(const TCHAR* label, const TCHAR* readerName);
    KeyReader* SelectKey();
    // The key's label, else the reader name shortened to its first and last word.
    bool GetDisplayName(const TCHAR* readerName, TCHAR* out, int capacity);
    // In: the bytes offered (0: as many as stored); out: the bytes read, or the bytes
    // needed when the offer was too short. capacity bounds an offer of 0 (0: no bound).
    bool Read(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD capacity = 0);
    bool read_data_app(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD application, DWORD capacity = 0);
    // Writes at offset and sets the stored size to the end of the written bytes; with no
    // data only the stored size is set.
    bool Write(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length);
    bool write_data_app(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length, DWORD application);
    bool Delete(const TCHAR* readerName);
    bool Delete(const TCHAR* readerName, DWORD application);
    bool GetRandomBytes(const TCHAR* readerName, BYTE* buffer, DWORD count);
    // Run a read or a write on the command thread. They return the semaphore the thread
    // releases when done (the caller closes it), or kCommandFailed. *length is written by
    // the command thread; a read refused because a command runs sets it to 0 at once.
    HANDLE ReadEx(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD capacity = 0);
    HANDLE WriteEx(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length);
    bool IsCommandRunning() const { return m_commandThread != nullptr; }
    // True with the text for the user when the reader has an error to show. out null: an
    // internal buffer of 800 characters; capacity 0: 100 characters.
    bool GetErrorText(const TCHAR* readerName, TCHAR* out, int capacity, const TCHAR** text = nullptr);
    // Panel operations.
    bool ChangePIN(const TCHAR* readerName, const TCHAR* newPin);
    bool ChangeLabel(const TCHAR* readerName, const TCHAR* newLabel);
    // Enrols, replaces or removes the key's BIO ID: 0, ERROR_CANCELLED (1223) or 1.
    int ChangeBIOKey(const TCHAR* readerName, HINSTANCE instance, HWND owner, const TCHAR* caption);

    static constexpr HANDLE kCommandFailed = nullptr;

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
    void EndOperation(KeyReader* reader);
    void RefreshSizes(KeyReader* reader, DWORD application);
    void SetOpFailure(KeyReader* reader, UINT textId, const TCHAR* argument);
    void WaitForCommandThread();
    bool ReadFrom(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD application, bool ownApplication,
                  DWORD capacity);
    bool WriteTo(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length, DWORD application,
                 bool ownApplication);
    bool DeleteFrom(const TCHAR* readerName, DWORD application, bool ownApplication);
    HANDLE StartCommand(int code, const TCHAR* readerName, BYTE* data, DWORD* length, DWORD writeLength,
                        DWORD offset, DWORD capacity);
    static DWORD WINAPI CMD_ThreadProc(LPVOID request);

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
    HANDLE volatile m_commandThread = nullptr;  // the running command thread, none when idle
    HANDLE m_commandSemaphore = nullptr;         // the last request's semaphore
    TCHAR m_errorText[800] = {};                 // GetErrorText's own buffer
    KeyReader m_anyReader;  // "Any Key reader": the current reader when none is chosen
};
