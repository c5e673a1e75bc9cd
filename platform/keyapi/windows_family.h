// Facts about the running Windows that change how files and objects are handled.
#pragma once

// Windows 95/98/Me: no FILE_SHARE_DELETE, no MoveFileEx, no security on objects.
bool IsWindows9x();

// A 32-bit process on 64-bit Windows (registry settings are read from the 64-bit view).
bool RunsUnderWow64();
