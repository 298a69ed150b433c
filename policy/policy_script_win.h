// Drive.reg in the application directory: written by the hide and show commands, deleted when
// the window closes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace selvaro {

std::wstring PolicyScriptPath(const std::wstring& applicationDirectory);

// How the written file is closed; a close can be the first to report a failed write (a network
// share, a quota).
using CloseFileFn = BOOL(WINAPI*)(HANDLE);

// Creates or truncates the script and writes it whole. Raises a file run-time error when it
// cannot, and then leaves no partial script behind.
void WritePolicyScript(const std::wstring& path, std::string_view text,
                       CloseFileFn closeFile = CloseHandle);

// Deletes the script, ignoring every failure: there may be none, or it may be read-only or in use.
void DeletePolicyScript();

}  // namespace selvaro
