// The shell's execute service, bound by name at its first call: the shell's library is loaded
// only when a command needs it, not at every start.
#pragma once

#include <windows.h>

namespace selvaro {

// ShellExecuteW; its result is not examined by any caller. Raises a run-time error when the
// library or its entry point cannot be found.
void CallShellExecute(HWND owner, const wchar_t* operation, const wchar_t* file,
                      const wchar_t* parameters, const wchar_t* directory, int showCommand);

}  // namespace selvaro
