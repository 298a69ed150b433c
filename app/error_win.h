// The common end of every run-time error that a handler does not trap.
#pragma once

#include <windows.h>

#include <string>

namespace selvaro {

// Shows one message box with the error's number and description, then ends the process at once:
// the window is not unloaded.
[[noreturn]] void EndWithRunTimeError(HWND owner, int number, const std::string& description);

}  // namespace selvaro
