// The shell's execute service, bound by name at its first call: the shell's library and COM are
// set up only when a command needs them, not at every start.
#pragma once

#include <windows.h>

namespace selvaro {

// ShellExecuteW on the calling (interface) thread, which joins a single-threaded COM apartment
// first, as the shell asks: some file and address handlers are reached through COM. Its result
// is not examined by any caller. Raises a run-time error when the library or its entry point
// cannot be found.
void CallShellExecute(HWND owner, const wchar_t* operation, const wchar_t* file,
                      const wchar_t* parameters, const wchar_t* directory, int showCommand);

}  // namespace selvaro
