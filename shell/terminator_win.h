// Ending every process with a given image name.
#pragma once

#include <string>

namespace selvaro {

// One walk over a snapshot of the running processes: each in the caller's own session whose
// image name equals the given one, letter case aside, is told to terminate with exit code 0, in
// snapshot order. Nothing is awaited or reported; a process that cannot be opened is left running.
void TerminateProcessesByName(const std::string& imageName);

// The system's lower-case mapping of text in its 8-bit code page, which the names are compared by.
std::string LowerCaseAnsi(std::string text);

}  // namespace selvaro
