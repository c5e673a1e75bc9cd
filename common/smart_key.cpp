#include "smart_key.h"

#include <cstdio>
#include <cstring>

#include "lang.h"
#include "string_ids.h"
#include "text_convert.h"

namespace {
CShortLog g_silentMonitorLog;  // never started: the GINA's and the panel's monitor lines stay unwritten
const DWORD kPollMs = 2000;
const DWORD kSleepSliceMs = 20;
const DWORD kEmptyTableSleepMs = 500;
const DWORD kHandshakeSleepMs = 100;
const int kHandshakeRepeat = 21;
const int kPinChars = 64;
const DWORD kStillActive = 259;

bool NamesEqualNoCase(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }
}  // namespace

CShortLog* g_monitorLog = &g_silentMonitorLog;

CSmartKey::CallbackScope::CallbackScope(CSmartKey& monitor) : monitor_(monitor), bracketed_(monitor.IsMonitorThread())
{
    if (bracketed_) InterlockedExchange(&monitor_.m_stopRequest, 1);
}

CSmartKey::CallbackScope::~CallbackScope()
{
    if (bracketed_) InterlockedExchange(&monitor_.m_stopRequest, 0);
}

CSmartKey::CSmartKey()
{
    ZeroMemory(&m_anyReader, sizeof m_anyReader);
    lstrcpyn(m_anyReader.name, _T("Any Key reader"), ARRAYSIZE(m_anyReader.name));
    m_anyReader.handle = INVALID_HANDLE_VALUE;
    m_anyReader.attemptsLeft = 3;
}

CSmartKey::~CSmartKey()
{
    Finalize();
    ignoredReaders.clear();
}

bool CSmartKey::onNeedPIN(const TCHAR* readerName, int failedPins, int attemptsLeft)
{
    if (!m_presetPin[0]) return false;
    KeyReader* reader = FindReader(readerName);
    if (!reader) return false;
    if (!reader->pin[0]) {
        lstrcpyn(reader->pin, m_presetPin, 41);
        return true;
    }
    ClearPin(reader);
    return false;
}

bool CSmartKey::Initialize(DWORD applicationId)
{
    if (m_libraryLoaded) {
        SetLastError(ERROR_ALREADY_INITIALIZED);
        return false;
    }
    m_applicationId = applicationId;
    m_library.Unload();
    if (!m_library.Load()) {
        g_monitorLog->Write(LOG_ERROR, "CSmartKey::Initialize", "keyapi32.dll not loaded, gle=%X", GetLastError());
        return false;
    }
    m_libraryLoaded = true;

    char name[64];
    _snprintf(name, sizeof name, "OV_CTKKEY_MONIT_THREAD_SEM166_%X", unsigned(GetCurrentProcessId()));
    name[sizeof name - 1] = 0;
    m_semaphore = CreateSemaphoreA(nullptr, 0, 10, name);
    if (GetLastError() == ERROR_ALREADY_EXISTS) m_isSingleInstanceInProcess = false;
    OpenAllReaders();
    return true;
}

int CSmartKey::ReaderCount() const
{
    int count = 0;
    while (count < kMaxReaders && rdrs[count]) ++count;
    return count;
}

bool CSmartKey::IsIgnored(const char* ansiName) const
{
    for (const std::string& ignored : ignoredReaders)
        if (NamesEqualNoCase(ignored.c_str(), ansiName)) return true;
    return false;
}

void CSmartKey::OpenAllReaders()
{
    if (!m_libraryLoaded) return;
    const KeyApiFunctions& api = Api();
    for (int i = 0; rdrs[i]; ++i) rdrs[i]->seen = 0;

    for (int index = 0;; ++index) {
        const char* ansiName = api.EnumReaders(index);
        if (!ansiName) break;
        TCHAR name[251];
        AnsiToText(ansiName, name, ARRAYSIZE(name));
        int count = ReaderCount();
        int found = -1;
        for (int i = 0; i < count; ++i)
            if (lstrcmp(rdrs[i]->name, name) == 0) found = i;
        if (found >= 0) {
            rdrs[found]->seen = 1;
            continue;
        }
        if (count >= kMaxReaders) continue;

        KeyReader* reader = static_cast<KeyReader*>(LocalAlloc(LPTR, sizeof(KeyReader)));
        if (!reader) break;
        lstrcpyn(reader->name, name, ARRAYSIZE(reader->name));
        reader->state = csAbsent;
        reader->attemptsLeft = 3;
        reader->index = count;
        // A "VIDOR" reader is left alone in a remote session.
        const bool remoteVidor = NamesEqualNoCase(ansiName, "VIDOR") && GetSystemMetrics(SM_REMOTESESSION) != 0;
        reader->ignored = IsIgnored(ansiName) || remoteVidor;
        if (!reader->ignored) reader->handle = api.InitReader(ansiName);
        reader->seen = 1;
        rdrs[count] = reader;
        rdrs[count + 1] = nullptr;
        g_monitorLog->Write(LOG_TRACE, "CSmartKey::OpenAllReaders", "reader added: %s", ansiName);
        CallbackScope scope(*this);
        onReaderChanged(reader->name, true);
    }

    for (int i = 0; rdrs[i];) {
        KeyReader* reader = rdrs[i];
        if (reader->seen) {
            ++i;
            continue;
        }
        {
            CallbackScope scope(*this);
            if (reader->lastStatus != kCardNoKey) onKeyRemoved(reader->name);
            onReaderChanged(reader->name, false);
        }
        if (reader->handle) api.CloseReader(reader->handle);
        if (m_currentReader == reader) m_currentReader = nullptr;
        const int last = ReaderCount() - 1;
        rdrs[i] = rdrs[last];
        if (rdrs[i]) rdrs[i]->index = i;
        rdrs[last] = nullptr;
        LocalFree(reader);
    }
}

void CSmartKey::StartMonitorThread()
{
    if (!m_libraryLoaded || m_monitorThread) return;
    InterlockedExchange(&m_stopRequest, 0);
    InterlockedExchange(&m_terminateRequest, 0);
    InterlockedExchange(&m_absenceReported, 0);
    m_monitorThread = CreateThread(nullptr, 0, MonitorThreadProc, this, 0, &m_monitorThreadId);
    if (!m_monitorThread) InterlockedExchange(&m_stopRequest, 1);
}

void CSmartKey::StopMonitoring()
{
    if (!m_libraryLoaded || !m_monitorThread) return;
    AskToTerminateMonitorThread();
    CloseHandle(m_monitorThread);
    m_monitorThread = nullptr;
    m_monitorThreadId = 0;
    for (int i = 0; rdrs[i]; ++i) {
        KeyReader* reader = rdrs[i];
        reader->failedPins = 0;
        ClearPin(reader);
        SetState(reader, csAbsent, IDS_STATE_ABSENT);
        Api().CloseCard(reader->handle, 0);
    }
}

void CSmartKey::Finalize()
{
    WaitForCommandThread();
    if (m_monitorThread) {
        AskToTerminateMonitorThread();
        CloseHandle(m_monitorThread);
        m_monitorThread = nullptr;
        m_monitorThreadId = 0;
    }
    if (m_semaphore) CloseHandle(m_semaphore);
    m_semaphore = nullptr;
    m_libraryLoaded = false;
    if (m_library.IsLoaded()) {
        FreeReaders();
        m_library.Unload();
    }
}

void CSmartKey::FreeReaders()
{
    for (int i = 0; rdrs[i]; ++i) {
        if (rdrs[i]->handle) Api().CloseReader(rdrs[i]->handle);
        LocalFree(rdrs[i]);
        rdrs[i] = nullptr;
    }
    m_currentReader = nullptr;
}

void CSmartKey::SetReaderIgnored(const char* name, bool remove)
{
    if (!name) return;
    for (auto it = ignoredReaders.begin(); it != ignoredReaders.end(); ++it) {
        if (NamesEqualNoCase(it->c_str(), name)) {
            if (remove) ignoredReaders.erase(it);
            return;
        }
    }
    if (!remove) ignoredReaders.push_back(name);
}

KeyReader* CSmartKey::FindReader(const TCHAR* name)
{
    if (name) {
        for (int i = 0; i < kMaxReaders && rdrs[i]; ++i) {
            if (lstrcmp(rdrs[i]->name, name) == 0) {
                rdrs[i]->index = i;
                return rdrs[i];
            }
        }
        return nullptr;
    }
    if (m_currentReader) return m_currentReader;
    for (int i = 0; i < kMaxReaders && rdrs[i]; ++i)
        if (rdrs[i]->state != csAbsent) return rdrs[i];
    return nullptr;
}

void CSmartKey::SetPIN(const TCHAR* readerName, const TCHAR* pin)
{
    if (readerName) {
        if (KeyReader* reader = FindReader(readerName)) {
            lstrcpyn(reader->pin, pin ? pin : _T(""), kPinChars + 1);
            reader->bioVerified = 0;
        }
        return;
    }
    lstrcpyn(m_presetPin, pin ? pin : _T(""), kPinChars + 1);
    if (m_currentReader) lstrcpyn(m_currentReader->pin, m_presetPin, kPinChars + 1);
}

int CSmartKey::GetReaderInfo(const TCHAR* readerName, DWORD* used, DWORD* freeBytes, TCHAR* label)
{
    KeyReader* reader = FindReader(readerName);
    if (!reader) return -1;
    if (used) *used = reader->appUsed;
    if (freeBytes) *freeBytes = reader->appFree;
    if (label) lstrcpyn(label, reader->label, 33);
    return reader->state;
}

bool CSmartKey::AskToStopMonitorThread()
{
    if (m_stopRequest || !m_monitorThread) return false;
    InterlockedExchange(&m_stopAck, 0);
    InterlockedExchange(&m_stopRequest, 1);
    for (int polls = 1; !m_stopAck; ++polls) {
        Sleep(kHandshakeSleepMs);
        if (polls % kHandshakeRepeat == 0) InterlockedExchange(&m_stopRequest, 1);
    }
    return true;
}

void CSmartKey::ReleaseMonitorThread()
{
    InterlockedExchange(&m_stopRequest, 0);
    InterlockedExchange(&m_stopAck, 0);
}

bool CSmartKey::AskToTerminateMonitorThread()
{
    if (!m_monitorThread) return false;
    DWORD exitCode = 0;
    if (GetExitCodeThread(m_monitorThread, &exitCode) && exitCode != kStillActive) {
        g_monitorLog->Write(LOG_TRACE, "CSmartKey::AskToTerminateMonitorThread", "thread is already closed");
        return true;
    }
    InterlockedExchange(&m_terminateRequest, 1);
    InterlockedExchange(&m_terminateAck, 0);
    if (IsMonitorThread()) return true;
    for (int polls = 1; !m_terminateAck; ++polls) {
        Sleep(kHandshakeSleepMs);
        if (polls % kHandshakeRepeat == 0) InterlockedExchange(&m_terminateRequest, 1);
    }
    return true;
}

DWORD WINAPI CSmartKey::MonitorThreadProc(LPVOID self)
{
    static_cast<CSmartKey*>(self)->MonitorLoop();
    return 0;
}

bool CSmartKey::WaitOutStopRequest()
{
    while (m_stopRequest) {
        if (m_terminateRequest) return false;
        InterlockedExchange(&m_stopAck, 1);
        Sleep(10);
    }
    InterlockedExchange(&m_stopAck, 0);
    return true;
}

void CSmartKey::MonitorLoop()
{
    const KeyApiFunctions& api = Api();
    for (;;) {
        if (api.AnyReadersChanges(0)) {
            // A second monitor in this process: the first one keeps the reader table.
            if (!m_isSingleInstanceInProcess) return;
            OpenAllReaders();
        }
        bool poll = true;
        if (!rdrs[0]) {
            if (!m_absenceReported) {
                InterlockedExchange(&m_absenceReported, 1);
                CallbackScope scope(*this);
                onKeyAbsenceDetected();
            }
            Sleep(kEmptyTableSleepMs);
            poll = rdrs[0] != nullptr;
        }
        if (poll) {
            for (int i = 0; i < kMaxReaders && rdrs[i]; ++i) {
                // A reader left closed on purpose is not polled: it would only report errors.
                if (!rdrs[i]->ignored) ProcessReader(i, false);
                if (m_terminateRequest) {
                    InterlockedExchange(&m_terminateAck, 1);
                    return;
                }
                if (!WaitOutStopRequest()) {
                    InterlockedExchange(&m_terminateAck, 1);
                    return;
                }
            }
        }
        if (m_terminateRequest || !WaitOutStopRequest()) {
            InterlockedExchange(&m_terminateAck, 1);
            return;
        }
        if (rdrs[0] && !m_absenceReported) {
            bool anyKey = false;
            for (int i = 0; rdrs[i]; ++i) {
                const int s = rdrs[i]->state;
                anyKey |= s == csInserted || s == csBlocked || s == csFinallyBlocked || s == csNeedPIN || s == csBioFailed;
            }
            if (!anyKey) {
                CallbackScope scope(*this);
                onKeyAbsenceDetected();
            }
            InterlockedExchange(&m_absenceReported, 1);
        }
        // Sleep in slices: a terminate request is answered without the full poll wait, and
        // an operation that pauses the monitor (it touches no key while it sleeps) does not
        // wait for the next pass.
        for (DWORD slept = 0; slept < kPollMs && !m_terminateRequest; slept += kSleepSliceMs) {
            if (m_stopRequest && !WaitOutStopRequest()) {
                InterlockedExchange(&m_terminateAck, 1);
                return;
            }
            Sleep(kSleepSliceMs);
        }
    }
}

void CSmartKey::SetState(KeyReader* reader, int state, UINT textId)
{
    reader->state = state;
    LoadText(textId, reader->statusText, ARRAYSIZE(reader->statusText));
}

void CSmartKey::ReadKeyInformation(KeyReader* reader)
{
    const KeyApiFunctions& api = Api();
    BYTE id[8] = {};
    DWORD length = sizeof id;
    if (api.GetCardID(reader->handle, id, &length) && memcmp(id, reader->cardId, sizeof id) != 0) {
        // Another key in this reader: it must not inherit the PIN given for the last one.
        ClearPin(reader);
        reader->bioVerified = 0;
        memcpy(reader->cardId, id, sizeof id);
    }
    api.GetApplicationInfo(reader->handle, m_applicationId, &reader->appUsed, &reader->appFree);
    api.GetApplicationInfo(reader->handle, kAppWholeKey, &reader->keyUsed, &reader->keyFree);
    api.GetApplicationInfo(reader->handle, kAppBioTemplate, &reader->bioUsed, &reader->bioFree);
    // A key with no room and no template has nothing to check. A full key that does carry a
    // template is still checked.
    if (reader->bioFree == 0 && reader->bioUsed == 0) reader->bioVerified = 1;
    char label[33] = {};
    if (api.ReadLabel(reader->handle, label)) {
        label[32] = 0;
        AnsiToText(label, reader->label, ARRAYSIZE(reader->label));
    }
}

bool CSmartKey::ProcessReader(int index, bool openForOperation)
{
    KeyReader* reader = Reader(index);
    if (!reader) return false;
    const KeyApiFunctions& api = Api();
    bool retriedUnchanged = false;

    for (;;) {
        SetLastError(0);
        int status = api.InitCard(reader->handle, m_applicationId);
        if (status == kCardPinRequiredOld) status = 3;
        reader->lastStatus = status;
        reader->lastStatusError = GetLastError();

        if (status == kCardUnchanged) {
            // Once only: a library that keeps answering "unchanged" must not hold the monitor.
            if (reader->state != csAbsent || retriedUnchanged) return false;
            g_monitorLog->Write(LOG_TRACE, "CSmartKey::ProcessReader", "-5, on [csAbsent]'ed Key, doing InitCard again...");
            api.CloseCard(reader->handle, 0);
            retriedUnchanged = true;
            continue;
        }
        if (status == kCardNoKey) {
            ClearPin(reader);
            if (reader->state > csAbsent) {
                reader->failedPins = 0;
                ZeroMemory(reader->cardId, sizeof reader->cardId);
                reader->appUsed = reader->appFree = reader->keyUsed = reader->keyFree = 0;
                reader->label[0] = 0;
                reader->bioVerified = 0;  // the next key in this reader is checked afresh
                SetState(reader, csAbsent, IDS_STATE_ABSENT);
                CallbackScope scope(*this);
                onKeyRemoved(reader->name);
            }
            return false;
        }
        if (status != kCardNotFormatted && status != kCardFinallyBlocked) ReadKeyInformation(reader);

        if (status == kCardError || status == kCardReaderError) {
            ClearPin(reader);
            api.CloseCard(reader->handle, 1);
            SetState(reader, csError, IDS_STATE_KEY_ERROR);
            lstrcpyn(reader->opText, reader->statusText, ARRAYSIZE(reader->opText));
            CallbackScope scope(*this);
            onNewErrorMessage(reader->name, reader->statusText);
            return true;
        }
        if (status > 0) {
            reader->attemptsLeft = status;
            char pin[kPinChars + 1];
            TextToAnsi(reader->pin, pin, sizeof pin);
            if (api.VerifyPIN(reader->handle, pin)) {
                SecureZeroMemory(pin, sizeof pin);
                reader->failedPins = 0;
                SetState(reader, csInserted, IDS_STATE_READY);
                if (openForOperation) return true;
                CallbackScope scope(*this);
                onPinAccepted(reader->name, reader->handle, reader->pin);
                api.CloseCard(reader->handle, 1);
                onKeyInserted(reader->name);
                return true;
            }
            SecureZeroMemory(pin, sizeof pin);
            api.CloseCard(reader->handle, 0);
            reader->state = csNeedPIN;
            if (reader->pin[0]) {
                ++reader->failedPins;
                reader->attemptsLeft = api.InitCard(reader->handle, m_applicationId);
                api.CloseCard(reader->handle, 0);
                if (reader->attemptsLeft == 0) continue;  // now blocked: report that instead
            }
            bool retry;
            {
                CallbackScope scope(*this);
                retry = onNeedPIN(reader->name, reader->failedPins, reader->attemptsLeft);
            }
            if (retry) continue;
            SetState(reader, csNeedPIN, IDS_STATE_NEED_PIN);
            api.CloseCard(reader->handle, 1);
            return false;
        }
        if (status == kCardBlocked) {
            SetState(reader, csBlocked, IDS_STATE_BLOCKED);
            lstrcpyn(reader->opText, reader->statusText, ARRAYSIZE(reader->opText));
            if (openForOperation) return true;
        } else if (status == kCardFinallyBlocked || status == kCardNotFormatted) {
            const bool finallyBlocked = status == kCardFinallyBlocked;
            SetState(reader, finallyBlocked ? csFinallyBlocked : csNotFormatted,
                     finallyBlocked ? IDS_STATE_FINALLY_BLOCKED : IDS_STATE_NOT_FORMATTED);
            lstrcpyn(reader->opText, reader->statusText, ARRAYSIZE(reader->opText));
        } else {
            SetState(reader, csError, IDS_STATE_UNIDENTIFIED_ERROR);
            CallbackScope scope(*this);
            onNewErrorMessage(reader->name, reader->statusText);
            return false;
        }
        api.CloseCard(reader->handle, 1);
        CallbackScope scope(*this);
        onNewErrorMessage(reader->name, reader->statusText);
        return false;
    }
}
