// Key data operations: each opens the key in one reader for one operation, runs it
// through the token library and closes it again, leaving the outcome in the reader's
// record. The asynchronous forms run a read or write on the command thread.
#include <cstdio>

#include "bio_check.h"
#include "key_log.h"
#include "lang.h"
#include "smart_key.h"
#include "string_ids.h"
#include "text_convert.h"

namespace {
const int kOpLabelChars = 50;
const int kRequestNameChars = 100;

bool IsEmptyName(const TCHAR* name) { return !name || !name[0]; }

DWORD ErrorOrOne()
{
    const DWORD error = GetLastError();
    return error ? error : 1;
}

// One asynchronous command, owned by its thread.
struct CommandRequest {
    CSmartKey* monitor;
    TCHAR readerName[kRequestNameChars];
    BYTE* data;
    DWORD* length;
    DWORD writeLength;
    DWORD offset;
    DWORD capacity;
    int code;
    HANDLE semaphore;  // the thread's own duplicate; the caller keeps the original
    HANDLE thread;
};
}  // namespace

KeyReader* CSmartKey::OpenKey(const TCHAR* label, const TCHAR* readerName)
{
    if (!m_libraryLoaded) return nullptr;
    const bool paused = AskToStopMonitorThread();
    const auto prepare = [&](KeyReader* reader) {
        lstrcpyn(reader->opText, label ? label : _T(""), kOpLabelChars + 1);
        reader->opError = 0;
        reader->opNeedLength = 0;
        reader->pausedMonitor = paused ? 1 : 0;
    };
    const auto giveUp = [&](KeyReader* reader) -> KeyReader* {
        if (reader) reader->pausedMonitor = 0;
        if (paused) ReleaseMonitorThread();
        return nullptr;
    };

    KeyReader* reader;
    if (!IsEmptyName(readerName)) {
        reader = FindReader(readerName);
        if (!reader) return giveUp(nullptr);
        prepare(reader);
        Api().CloseCard(reader->handle, 0);
        if (!ProcessReader(reader->index, true)) return giveUp(reader);
    } else {
        reader = SelectKey();
        if (!reader) return giveUp(nullptr);
    }

    if (m_monitoringStarted && !reader->bioVerified && reader->bioUsed != 0) {
        TCHAR caption[100];
        LoadText(IDS_VERIFY_BIO_ID, caption, ARRAYSIZE(caption));
        if (!VerifyBIO(Api(), m_instance, m_bioOwner, caption, reader->handle)) {
            reader->opError = ErrorOrOne();
            SetState(reader, csBioFailed, IDS_STATE_BIO_FAILED);
            Api().CloseCard(reader->handle, 1);
            return giveUp(reader);
        }
        reader->bioVerified = 1;
    }
    if (IsEmptyName(readerName)) prepare(reader);
    return reader;
}

KeyReader* CSmartKey::SelectKey()
{
    const KeyApiFunctions& api = Api();
    if (!IsMonitorRunning()) {
        if (m_currentReader && m_currentReader != &m_anyReader) api.CloseCard(m_currentReader->handle, 0);
        m_currentReader = &m_anyReader;
        for (int i = 0; i < kMaxReaders && rdrs[i]; ++i) {
            KeyReader* reader = rdrs[i];
            if (reader->ignored) continue;
            if (ProcessReader(i, true)) {
                m_currentReader = reader;
                return reader;
            }
            if (reader->state != csAbsent) {
                m_currentReader = reader;
                return nullptr;
            }
        }
        return nullptr;
    }
    for (int i = 0; i < kMaxReaders && rdrs[i]; ++i) {
        KeyReader* reader = rdrs[i];
        if (reader->state != csInserted) continue;
        m_currentReader = reader;
        api.CloseCard(reader->handle, 0);
        return ProcessReader(i, true) ? reader : nullptr;
    }
    return nullptr;
}

bool CSmartKey::GetDisplayName(const TCHAR* readerName, TCHAR* out, int capacity)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    KeyReader* reader;
    if (IsEmptyName(readerName)) {
        reader = OpenKey(_T("Change PIN"), nullptr);
        if (reader) {
            EndOperation(reader);
        } else {
            if (m_currentReader && m_currentReader->state > csAbsent) return false;
            reader = m_currentReader;
        }
    } else {
        reader = FindReader(readerName);
    }
    if (!reader) return false;
    if (reader->label[0]) {
        lstrcpyn(out, reader->label, capacity);
        return true;
    }
    // "Ostrel USB Key Reader 0" reads "Ostrel 0": the maker and the number tell readers apart.
    const TCHAR* name = reader->name;
    const TCHAR* firstBlank = _tcschr(name, _T(' '));
    const TCHAR* lastBlank = _tcsrchr(name, _T(' '));
    if (!firstBlank) {
        lstrcpyn(out, name, capacity);
        return true;
    }
    _sntprintf(out, capacity, _T("%.*s %s"), int(firstBlank - name), name, lastBlank + 1);
    out[capacity - 1] = 0;
    return true;
}

void CSmartKey::EndOperation(KeyReader* reader)
{
    Api().CloseCard(reader->handle, 1);
    if (reader->pausedMonitor) {
        reader->pausedMonitor = 0;
        ReleaseMonitorThread();
    }
}

void CSmartKey::RefreshSizes(KeyReader* reader, DWORD application)
{
    const KeyApiFunctions& api = Api();
    api.GetApplicationInfo(reader->handle, m_applicationId, &reader->appUsed, &reader->appFree);
    api.GetApplicationInfo(reader->handle, kAppWholeKey, &reader->keyUsed, &reader->keyFree);
    if (application == kAppBioTemplate)
        api.GetApplicationInfo(reader->handle, kAppBioTemplate, &reader->bioUsed, &reader->bioFree);
}

void CSmartKey::SetOpFailure(KeyReader* reader, UINT textId, const TCHAR* argument)
{
    reader->opError = ErrorOrOne();
    g_lang.Format(reader->opText, ARRAYSIZE(reader->opText), textId, argument);
}

bool CSmartKey::Read(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD capacity)
{
    KeyLog(LOG_TRACE, "CSmartKey", "CSmartKey::Read (%s, addr:%p, len=%d)", CAnsiText(readerName).c_str(), buffer,
           length ? int(*length) : -1);
    return ReadFrom(readerName, buffer, length, m_applicationId, true, capacity);
}

bool CSmartKey::read_data_app(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD application,
                              DWORD capacity)
{
    KeyLog(LOG_TRACE, "CSmartKey", "read_data_app (%s, addr:%p, len=%d)", CAnsiText(readerName).c_str(), buffer,
           length ? int(*length) : -1);
    return ReadFrom(readerName, buffer, length, application, false, capacity);
}

bool CSmartKey::ReadFrom(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD application, bool ownApplication,
                         DWORD capacity)
{
    if (!length) return false;
    KeyReader* reader = OpenKey(_T("Read data"), readerName);
    if (!reader) return false;
    const KeyApiFunctions& api = Api();
    const auto readData = [&](BYTE* into, DWORD* count) -> BOOL {
        return ownApplication ? api.ReadData(reader->handle, 0, into, count)
                              : api.ReadDataApp(reader->handle, 0, into, count, application);
    };
    reader->opData = buffer;
    reader->opLength = length;
    reader->opReadLength = *length;
    reader->opWriteLength = 0;
    reader->opOffset = 0;
    reader->opCode = kOpRead;

    DWORD stored = 0;
    if (!readData(nullptr, &stored)) {
        SetOpFailure(reader, IDS_ERR_READING, _T(""));
        EndOperation(reader);
        return false;
    }
    // An offer of 0 takes what is stored, as far as the caller's buffer reaches.
    const DWORD room = *length ? *length : capacity;
    if ((room && room < stored) || (stored && !buffer)) {
        reader->opReadLength = room;
        reader->opNeedLength = stored;
        reader->opError = 1;
        *length = stored;
        KeyLog(LOG_TRACE, "CSmartKey", ownApplication ? "CSmartKey::Read, need_len=%d" : "Read, need_len=%d",
               int(stored));
        EndOperation(reader);
        return false;
    }
    DWORD got = stored;
    const bool ok = stored == 0 || readData(buffer, &got);
    if (ok) {
        *length = stored == 0 ? 0 : got;
        RefreshSizes(reader, application);
    } else {
        SetOpFailure(reader, IDS_ERR_READING, _T(""));
    }
    EndOperation(reader);
    return ok;
}

bool CSmartKey::Write(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length)
{
    KeyLog(LOG_TRACE, "CSmartKey", "CSmartKey::Write (%s, addr:%p, offset=%d)", CAnsiText(readerName).c_str(), data,
           int(offset));
    return WriteTo(readerName, offset, data, length, m_applicationId, true);
}

bool CSmartKey::write_data_app(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length,
                               DWORD application)
{
    KeyLog(LOG_TRACE, "CSmartKey", "write_data_app (%s, addr:%p, offset=%d)", CAnsiText(readerName).c_str(), data,
           int(offset));
    return WriteTo(readerName, offset, data, length, application, false);
}

bool CSmartKey::WriteTo(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length, DWORD application,
                        bool ownApplication)
{
    KeyReader* reader;
    if (IsEmptyName(readerName) && m_currentReader) {
        reader = OpenKey(_T("Change PIN"), m_currentReader->name);
        if (!reader) {
            if (m_currentReader && m_currentReader->state > csAbsent) return false;
            reader = OpenKey(_T("Write data"), nullptr);
        }
    } else {
        reader = OpenKey(_T("Write data"), readerName);
    }
    if (!reader) return false;
    const KeyApiFunctions& api = Api();
    reader->opData = const_cast<BYTE*>(data);
    reader->opLength = nullptr;
    reader->opReadLength = 0;
    reader->opWriteLength = length;
    reader->opOffset = offset;
    reader->opCode = kOpWrite;

    DWORD size = length;
    if (data) {
        DWORD written = length;
        const BOOL ok = ownApplication ? api.WriteData(reader->handle, offset, data, &written)
                                       : api.WriteDataApp(reader->handle, offset, data, &written, application);
        if (!ok) {
            SetOpFailure(reader, IDS_ERR_WRITING, _T(""));
            EndOperation(reader);
            return false;
        }
        // The stored data ends where the written bytes end: no old bytes stay behind them.
        size = offset + written;
    } else if (length == 0) {
        EndOperation(reader);
        return false;
    }
    lstrcpyn(reader->opText, _T("Write Data, SetDataSize"), ARRAYSIZE(reader->opText));
    const BOOL ok = ownApplication ? api.SetDataSize(reader->handle, size)
                                   : api.SetDataSizeApp(reader->handle, size, application);
    if (ok) {
        RefreshSizes(reader, application);
    } else {
        SetOpFailure(reader, IDS_ERR_WRITING, _T("(SetDataSize after write)"));
    }
    EndOperation(reader);
    return ok != FALSE;
}

bool CSmartKey::Delete(const TCHAR* readerName) { return DeleteFrom(readerName, m_applicationId, true); }

bool CSmartKey::Delete(const TCHAR* readerName, DWORD application)
{
    return DeleteFrom(readerName, application, false);
}

bool CSmartKey::DeleteFrom(const TCHAR* readerName, DWORD application, bool ownApplication)
{
    KeyReader* reader = OpenKey(_T("Delete"), readerName);
    if (!reader) return false;
    reader->opCode = kOpDelete;
    reader->opWriteLength = reader->opReadLength = reader->opOffset = 0;
    const KeyApiFunctions& api = Api();
    const BOOL ok = ownApplication ? api.SetDataSize(reader->handle, 0)
                                   : api.SetDataSizeApp(reader->handle, 0, application);
    if (ok) {
        RefreshSizes(reader, application);
    } else {
        SetOpFailure(reader, IDS_ERR_DELETING, _T("(SetDataSize)"));
    }
    EndOperation(reader);
    return ok != FALSE;
}

bool CSmartKey::GetRandomBytes(const TCHAR* readerName, BYTE* buffer, DWORD count)
{
    KeyReader* reader = OpenKey(_T("GetRandom"), readerName);
    if (!reader) return false;
    reader->opCode = kOpRandom;
    reader->opData = buffer;
    reader->opWriteLength = count & 0xFFFF;
    reader->opReadLength = reader->opOffset = 0;
    const BOOL ok = Api().GetRandom(reader->handle, buffer, count);
    if (!ok) reader->opError = ErrorOrOne();
    EndOperation(reader);
    return ok != FALSE;
}

HANDLE CSmartKey::ReadEx(const TCHAR* readerName, BYTE* buffer, DWORD* length, DWORD capacity)
{
    if (m_commandThread) {
        if (length) *length = 0;
        return kCommandFailed;
    }
    KeyLog(LOG_TRACE, "CSmartKey", "CSmartKey::ReadEx %s", CAnsiText(readerName).c_str());
    HANDLE semaphore = StartCommand(kOpRead, readerName, buffer, length, 0, 0, capacity);
    if (semaphore == kCommandFailed && length) *length = 0;
    return semaphore;
}

HANDLE CSmartKey::WriteEx(const TCHAR* readerName, DWORD offset, const BYTE* data, DWORD length)
{
    KeyLog(LOG_TRACE, "CSmartKey", "CSmartKey::WriteEx %s", CAnsiText(readerName).c_str());
    return StartCommand(kOpWrite, readerName, const_cast<BYTE*>(data), nullptr, length, offset, 0);
}

HANDLE CSmartKey::StartCommand(int code, const TCHAR* readerName, BYTE* data, DWORD* length, DWORD writeLength,
                               DWORD offset, DWORD capacity)
{
    if (!m_libraryLoaded) return kCommandFailed;
    auto* request = static_cast<CommandRequest*>(LocalAlloc(LPTR, sizeof(CommandRequest)));
    if (!request) return kCommandFailed;
    request->monitor = this;
    lstrcpyn(request->readerName, readerName ? readerName : _T(""), kRequestNameChars);
    request->data = data;
    request->length = length;
    request->writeLength = writeLength;
    request->offset = offset;
    request->capacity = capacity;
    request->code = code;

    HANDLE semaphore = CreateSemaphore(nullptr, 0, 255, nullptr);
    KeyLog(LOG_TRACE, "CSmartKey", "CSmartKey::ReadEx sem %p", semaphore);
    // The thread releases its own copy, so the caller may close the semaphore at any time.
    if (!semaphore || !DuplicateHandle(GetCurrentProcess(), semaphore, GetCurrentProcess(), &request->semaphore, 0,
                                       FALSE, DUPLICATE_SAME_ACCESS)) {
        if (semaphore) CloseHandle(semaphore);
        LocalFree(request);
        return kCommandFailed;
    }
    // Started suspended so the handle is recorded before the thread can mark itself done.
    HANDLE thread = CreateThread(nullptr, 0, CMD_ThreadProc, request, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        CloseHandle(request->semaphore);
        CloseHandle(semaphore);
        LocalFree(request);
        return kCommandFailed;
    }
    request->thread = thread;
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&m_commandThread), thread);
    m_commandSemaphore = semaphore;
    ResumeThread(thread);
    return semaphore;
}

DWORD WINAPI CSmartKey::CMD_ThreadProc(LPVOID parameter)
{
    auto* request = static_cast<CommandRequest*>(parameter);
    CSmartKey& monitor = *request->monitor;
    const TCHAR* name = request->readerName[0] ? request->readerName : nullptr;
    bool paused = false;
    if (monitor.FindReader(name)) {
        paused = monitor.AskToStopMonitorThread();
        switch (request->code) {
        case kOpRandom:
            monitor.GetRandomBytes(name, request->data, request->writeLength);
            break;
        case kOpRead:
            monitor.Read(name, request->data, request->length, request->capacity);
            break;
        case kOpWrite:
            monitor.Write(name, request->offset, request->data, request->writeLength);
            break;
        case kOpDelete:
            monitor.Delete(name);
            break;
        default:
            KeyLog(LOG_ERROR, "CSmartKey", "CSmartKey::CMD_ThreadProc ERROR %d", request->code);
        }
    }
    // Idle again, unless a later command already took the slot.
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&monitor.m_commandThread), nullptr,
                                      request->thread);
    ReleaseSemaphore(request->semaphore, 1, nullptr);
    CloseHandle(request->semaphore);
    if (paused) monitor.ReleaseMonitorThread();
    CloseHandle(request->thread);
    LocalFree(request);
    return 0;
}

void CSmartKey::WaitForCommandThread()
{
    // The command thread works on the reader table; it must be gone before the table is.
    while (m_commandThread) Sleep(10);
}

bool CSmartKey::GetErrorText(const TCHAR* readerName, TCHAR* out, int capacity, const TCHAR** text)
{
    if (!out) {
        out = m_errorText;
        capacity = ARRAYSIZE(m_errorText);
    } else if (capacity <= 0) {
        capacity = 100;
    }
    if (text) *text = out;
    out[0] = 0;
    const auto put = [&](const TCHAR* format, ...) {
        va_list args;
        va_start(args, format);
        _vsntprintf(out, capacity, format, args);
        va_end(args);
        out[capacity - 1] = 0;
    };
    if (!m_libraryLoaded) {
        g_lang.Format(out, capacity, IDS_ERR_LOADING, _T("keyapi32.dll"));
        return true;
    }
    KeyReader* reader = FindReader(IsEmptyName(readerName) ? nullptr : readerName);
    if (!reader) {
        LoadText(IDS_KEY_NOT_FOUND, out, capacity);
        return true;
    }
    const int state = reader->state;
    const bool stateError = state >= csBlocked && state <= csBioFailed;
    if (reader->opError == 0 && !stateError) return false;
    if (stateError && state != csError) {
        put(_T("%s : %s"), reader->name, reader->statusText);
        return true;
    }
    TCHAR note[300];
    if (reader->opCode == kOpWrite && reader->opError == DWORD(SCARD_E_NO_MEMORY)) {
        LoadText(IDS_NOT_ENOUGH_SPACE, note, ARRAYSIZE(note));
        put(_T("%s : %s"), reader->name, note);
        return true;
    }
    if (reader->opError == 1 && reader->opNeedLength > reader->opReadLength) {
        g_lang.Format(note, ARRAYSIZE(note), IDS_READ_BUFFER_TOO_SHORT, unsigned(reader->opNeedLength),
                      unsigned(reader->opReadLength));
        put(_T("%s : %s"), reader->name, note);
        return true;
    }
    TCHAR what[400], readerLine[300], prefix[100];
    g_lang.Format(what, ARRAYSIZE(what), IDS_ERR_WHILE, reader->opText);
    LoadText(IDS_KEY_READER, prefix, ARRAYSIZE(prefix));
    _sntprintf(readerLine, ARRAYSIZE(readerLine), _T("%s %s"), prefix, reader->name);
    readerLine[ARRAYSIZE(readerLine) - 1] = 0;
    put(_T("%s \n%s \n\nApp ID: %d\nRet,GLE:%d, %X\nWrite, Read, Offs len:%d, %d, %d \n"), what, readerLine,
        int(m_applicationId), reader->lastStatus, unsigned(reader->opError), int(reader->opWriteLength),
        int(reader->opReadLength), int(reader->opOffset));
    return true;
}
