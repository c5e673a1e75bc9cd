#include "credential_log.h"

#include <windows.h>
#include <tchar.h>

#include "log.h"
#include "scoped.h"

namespace {
std::string g_path;

std::string ProgramName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path);
    name = name.substr(name.find_last_of('\\') + 1);
    return name.substr(0, name.find_last_of('.'));
}

// The switch file goes when the program ends.
struct SwitchFile {
    ~SwitchFile()
    {
        if (!g_path.empty()) DeleteFileA(g_path.c_str());
    }
} g_switchFile;
}  // namespace

namespace credential_log {
void Start()
{
    if (!g_path.empty()) return;
    const std::string name = "ovt_" + ProgramName();
    g_path = "C:\\" + name + ".log";
    HANDLE file = CreateFileA(g_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "3", 1, &written, nullptr);
    CloseHandle(file);
    TCHAR logName[MAX_PATH];
#ifdef UNICODE
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, logName, MAX_PATH);
#else
    lstrcpynA(logName, name.c_str(), MAX_PATH);
#endif
    g_log.Start(logName, nullptr, 0);
}

size_t Mark() { return ReadFileText(g_path).size(); }

std::string Since(size_t mark)
{
    const std::string all = ReadFileText(g_path);
    return mark < all.size() ? all.substr(mark) : std::string();
}

int CountOf(const std::string& text, const std::string& piece)
{
    int count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++count;
    return count;
}
}  // namespace credential_log
