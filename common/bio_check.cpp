#include "bio_check.h"

#include <cstdarg>
#include <new>

#include "bioapi_binding.h"
#include "key_dialogs.h"
#include "key_log.h"
#include "lang.h"
#include "string_ids.h"

namespace {
const TCHAR kBioLibraryName[] = _T("ovbioapi.dll");

// Posted by the worker to the processing dialog: wParam 1 when the key work succeeded.
// Posted, not sent, so that EndDialog runs on the dialog's own thread.
const UINT WM_KEY_WORK_DONE = WM_APP + 1;

// The processing dialog's window as the worker sees it: null until the dialog has started,
// this value once the caller no longer waits for the worker's answer.
HWND DialogGone() { return reinterpret_cast<HWND>(static_cast<INT_PTR>(-1)); }

struct WorkerBlock;
typedef bool (*KeyWork)(WorkerBlock& block);

// Shared by the calling thread and the worker. The worker alone touches the key while the
// dialog runs; the caller reads reader, buffer and size again only after the worker ended.
struct WorkerBlock {
    WorkerBlock(const KeyApiFunctions& api, KeyWork work, KEYAPI_READER reader, BYTE* buffer = nullptr, DWORD size = 0)
        : api(&api), work(work), reader(reader), buffer(buffer), size(size), dialog(nullptr), error(0)
    {
    }

    const KeyApiFunctions* api;
    KeyWork work;
    KEYAPI_READER reader;
    BYTE* buffer;
    DWORD size;
    PVOID volatile dialog;
    volatile LONG error;  // the worker's Windows error, 0: success
};

bool ReadTemplate(WorkerBlock& block)
{
    DWORD size = block.size;
    const bool read = block.api->ReadBIR(block.reader, 0, block.buffer, &size) != FALSE;
    block.size = size;
    return read;
}

// The stored template ends exactly where the new one does, whatever was there before.
bool WriteTemplate(WorkerBlock& block)
{
    DWORD written = block.size;
    if (!block.api->WriteBIR(block.reader, 0, block.buffer, &written)) return false;
    return block.api->SetBIRSize(block.reader, written) != FALSE;
}

bool DeleteTemplate(WorkerBlock& block) { return block.api->DeleteBIR(block.reader) != FALSE; }

HWND DialogOf(WorkerBlock& block)
{
    return static_cast<HWND>(InterlockedCompareExchangePointer(&block.dialog, nullptr, nullptr));
}

DWORD WINAPI KeyWorkerThread(LPVOID parameter)
{
    WorkerBlock& block = *static_cast<WorkerBlock*>(parameter);
    InterlockedExchange(&block.error, 0);
    const bool succeeded = block.work(block);
    if (!succeeded) InterlockedExchange(&block.error, LONG(GetLastError()));

    HWND dialog;
    while ((dialog = DialogOf(block)) == nullptr) Sleep(1);
    if (dialog != DialogGone()) PostMessage(dialog, WM_KEY_WORK_DONE, succeeded ? 1 : 0, 0);
    return 0;
}

void CentreOnScreen(HWND window)
{
    RECT own;
    if (!GetWindowRect(window, &own)) return;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (own.right - own.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (own.bottom - own.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK ProcessingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        TCHAR text[256];
        LoadText(IDS_PROCESSING_KEY, text, ARRAYSIZE(text));
        SetDlgItemText(dialog, IDC_PROCESSING_TEXT, text);
        CentreOnScreen(dialog);
        // Only now may the worker answer: its message then finds a dialog that is set up.
        InterlockedExchangePointer(&reinterpret_cast<WorkerBlock*>(lParam)->dialog, dialog);
        return TRUE;
    }
    case WM_KEY_WORK_DONE:
        EndDialog(dialog, wParam == 1 ? 1 : 0);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// Runs the block's key work on a worker thread under the modal processing dialog. True when
// the worker answered that the work succeeded; otherwise block.error tells why. Returns
// only after the worker ended, so the block and the key are the caller's again.
bool RunUnderProcessingDialog(WorkerBlock& block, HINSTANCE instance, HWND owner)
{
    DWORD threadId = 0;
    HANDLE worker = CreateThread(nullptr, 0, KeyWorkerThread, &block, 0, &threadId);
    if (!worker) {
        block.error = LONG(GetLastError());
        KeyLog(LOG_ERROR, "RunUnderProcessingDialog", "worker not started, gle=%X", unsigned(block.error));
        return false;
    }
    const INT_PTR result = DialogBoxParam(instance, MAKEINTRESOURCE(IDD_KEY_PROCESSING), owner,
                                          ProcessingDialogProc, reinterpret_cast<LPARAM>(&block));
    if (result != 1) {
        KeyLog(LOG_ERROR, "RunUnderProcessingDialog", "dialog ended with %d, gle=%X", int(result),
               unsigned(GetLastError()));
        InterlockedExchangePointer(&block.dialog, DialogGone());
    }
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    return result == 1;
}

// Shows a failure with the caller's caption and leaves `error` as the Windows error.
bool Fail(HWND owner, const TCHAR* caption, DWORD error, UINT textId, ...)
{
    TCHAR text[1024];
    va_list args;
    va_start(args, textId);
    g_lang.FormatV(text, ARRAYSIZE(text), textId, args);
    va_end(args);
    KeyLog(LOG_ERROR, "BioCheck", "message %u, gle=%X", textId, unsigned(error));
    MessageBox(owner, text, caption, MB_ICONERROR | MB_OK);
    SetLastError(error);
    return false;
}

bool FailOutOfMemory(HWND owner, const TCHAR* caption)
{
    return Fail(owner, caption, ERROR_NOT_ENOUGH_MEMORY, IDS_INTERNAL_ERROR, DWORD(ERROR_NOT_ENOUGH_MEMORY));
}

bool FailLoadingBioLibrary(HWND owner, const TCHAR* caption, DWORD error)
{
    return Fail(owner, caption, error, IDS_ERR_LOADING, kBioLibraryName);
}

// The biometric library goes away before the person reads about a failure.
bool FailAfterUnload(CBioApiLibrary& bio, HWND owner, const TCHAR* caption, DWORD error, UINT textId)
{
    bio.Unload();
    return Fail(owner, caption, error, textId);
}

// Template bytes, wiped before they are freed.
class TemplateBuffer {
public:
    explicit TemplateBuffer(DWORD size) : bytes_(new (std::nothrow) BYTE[size]), size_(size) {}
    ~TemplateBuffer()
    {
        if (!bytes_) return;
        SecureZeroMemory(bytes_, size_);
        delete[] bytes_;
    }
    TemplateBuffer(const TemplateBuffer&) = delete;
    TemplateBuffer& operator=(const TemplateBuffer&) = delete;

    BYTE* Bytes() const { return bytes_; }

private:
    BYTE* bytes_;
    DWORD size_;
};

// The new template takes the old one's place: free + old >= new, without overflowing.
bool TemplateFits(DWORD freeBytes, DWORD oldSize, DWORD newSize)
{
    return newSize <= freeBytes || newSize - freeBytes <= oldSize;
}

bool RemoveTemplate(const KeyApiFunctions& api, HINSTANCE instance, HWND owner, const TCHAR* caption,
                    KEYAPI_READER reader, CBioApiLibrary& bio)
{
    WorkerBlock block(api, DeleteTemplate, reader);
    if (!RunUnderProcessingDialog(block, instance, owner))
        return FailAfterUnload(bio, owner, caption, DWORD(block.error), IDS_ERR_PROCESSING_KEY);
    bio.Unload();
    KeyLog(LOG_TRACE, "ChangeBIO", "BIO ID removed");
    return true;
}

bool EnrolTemplate(const KeyApiFunctions& api, HINSTANCE instance, HWND owner, const TCHAR* caption,
                   KEYAPI_READER reader, CBioApiLibrary& bio, DWORD oldSize, DWORD newSize)
{
    DWORD freeBytes = 0;
    if (!api.WriteBIR(reader, 0, nullptr, &freeBytes))
        return FailAfterUnload(bio, owner, caption, GetLastError(), IDS_ERR_PROCESSING_KEY);
    KeyLog(LOG_TRACE, "ChangeBIO", "old %u, new %u, free %u", unsigned(oldSize), unsigned(newSize),
           unsigned(freeBytes));
    if (!TemplateFits(freeBytes, oldSize, newSize))
        return FailAfterUnload(bio, owner, caption, DWORD(SCARD_E_NO_MEMORY), IDS_NOT_ENOUGH_SPACE);

    TemplateBuffer bir(newSize);
    if (!bir.Bytes()) {
        bio.Unload();
        return FailOutOfMemory(owner, caption);
    }
    DWORD captured = newSize;
    if (!bio.Api().BioGetBIR_GUI(instance, owner, bir.Bytes(), &captured, 1))
        return FailAfterUnload(bio, owner, caption, GetLastError(), IDS_ERR_PROCESSING_KEY);

    WorkerBlock block(api, WriteTemplate, reader, bir.Bytes(), captured);
    if (!RunUnderProcessingDialog(block, instance, owner))
        return FailAfterUnload(bio, owner, caption, DWORD(block.error), IDS_ERR_PROCESSING_KEY);
    bio.Unload();
    KeyLog(LOG_TRACE, "ChangeBIO", "BIO ID of %u bytes written", unsigned(captured));
    return true;
}
}  // namespace

bool VerifyBIO(const KeyApiFunctions& api, HINSTANCE instance, HWND owner, const TCHAR* caption,
               KEYAPI_READER reader)
{
    DWORD size = 0;
    if (!api.ReadBIR(reader, 0, nullptr, &size)) return Fail(owner, caption, GetLastError(), IDS_ERR_PROCESSING_KEY);
    KeyLog(LOG_TRACE, "VerifyBIO", "BIO ID of %u bytes", unsigned(size));
    if (size == 0) return true;

    TemplateBuffer bir(size);
    if (!bir.Bytes()) return FailOutOfMemory(owner, caption);
    WorkerBlock block(api, ReadTemplate, reader, bir.Bytes(), size);
    if (!RunUnderProcessingDialog(block, instance, owner))
        return Fail(owner, caption, DWORD(block.error), IDS_ERR_PROCESSING_KEY);

    CBioApiLibrary bio;
    if (!bio.Load()) return FailLoadingBioLibrary(owner, caption, GetLastError());
    const bool matched = bio.Api().BioVerifyBIR_GUI(instance, owner, bir.Bytes(), block.size, 0, 0) != FALSE;
    const DWORD error = GetLastError();
    bio.Unload();
    KeyLog(matched ? LOG_TRACE : LOG_ERROR, "VerifyBIO", "matched %d, gle=%X", int(matched), unsigned(error));
    SetLastError(error);
    return matched;
}

bool ChangeBIO(const KeyApiFunctions& api, HINSTANCE instance, HWND owner, const TCHAR* caption,
               KEYAPI_READER reader)
{
    DWORD oldSize = 0;
    if (!api.ReadBIR(reader, 0, nullptr, &oldSize))
        return Fail(owner, caption, GetLastError(), IDS_ERR_PROCESSING_KEY);

    CBioApiLibrary bio;
    if (!bio.Load()) return FailLoadingBioLibrary(owner, caption, GetLastError());
    DWORD newSize = 0;
    if (!bio.Api().BioGetBIR_GUI(instance, owner, nullptr, &newSize, oldSize != 0 ? 1 : 0)) {
        // The person may have cancelled: no message, the error tells the caller.
        const DWORD error = GetLastError();
        bio.Unload();
        KeyLog(LOG_TRACE, "ChangeBIO", "no choice made, gle=%X", unsigned(error));
        SetLastError(error);
        return false;
    }
    if (newSize == 0) return RemoveTemplate(api, instance, owner, caption, reader, bio);
    return EnrolTemplate(api, instance, owner, caption, reader, bio, oldSize, newSize);
}
