// Names of the GINA interface's numbers, so the trace reads "WLX_SAS_ACTION_LOGON" rather
// than "1". Unknown values come back as their number.
#pragma once
#include <windows.h>

#include <string>

std::string SasTypeName(DWORD sasType);          // "1 CTRL_ALT_DEL", "250 (custom)"
std::string SasActionName(int action);           // "WLX_SAS_ACTION_LOGON"
std::string DialogResultName(INT_PTR result);    // "101 (WLX_DLG_SAS)", "1 (IDOK)"
std::string WlxOptionName(DWORD option);         // "WLX_OPTION_USE_CTRL_ALT_DEL"
std::string VersionName(DWORD version);          // "0x10003 (1.3)"
std::string MessageBoxResultName(int result);    // "1 (IDOK)"

// The shutdown actions a GINA may return; the sleep ones do not end the session.
bool IsShutdownAction(int action);
bool IsSleepAction(int action);
