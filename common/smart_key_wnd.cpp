#include "smart_key_wnd.h"

#include <cstring>

#include "key_log.h"
#include "lang.h"
#include "string_ids.h"
#include "text_convert.h"

CReaderNamePool::~CReaderNamePool()
{
    for (Entry* entry = head_; entry;) {
        Entry* next = entry->next;
        LocalFree(entry);
        entry = next;
    }
}

const TCHAR* CReaderNamePool::Intern(const TCHAR* name)
{
    if (!name) return nullptr;
    for (Entry* entry = head_; entry; entry = entry->next)
        if (lstrcmp(entry->name, name) == 0) return entry->name;
    auto* entry = static_cast<Entry*>(LocalAlloc(LPTR, sizeof(Entry)));
    if (!entry) return name;
    lstrcpyn(entry->name, name, ARRAYSIZE(entry->name));
    // Two threads adding the same name at once both succeed; a duplicate entry is harmless.
    Entry* head;
    do {
        head = head_;
        entry->next = head;
    } while (InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&head_), entry, head) != head);
    return entry->name;
}

CSmartKey_WndDisp::~CSmartKey_WndDisp()
{
    // The monitor and the command thread must stop while this object is still whole.
    Finalize();
    FreeData();
}

void CSmartKey_WndDisp::FreeData()
{
    // A running command still writes into the buffer: it stays until the next read or write.
    if (dataBuffer && !IsCommandRunning()) {
        LocalFree(dataBuffer);
        dataBuffer = nullptr;
    }
    dataSize = 0;
}

bool CSmartKey_WndDisp::FireKeyEvent(const TCHAR* readerName, UINT message)
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "CSmartKey_WndDisp::FireKeyEvent %s %d", CAnsiText(readerName).c_str(),
           int(message));
    // A key whose data is loaded keeps the windows' attention: other readers are not heard.
    if (currentKey[0] && lstrcmp(readerName, currentKey) != 0 && dataSize != 0) return false;
    if (autoSelect) SelectCurrentKey(readerName);
    if (dispatch) dispatch->SendNotify(message, reinterpret_cast<WPARAM>(m_names.Intern(readerName)), 0);
    return true;
}

void CSmartKey_WndDisp::onKeyInserted(const TCHAR* readerName)
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "CSmartKey_WndDisp::onKeyInserted %s", CAnsiText(readerName).c_str());
    FireKeyEvent(readerName, WM_KEY_INSERTED);
}

bool CSmartKey_WndDisp::onNeedPIN(const TCHAR* readerName, int failedPins, int attemptsLeft)
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "CSmartKey_WndDisp::onNeedPIN %s %d %d", CAnsiText(readerName).c_str(),
           failedPins, attemptsLeft);
    if (currentKey[0]) {
        keyFailedPins = failedPins;
        keyAttemptsLeft = attemptsLeft;
    }
    FireKeyEvent(readerName, WM_KEY_NEEDPIN);
    return false;
}

void CSmartKey_WndDisp::onNewErrorMessage(const TCHAR* readerName, const TCHAR* text)
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "CSmartKey_WndDisp::onNewErrorMessage %s %s",
           CAnsiText(readerName).c_str(), CAnsiText(text).c_str());
    if (currentKey[0] && lstrcmp(readerName, currentKey) != 0 && dataSize != 0) return;
    // The text is in place before the message can reach a window on another thread.
    TCHAR shown[ARRAYSIZE(displayName)];
    if (!autoSelect || !GetDisplayName(readerName, shown, ARRAYSIZE(shown)))
        lstrcpyn(shown, displayName, ARRAYSIZE(shown));
    TCHAR key[50];
    LoadText(IDS_KEY, key, ARRAYSIZE(key));
    TCHAR message[ARRAYSIZE(errorText)];
    _sntprintf(message, ARRAYSIZE(message), _T("%s: %s. %s"), key, shown, text ? text : _T(""));
    message[ARRAYSIZE(message) - 1] = 0;
    lstrcpyn(errorText, message, ARRAYSIZE(errorText));
    FireKeyEvent(readerName, WM_KEY_ERROR);
}

void CSmartKey_WndDisp::onKeyRemoved(const TCHAR* readerName)
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "CSmartKey_WndDisp::onKeyRemoved %s", CAnsiText(readerName).c_str());
    if (!readerName) return;
    if (currentKey[0] && lstrcmp(readerName, currentKey) != 0) return;
    currentKey[0] = 0;
    keyFailedPins = 0;
    // The reader's record may be freed right after this call; the message carries the
    // pool's copy of the name.
    if (dispatch) dispatch->SendNotify(WM_KEY_REMOVED, reinterpret_cast<WPARAM>(m_names.Intern(readerName)), 0);
    FreeData();
}

void CSmartKey_WndDisp::onKeyAbsenceDetected()
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "CSmartKey_WndDisp::onKeyAbsenceDetected");
    if (dispatch) dispatch->SendNotify(WM_KEY_ABSENT, 0, 0);
}

void CSmartKey_WndDisp::onFinishInit()
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "CSmartKey_WndDisp::onFinishInit");
    currentKey[0] = 0;
}

void CSmartKey_WndDisp::AttachDispatchWnd(CKeyDispatchWnd* window)
{
    dispatch = window;
    if (window) m_instance = window->GetInstance();
}

void CSmartKey_WndDisp::StartMonitoring()
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "StartMonitoring Enter");
    if (!IsMonitorRunning()) currentKey[0] = 0;
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "StartMonitoring%d", int(IsMonitorRunning()));
    m_monitoringStarted = true;
    StartMonitorThread();
}

void CSmartKey_WndDisp::SelectCurrentKey(const TCHAR* readerName)
{
    if (!readerName || !readerName[0]) {
        currentKey[0] = 0;
        return;
    }
    lstrcpyn(currentKey, readerName, ARRAYSIZE(currentKey));
    GetDisplayName(readerName, displayName, ARRAYSIZE(displayName));
    RefreshKeyIdentity();
    if (dispatch) dispatch->SetListenerName(readerName, int(m_applicationId));
}

void CSmartKey_WndDisp::RefreshKeyIdentity()
{
    KeyReader* reader = currentKey[0] ? FindReader(currentKey) : nullptr;
    if (!reader) return;
    keyFailedPins = reader->failedPins;
    keyAttemptsLeft = reader->attemptsLeft;
    dataSize = reader->appUsed;
    dataTotal = reader->appUsed + reader->appFree;
    bioSize = reader->bioUsed;
    memcpy(keySerial, reader->cardId, sizeof keySerial);
    pinNeeded = reader->state == csNeedPIN;
}

bool CSmartKey_WndDisp::ReadProfiles(const TCHAR* pin)
{
    if (pin) SetPIN(currentKey[0] ? currentKey : nullptr, pin);
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "ReadProfiles size %d", int(dataSize));
    // The running command owns the buffer; a second read waits for its end.
    if (IsCommandRunning()) return false;
    FreeData();
    dataBuffer = static_cast<BYTE*>(LocalAlloc(LPTR, kProfileBufferBytes));
    if (!dataBuffer) return false;
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "addr:%p, %d", dataBuffer, int(kProfileBufferBytes));
    if (dispatch) m_bioOwner = dispatch->GetHwnd();
    HANDLE semaphore = ReadEx(currentKey, dataBuffer, &dataSize, kProfileBufferBytes);
    if (semaphore == kCommandFailed) {
        GetErrorText(currentKey, errorText, ARRAYSIZE(errorText));
        return false;
    }
    HandOverWait(semaphore, kWaitRead);
    return true;
}

bool CSmartKey_WndDisp::WriteProfiles(const TCHAR* pin, const BYTE* data, DWORD size)
{
    if (pin) SetPIN(currentKey[0] ? currentKey : nullptr, pin);
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "WriteProfiles%d", int(size));
    if (!data) {
        KeyLog(LOG_ERROR, "CSmartKey_WndDisp", "NULL ponter %X", 0u);
        return false;
    }
    // The buffer of a running command must not be replaced under it.
    if (IsCommandRunning()) return false;
    FreeData();
    dataBuffer = static_cast<BYTE*>(LocalAlloc(LPTR, size + 10));
    if (!dataBuffer) return false;
    memcpy(dataBuffer, data, size);
    dataSize = size;
    if (dispatch) m_bioOwner = dispatch->GetHwnd();
    HANDLE semaphore = WriteEx(currentKey, 0, dataBuffer, size);
    if (semaphore == kCommandFailed) {
        GetErrorText(currentKey, errorText, ARRAYSIZE(errorText));
        return false;
    }
    HandOverWait(semaphore, kWaitWrite);
    return true;
}

void CSmartKey_WndDisp::HandOverWait(HANDLE semaphore, int kind)
{
    // With a dispatch window the wait and the handle are its; without one the host waits
    // on waitHandle itself and closes it.
    waitHandle = semaphore;
    if (dispatch) dispatch->WaitForKeyObject(semaphore, kind);
}

bool CSmartKey_WndDisp::GetKeyMessage()
{
    KeyReader* reader = currentKey[0] ? FindReader(currentKey) : nullptr;
    if (reader && reader->state == csNeedPIN) {
        if (keyFailedPins)
            g_lang.Format(errorText, ARRAYSIZE(errorText), IDS_WRONG_PIN_ATTEMPTS, keyAttemptsLeft, displayName);
        else
            g_lang.Format(errorText, ARRAYSIZE(errorText), IDS_ENTER_PIN_FOR_KEY, displayName);
        lastState = csNeedPIN;
        return true;
    }
    if (!GetErrorText(currentKey, errorText, ARRAYSIZE(errorText))) return false;
    KeyReader* shown = FindReader(currentKey[0] ? currentKey : nullptr);
    lastState = shown ? shown->state : csAbsent;
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "GLE %s, %s, %X", CAnsiText(currentKey).c_str(),
           CAnsiText(errorText).c_str(), unsigned(shown ? shown->opError : 0));
    return true;
}

bool CSmartKey_WndDisp::IsKeyReady() { return currentKey[0] && !GetKeyMessage(); }

void CSmartKey_WndDisp::GetKeySerial(BYTE serial[8]) const { memcpy(serial, keySerial, sizeof keySerial); }

bool CSmartKey_WndDisp::CompareSerial(const BYTE serial[8]) const
{
    const bool same = memcmp(serial, keySerial, sizeof keySerial) == 0;
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", same ? "CompareSerial TRUE" : "CompareSerial FALSE");
    return same;
}

void CSmartKey_WndDisp::FireKey_insertion()
{
    KeyLog(LOG_TRACE, "CSmartKey_WndDisp", "FireKey_insertion %s", CAnsiText(currentKey).c_str());
    KeyReader* reader = currentKey[0] ? FindReader(currentKey) : nullptr;
    if (!reader) return;
    reader->lastStatus = kCardNoKey;
    reader->state = csAbsent;
    reader->bioVerified = 0;
    Api().CloseCard(reader->handle, 0);
    ClearPin(reader);
}
