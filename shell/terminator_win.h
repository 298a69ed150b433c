// Ending every process with a given image name.
#pragma once

#include <string>

namespace selvaro {

// One walk over a snapshot of the running processes: each whose image name equals the given
// one, letter case aside, is told to terminate with exit code 0, in snapshot order. Nothing is
// awaited or reported; a process that cannot be opened is left running.
void TerminateProcessesByName(const std::string& imageName);

}  // namespace selvaro
