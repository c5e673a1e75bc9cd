// keyctl list, readers-path, add-reader, remove-reader.
#include <cstdio>

#include "commands.h"
#include "exit_codes.h"
#include "keyapi_library.h"
#include "report.h"
#include "settings.h"
#include "targets.h"

namespace {
std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string DescribeKey(const KeyApi& api, KEYAPI_READER reader)
{
    const int status = api.InitCard(reader, KEYAPI_APP_LOGON);
    char label[33] = {};
    if (status >= 0 || status == KEYAPI_FINALLY_BLOCKED) api.ReadLabel(reader, label);
    std::string text;
    switch (status) {
    case KEYAPI_NO_KEY: text = "no key"; break;
    case KEYAPI_NOT_FORMATTED: text = "key not formatted"; break;
    case KEYAPI_KEY_ERROR: text = "key damaged or unreadable"; break;
    case KEYAPI_READER_ERROR: text = "reader error"; break;
    case KEYAPI_FINALLY_BLOCKED: text = "key " + Quoted(label) + ", finally blocked"; break;
    case KEYAPI_BLOCKED: text = "key " + Quoted(label) + ", PIN blocked"; break;
    default:
        // An empty PIN opens only a key without PIN, and costs a key with one nothing.
        if (api.VerifyPIN(reader, "")) {
            text = "key " + Quoted(label) + ", no PIN";
        } else {
            char attempts[64];
            std::snprintf(attempts, sizeof attempts, ", PIN, %d attempt%s left", status, status == 1 ? "" : "s");
            text = "key " + Quoted(label) + attempts;
        }
    }
    api.CloseCard(reader, 0);
    return text;
}

bool ValidReaderName(const std::string& name)
{
    return !name.empty() && name.size() < 200 && name[0] != '.' &&
           name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

bool CreateFolders(const std::string& path)
{
    if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    const size_t parent = path.find_last_of('\\');
    if (GetLastError() != ERROR_PATH_NOT_FOUND || parent == std::string::npos || parent < 3) return false;
    return CreateFolders(path.substr(0, parent)) && CreateDirectoryA(path.c_str(), nullptr);
}
}  // namespace

int ListReaders(const Arguments& args)
{
    std::string error;
    const KeyApi* api = LoadKeyApi(error);
    if (!api) return Fail(kExitKeyApiError, error);
    std::printf("Readers folder: %s\n", ReadersFolder().c_str());
    int count = 0;
    for (const char* name; (name = api->EnumReaders(count)) != nullptr; ++count) {
        OpenReader reader(*api, name);
        const std::string state = reader.Handle() ? DescribeKey(*api, reader.Handle()) : "cannot be opened";
        std::printf("%s: %s\n", name, state.c_str());
    }
    if (count == 0) std::printf("no readers\n");
    return kExitOk;
}

int PrintReadersPath(const Arguments& args)
{
    std::printf("%s\n", ReadersFolder().c_str());
    return kExitOk;
}

int AddReader(const Arguments& args)
{
    const std::string& name = args.Positional()[0];
    if (!ValidReaderName(name)) return Fail(kExitUsage, "a reader name cannot hold \\ / : * ? \" < > | or start with .");
    const std::string folder = ReadersFolder() + "\\" + name;
    if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return Fail(kExitFileError, "reader " + Quoted(name) + " exists already");
    if (!CreateFolders(folder)) return FailWith("cannot make the reader folder " + folder, GetLastError());
    std::printf("reader %s added: %s\n", Quoted(name).c_str(), folder.c_str());
    return kExitOk;
}

int RemoveReader(const Arguments& args)
{
    ReaderPlace place;
    if (const int code = FindReader(args.Positional()[0], place)) return code;
    if (place.drive) return Fail(kExitUsage, "a drive is not removed by keyctl: unplug it");
    const std::string key = place.KeyPath();
    if (GetFileAttributesA(key.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!args.Has("force"))
            return Fail(kExitFileError, "reader " + Quoted(place.name) + " holds a key: take it out first, or --force");
        DeleteFileA(key.c_str());
    }
    DeleteFileA((key + ".tmp").c_str());  // a write that was interrupted
    const std::string folder = place.folder.substr(0, place.folder.size() - 1);
    if (!RemoveDirectoryA(folder.c_str())) return FailWith("cannot remove " + folder, GetLastError());
    std::printf("reader %s removed\n", Quoted(place.name).c_str());
    return kExitOk;
}
