// Owns one handle of a known kind and releases it when replaced or reset.
#pragma once
#include <windows.h>

class CHandleHolder {
public:
    enum Kind { None = 0, HeapMemory = 1, KernelHandle = 2, GdiObject = 3 };

    CHandleHolder() = default;
    CHandleHolder(const CHandleHolder&) = delete;
    CHandleHolder& operator=(const CHandleHolder&) = delete;
    ~CHandleHolder() { Reset(); }

    void Set(HANDLE handle, Kind kind)
    {
        Reset();
        handle_ = handle;
        kind_ = handle ? kind : None;
    }
    void Reset()
    {
        if (handle_) {
            switch (kind_) {
            case HeapMemory: LocalFree(handle_); break;
            case KernelHandle: CloseHandle(handle_); break;
            case GdiObject: DeleteObject(static_cast<HGDIOBJ>(handle_)); break;
            case None: break;
            }
        }
        handle_ = nullptr;
        kind_ = None;
    }
    HANDLE Get() const { return handle_; }
    Kind GetKind() const { return kind_; }

private:
    HANDLE handle_ = nullptr;
    Kind kind_ = None;
};
