// The key library's trace for one test program: a switch file named after the program
// in the root of C: turns the module log on at trace level for the whole run; tests look
// at what was written since a mark.
#pragma once
#include <string>

namespace credential_log {
// Starts the log once; later calls do nothing.
void Start();
size_t Mark();
std::string Since(size_t mark);
// How often `piece` occurs in the text.
int CountOf(const std::string& text, const std::string& piece);
}  // namespace credential_log
