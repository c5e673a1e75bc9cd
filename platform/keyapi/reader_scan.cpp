#include "reader_scan.h"

#include <windows.h>

#include <algorithm>

#include "critical_section.h"
#include "settings.h"
#include "windows_family.h"

const char kKeyFileName[] = "ostrel.key";

namespace {
CriticalSection g_driveLock;
DWORD g_driveMask = 0;
DWORD g_removableMask = 0;

// Floppy drives are removable too, but polling them would spin the drive every 2 s.
bool IsFloppy(char letter)
{
    if (IsWindows9x()) return letter == 'A' || letter == 'B';
    const char device[3] = {letter, ':', 0};
    char target[512];
    if (!QueryDosDeviceA(device, target, sizeof target)) return false;
    CharUpperA(target);
    return strstr(target, "\\FLOPPY") != nullptr;
}

// Drive types are looked up only when the set of drive letters changes: GetDriveType can
// be slow, and a letter keeps its type while it exists.
DWORD RemovableDrives()
{
    const DWORD mask = GetLogicalDrives();
    Locked lock(g_driveLock);
    if (mask == g_driveMask) return g_removableMask;
    DWORD removable = 0;
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const char letter = char('A' + i);
        const char root[4] = {letter, ':', '\\', 0};
        if (GetDriveTypeA(root) == DRIVE_REMOVABLE && !IsFloppy(letter)) removable |= 1u << i;
    }
    SetErrorMode(oldMode);
    g_driveMask = mask;
    g_removableMask = removable;
    return removable;
}

void AddFolderReaders(std::vector<ReaderPlace>& readers)
{
    const std::string base = ReadersFolder() + "\\";
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    const size_t first = readers.size();
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || entry.cFileName[0] == '.') continue;
        ReaderPlace place;
        place.name = entry.cFileName;
        place.folder = base + entry.cFileName + "\\";
        readers.push_back(place);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(readers.begin() + first, readers.end(), [](const ReaderPlace& a, const ReaderPlace& b) {
        const int order = lstrcmpiA(a.name.c_str(), b.name.c_str());
        return order != 0 ? order < 0 : a.name < b.name;
    });
}
}  // namespace

std::vector<ReaderPlace> ScanReaders()
{
    std::vector<ReaderPlace> readers;
    AddFolderReaders(readers);
    const DWORD removable = RemovableDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(removable & (1u << i))) continue;
        ReaderPlace place;
        place.name = std::string("USB drive ") + char('A' + i) + ":";
        place.folder = std::string(1, char('A' + i)) + ":\\";
        place.drive = true;
        readers.push_back(place);
    }
    return readers;
}
