#include "ui_driver.h"

#include <cstdio>
#include <vector>

namespace ui {
namespace {
const DWORD kPollMs = 20;
const UINT kSendTimeoutMs = 2000;
const int kMessageBoxTextId = 0xFFFF;

DWORD ProcessOrSelf(DWORD processId) { return processId ? processId : GetCurrentProcessId(); }

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->processId && IsWindowVisible(hwnd)) search->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId)
{
    WindowSearch search{ProcessOrSelf(processId), {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[64] = L"";
    GetClassNameW(hwnd, name, 64);
    return name;
}

// WM_GETTEXT with a timeout: the window may belong to a thread that is busy.
std::wstring TextOf(HWND hwnd)
{
    wchar_t text[1024] = L"";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied))
        return std::wstring();
    return text;
}

bool IsDialog(HWND hwnd) { return ClassOf(hwnd) == L"#32770"; }

template <typename Predicate>
HWND WaitForWindow(DWORD processId, DWORD timeoutMs, Predicate matches)
{
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND hwnd : VisibleTopLevelWindows(processId))
            if (matches(hwnd)) return hwnd;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(kPollMs);
    }
}
}  // namespace

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], size, nullptr, nullptr);
    return out;
}

HWND WaitForDialog(std::initializer_list<int> controlIds, DWORD timeoutMs, DWORD processId)
{
    std::vector<int> ids(controlIds);
    return WaitForWindow(processId, timeoutMs, [&](HWND hwnd) {
        if (!IsDialog(hwnd)) return false;
        for (int id : ids)
            if (!GetDlgItem(hwnd, id)) return false;
        return true;
    });
}

HWND WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs, DWORD processId)
{
    return WaitForWindow(processId, timeoutMs, [&](HWND hwnd) {
        if (!IsDialog(hwnd) || TextOf(hwnd) != caption) return false;
        HWND text = GetDlgItem(hwnd, kMessageBoxTextId);
        return text && !TextOf(text).empty();
    });
}

bool WaitUntilGone(HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

std::wstring ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? TextOf(control) : std::wstring();
}

bool SetControlText(HWND dialog, int id, const std::wstring& text)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, &result) &&
           result;
}

bool WaitForControlText(HWND dialog, int id, const std::wstring& text, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (ControlText(dialog, id) != text) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

bool IsControlEnabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool IsControlVisible(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}

bool ClickButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
    return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

std::wstring MessageBoxText(HWND box) { return ControlText(box, kMessageBoxTextId); }

bool PressMessageBoxButton(HWND box, int buttonId) { return ClickButton(box, buttonId); }

std::string DescribeWindows(DWORD processId)
{
    std::string text;
    for (HWND hwnd : VisibleTopLevelWindows(processId)) {
        char head[64];
        std::snprintf(head, sizeof head, "window %p ", (void*)hwnd);
        text += head + Utf8(ClassOf(hwnd)) + " \"" + Utf8(TextOf(hwnd)) + "\"\n";
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char id[32];
            std::snprintf(id, sizeof id, "  id %d ", GetDlgCtrlID(child));
            text += id + Utf8(ClassOf(child)) + " \"" + Utf8(TextOf(child)) + "\"" +
                    (IsWindowEnabled(child) ? "" : " disabled") + (IsWindowVisible(child) ? "" : " hidden") + "\n";
        }
    }
    return text.empty() ? "no visible windows\n" : text;
}

}  // namespace ui
