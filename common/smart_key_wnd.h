// The key monitor as the windows see it: each monitor callback becomes a key message
// sent through the dispatch window, the identity of the current key is kept here for
// the hosts to read, and the profile data of the current key is read and written on the
// command thread, its end reported as WM_KEY_WAIT_FINISH.
#pragma once
#include <windows.h>
#include <tchar.h>

#include "key_dispatch_wnd.h"
#include "key_messages.h"
#include "smart_key.h"

// Reader names handed out with key messages. A name stays readable for the life of the
// pool even after its reader record is freed, because a message queued for another
// thread may still carry it. Append only; safe to use from any thread.
class CReaderNamePool {
public:
    CReaderNamePool() = default;
    ~CReaderNamePool();
    CReaderNamePool(const CReaderNamePool&) = delete;
    CReaderNamePool& operator=(const CReaderNamePool&) = delete;
    const TCHAR* Intern(const TCHAR* name);

private:
    struct Entry {
        Entry* next;
        TCHAR name[256];
    };
    Entry* volatile head_ = nullptr;
};

class CSmartKey_WndDisp : public CSmartKey {
public:
    CSmartKey_WndDisp() = default;
    ~CSmartKey_WndDisp() override;

    void onKeyInserted(const TCHAR* readerName) override;
    void onKeyRemoved(const TCHAR* readerName) override;
    void onFinishInit() override;
    bool onNeedPIN(const TCHAR* readerName, int failedPins, int attemptsLeft) override;
    void onNewErrorMessage(const TCHAR* readerName, const TCHAR* text) override;
    void onKeyAbsenceDetected() override;
    virtual bool FireKeyEvent(const TCHAR* readerName, UINT message);

    void AttachDispatchWnd(CKeyDispatchWnd* window);
    void StartMonitoring();
    void SelectCurrentKey(const TCHAR* readerName);
    void RefreshKeyIdentity();
    bool ReadProfiles(const TCHAR* pin);
    bool WriteProfiles(const TCHAR* pin, const BYTE* data, DWORD size);
    // True with a prompt or an error in errorText; false when the current key is ready.
    bool GetKeyMessage();
    bool IsKeyReady();
    void GetKeySerial(BYTE serial[8]) const;
    bool CompareSerial(const BYTE serial[8]) const;
    // Makes the next poll report the current key as newly inserted.
    void FireKey_insertion();

    static const DWORD kProfileBufferBytes = 32010;

    // The key identity, read by the hosts.
    BOOL pinNeeded = FALSE;
    int lastState = 0;
    BYTE keySerial[8] = {};
    TCHAR errorText[500] = {};
    TCHAR currentKey[300] = {};
    TCHAR displayName[300] = {};
    DWORD dataSize = 0;
    DWORD dataTotal = 0;
    BYTE* dataBuffer = nullptr;
    DWORD bioSize = 0;
    BOOL autoSelect = TRUE;
    int keyFailedPins = 0;
    int keyAttemptsLeft = 0;
    HANDLE waitHandle = nullptr;
    CKeyDispatchWnd* dispatch = nullptr;

protected:
    void FreeData();
    void HandOverWait(HANDLE semaphore, int kind);
    CReaderNamePool m_names;
};
