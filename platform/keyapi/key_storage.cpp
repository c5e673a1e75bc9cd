#include "key_storage.h"

#include "key_file.h"
#include "sha256.h"
#include "windows_family.h"

namespace {
const DWORD kMaxKeyFileSize = kMaxCapacity + (1u << 20);
const DWORD kLockTimeoutMs = 15000;
const int kRenameAttempts = 50;  // another program may hold the key open for a moment
const DWORD kRenameRetryMs = 20;
const ULONG kFileInternalInformation = 6;

struct IoStatus {
    union {
        LONG status;
        PVOID pointer;
    };
    ULONG_PTR information;
};
typedef LONG(WINAPI* QueryInformationFile)(HANDLE, IoStatus*, PVOID, ULONG, ULONG);

// NtQueryInformationFile gives the file index without the volume query that makes
// GetFileInformationByHandle slow on some systems; 9x has only the latter.
QueryInformationFile NtQuery()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? reinterpret_cast<QueryInformationFile>(GetProcAddress(ntdll, "NtQueryInformationFile")) : nullptr;
}
const QueryInformationFile g_queryInformationFile = NtQuery();

bool StampOfHandle(HANDLE file, FileStamp& stamp)
{
    FileStamp s;
    s.sizeLow = GetFileSize(file, &s.sizeHigh);
    if (s.sizeLow == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    if (!GetFileTime(file, &s.created, nullptr, &s.written)) return false;
    IoStatus io = {};
    ULONGLONG index = 0;
    if (g_queryInformationFile) {
        if (g_queryInformationFile(file, &io, &index, sizeof index, kFileInternalInformation) >= 0) {
            s.indexLow = DWORD(index);
            s.indexHigh = DWORD(index >> 32);
        }
    } else {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(file, &info)) {
            s.indexLow = info.nFileIndexLow;
            s.indexHigh = info.nFileIndexHigh;
        }
    }
    stamp = s;
    return true;
}

KeyPresence PresenceFromOpenError(DWORD error, bool driveReader)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return KeyPresence::Absent;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
        // A drive reader without its medium simply has no key; a folder reader lost its folder.
        return driveReader ? KeyPresence::Absent : KeyPresence::ReaderGone;
    default: return KeyPresence::Unreadable;
    }
}

HANDLE OpenKeyFile(const std::string& path, bool forContents)
{
    const bool win9x = IsWindows9x();
    const DWORD access = forContents || win9x ? GENERIC_READ : FILE_READ_ATTRIBUTES;
    // FILE_SHARE_DELETE lets a writer rename a new key over this one while it is open.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (win9x ? 0 : FILE_SHARE_DELETE);
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    SetErrorMode(oldMode);
    SetLastError(error);
    return file;
}

bool WriteAll(HANDLE file, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = DWORD(bytes.size() - done < 65536 ? bytes.size() - done : 65536);
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// Windows 9x has no MoveFileEx: the old key steps aside, the new one takes its name.
DWORD ReplaceWithoutMoveFileEx(const std::string& temp, const std::string& path)
{
    const std::string aside = path + ".old";
    DeleteFileA(aside.c_str());
    if (!MoveFileA(path.c_str(), aside.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return GetLastError();
    if (!MoveFileA(temp.c_str(), path.c_str())) {
        const DWORD error = GetLastError();
        MoveFileA(aside.c_str(), path.c_str());
        return error;
    }
    DeleteFileA(aside.c_str());
    return 0;
}

std::string Hex(const uint8_t* bytes, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}
}  // namespace

bool FileStamp::operator==(const FileStamp& o) const
{
    return sizeLow == o.sizeLow && sizeHigh == o.sizeHigh && written.dwLowDateTime == o.written.dwLowDateTime &&
           written.dwHighDateTime == o.written.dwHighDateTime && created.dwLowDateTime == o.created.dwLowDateTime &&
           created.dwHighDateTime == o.created.dwHighDateTime && indexLow == o.indexLow && indexHigh == o.indexHigh;
}

KeyPresence StampKeyFile(const std::string& path, bool driveReader, FileStamp& stamp, DWORD& error)
{
    HANDLE file = OpenKeyFile(path, false);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return PresenceFromOpenError(error, driveReader);
    }
    const bool ok = StampOfHandle(file, stamp);
    error = ok ? 0 : GetLastError();
    CloseHandle(file);
    return ok ? KeyPresence::Present : KeyPresence::Unreadable;
}

KeyPresence ReadKeyFile(const std::string& path, bool driveReader, std::vector<uint8_t>& bytes, FileStamp& stamp,
                        DWORD& error)
{
    bytes.clear();
    HANDLE file = OpenKeyFile(path, true);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return PresenceFromOpenError(error, driveReader);
    }
    bool ok = StampOfHandle(file, stamp);
    if (ok && (stamp.sizeHigh != 0 || stamp.sizeLow > kMaxKeyFileSize)) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        ok = false;
    }
    if (ok) {
        bytes.resize(stamp.sizeLow);
        DWORD done = 0;
        while (ok && done < stamp.sizeLow) {
            DWORD read = 0;
            ok = ReadFile(file, bytes.data() + done, stamp.sizeLow - done, &read, nullptr) != FALSE;
            if (ok && read == 0) break;  // shorter than it said: the parser reports it truncated
            done += read;
        }
        bytes.resize(done);
    }
    error = ok ? 0 : GetLastError();
    CloseHandle(file);
    return ok ? KeyPresence::Present : KeyPresence::Unreadable;
}

DWORD ReplaceKeyFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string temp = path + ".tmp";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
    DWORD error = written ? 0 : GetLastError();
    CloseHandle(file);
    if (!error) {
        for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
            if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                error = 0;
                break;
            }
            error = GetLastError();
            if (error == ERROR_CALL_NOT_IMPLEMENTED) {
                error = ReplaceWithoutMoveFileEx(temp, path);
                break;
            }
            if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
            Sleep(kRenameRetryMs);
        }
    }
    if (error) DeleteFileA(temp.c_str());
    return error;
}

std::string KeyFileLockName(const std::string& path)
{
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string text = length && length < sizeof full ? std::string(full, length) : path;
    if (!text.empty()) CharLowerBuffA(&text[0], DWORD(text.size()));
    uint8_t digest[kSha256Size];
    Sha256Digest(text.data(), text.size(), digest);
    // Global: one lock for the Winlogon session and every user session (Windows 2000 on).
    const bool global = !IsWindows9x() && LOBYTE(LOWORD(GetVersion())) >= 5;
    return std::string(global ? "Global\\" : "") + "OstrelKeyFile." + Hex(digest, 16);
}

KeyFileLock::KeyFileLock(const std::string& path)
{
    const std::string name = KeyFileLockName(path);
    // Everyone may wait on and release the lock, whoever created it (SYSTEM or a user).
    SECURITY_ATTRIBUTES* attributes = nullptr;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, FALSE};
    SECURITY_DESCRIPTOR descriptor;
    DWORD aclBuffer[32];  // an ACL must be DWORD-aligned
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!IsWindows9x() && AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        PACL acl = reinterpret_cast<PACL>(aclBuffer);
        if (InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
            AddAccessAllowedAce(acl, ACL_REVISION, SYNCHRONIZE | MUTEX_MODIFY_STATE, everyone) &&
            InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
            sa.lpSecurityDescriptor = &descriptor;
            attributes = &sa;
        }
    }
    mutex_ = CreateMutexA(attributes, FALSE, name.c_str());
    if (!mutex_ && GetLastError() == ERROR_ACCESS_DENIED)
        mutex_ = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    if (everyone) FreeSid(everyone);
    if (!mutex_) {
        error_ = GetLastError();
        return;
    }
    const DWORD wait = WaitForSingleObject(mutex_, kLockTimeoutMs);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!held_) error_ = wait == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
}

KeyFileLock::~KeyFileLock()
{
    if (held_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}
