// The common end of every run-time error that a handler does not trap.
#pragma once

#include <windows.h>

namespace selvaro {

// Shows one message box with the error's number and description, then ends the process at once
// with the number as its exit code: the window is not unloaded.
[[noreturn]] void ReportRunTimeErrorAndExit(HWND owner, int number, const char* description);

}  // namespace selvaro
