// The hide and show commands' work on the system: Drive.reg written, then opened by the shell.
#pragma once

#include <windows.h>

#include <string_view>

namespace selvaro {

// Writes the script into the application directory and asks the shell to "open" it, which
// starts Registry Editor. Raises a file run-time error, and leaves the shell alone, when the
// script cannot be written whole.
void WriteAndOpenPolicyScript(HWND form, std::string_view script);

}  // namespace selvaro
