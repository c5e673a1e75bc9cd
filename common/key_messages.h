// The key messages that carry key events to the windows of the GINA, the panel and the
// 9x providers. wParam of the reader messages is the reader name (TCHAR text of the
// sending monitor's build); it stays readable for the life of the monitor, also after
// the reader itself is gone.
#pragma once
#include <windows.h>

#define WM_KEY_NEEDPIN      (WM_USER + 191)  // 1215 reader name: the key needs a PIN
#define WM_KEY_INSERTED     (WM_USER + 192)  // 1216 reader name: the key passed the PIN check
#define WM_KEY_REMOVED      (WM_USER + 193)  // 1217 reader name: the current key left its reader
#define WM_KEY_ERROR        (WM_USER + 194)  // 1218 reader name: the key cannot be used (errorText)
#define WM_KEY_ABSENT       (WM_USER + 195)  // 1219 no key in any reader after the first scan
#define WM_KEY_WAIT_FINISH  (WM_USER + 196)  // 1220 an asynchronous read or write ended
#define WM_KEY_LIB_ERROR    (WM_USER + 197)  // 1221 panel only: the token library did not load
#define WM_KEY_DATA_CHANGED (WM_USER + 198)  // 1222 another process wrote this key's data

// What an asynchronous key operation was (the dispatch window's wait kind).
enum KeyWaitKind { kWaitRead = 100, kWaitWrite = 101 };
