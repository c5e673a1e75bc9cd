// keyctl's messages: results to standard output, errors as "keyctl: ..." to standard
// error together with the exit code they stand for.
#pragma once
#include <windows.h>

#include <string>

// Prints the error and returns `code`.
int Fail(int code, const std::string& message);

// An error of keyapi32.dll or Windows: its text and the exit code it maps to.
int FailWith(const std::string& what, DWORD error);
std::string ErrorText(DWORD error);
int ExitCodeFor(DWORD error);
