// Drives windows from the test thread while the code under test runs its modal dialogs and
// message boxes on another thread (or in another process). Every wait has a timeout; the
// functions return the window or false, and DescribeWindows() tells a failing test what
// was on the screen instead.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

namespace ui {

// processId 0: the calling process.
// A visible dialog (#32770) that has child controls with all these ids.
HWND WaitForDialog(std::initializer_list<int> controlIds, DWORD timeoutMs, DWORD processId = 0);
// A visible message box with this caption whose text (the Static with id 0xFFFF) is set.
HWND WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs, DWORD processId = 0);
bool WaitUntilGone(HWND window, DWORD timeoutMs);  // destroyed or hidden

std::wstring ControlText(HWND dialog, int id);
bool SetControlText(HWND dialog, int id, const std::wstring& text);
bool WaitForControlText(HWND dialog, int id, const std::wstring& text, DWORD timeoutMs);
bool IsControlEnabled(HWND dialog, int id);
bool IsControlVisible(HWND dialog, int id);
// Clicks a visible, enabled button the way a person would (BM_CLICK, posted: the click may
// end the dialog or open another modal window, which must not block the test thread).
bool ClickButton(HWND dialog, int id);

std::wstring MessageBoxText(HWND box);
bool PressMessageBoxButton(HWND box, int buttonId);  // IDOK, IDYES, ...

// The visible top-level windows of the process: handle, class, caption, child ids and texts.
std::string DescribeWindows(DWORD processId = 0);

std::string Utf8(const std::wstring& text);

}  // namespace ui
