// Where the virtual key readers are: every subfolder of the readers folder (sorted by
// name), then every removable drive (by letter). The key in a reader is its file
// "ostrel.key"; present means inserted.
#pragma once
#include <string>
#include <vector>

extern const char kKeyFileName[];  // "ostrel.key"

struct ReaderPlace {
    std::string name;    // as EnumReaders gives it: the folder's name, or "USB drive E:"
    std::string folder;  // folder or drive root, with a trailing backslash
    bool drive = false;  // a drive that is gone means no key, not a reader error

    std::string KeyPath() const { return folder + kKeyFileName; }
};

// A directory listing and the drive letters; no file is opened.
std::vector<ReaderPlace> ScanReaders();
