#include "readers.h"

#include <string.h>

#include <algorithm>
#include <vector>

#include "bioapi_module.h"

namespace {
const char kReaderName[] = "Ostrel Simulated Sensor";

// Handles are numbers, not pointers, so a stale or made-up handle is refused, never followed.
class OpenReaders {
public:
    OpenReaders() { InitializeCriticalSection(&lock_); }
    ~OpenReaders() { DeleteCriticalSection(&lock_); }

    HBIOREADER Open()
    {
        EnterCriticalSection(&lock_);
        nextId_ += 4;
        HBIOREADER reader = reinterpret_cast<HBIOREADER>(nextId_);
        open_.push_back(reader);
        LeaveCriticalSection(&lock_);
        return reader;
    }

    bool Close(HBIOREADER reader)
    {
        EnterCriticalSection(&lock_);
        auto found = std::find(open_.begin(), open_.end(), reader);
        bool wasOpen = found != open_.end();
        if (wasOpen) open_.erase(found);
        LeaveCriticalSection(&lock_);
        return wasOpen;
    }

    bool IsOpen(HBIOREADER reader)
    {
        EnterCriticalSection(&lock_);
        bool open = reader && std::find(open_.begin(), open_.end(), reader) != open_.end();
        LeaveCriticalSection(&lock_);
        return open;
    }

private:
    CRITICAL_SECTION lock_;
    ULONG_PTR nextId_ = 0x5E00;
    std::vector<HBIOREADER> open_;
};

OpenReaders g_readers;
}  // namespace

bool IsOpenReader(HBIOREADER reader) { return g_readers.IsOpen(reader); }

extern "C" BOOL WINAPI BioEnumReaders(LPSTR names, DWORD* inOutSize)
{
    if (!inOutSize) return Finish(ERROR_INVALID_PARAMETER);
    const DWORD needed = sizeof kReaderName + 1;  // the name, its zero and the empty name ending the list
    if (names && *inOutSize < needed) {
        *inOutSize = needed;
        return Finish(ERROR_INSUFFICIENT_BUFFER);
    }
    if (names) {
        memcpy(names, kReaderName, sizeof kReaderName);
        names[sizeof kReaderName] = '\0';
    }
    *inOutSize = needed;
    return Finish(ERROR_SUCCESS);
}

extern "C" BOOL WINAPI BioInitReader(LPCSTR readerName, HBIOREADER* reader)
{
    if (!reader) return Finish(ERROR_INVALID_PARAMETER);
    if (readerName && *readerName && lstrcmpiA(readerName, kReaderName) != 0) return Finish(ERROR_BAD_UNIT);
    *reader = g_readers.Open();
    return Finish(ERROR_SUCCESS);
}

extern "C" BOOL WINAPI BioCloseReader(HBIOREADER reader)
{
    return Finish(g_readers.Close(reader) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
}
