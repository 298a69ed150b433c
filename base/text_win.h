// Text and path helpers at the edge between the program's text and the window system's.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace selvaro {

std::wstring WidenFromCodePage(std::string_view bytes, UINT codePage);
// ASCII characters kept, every other one replaced by a character that no number holds.
std::string NarrowForNumber(std::wstring_view text);
// The text in the system's ANSI code page.
std::string NarrowToAnsi(std::wstring_view text);

std::wstring WindowText(HWND window);
// The running executable's path, read whole.
std::wstring ExecutablePath();
// The directory that holds the running executable, without a trailing backslash.
std::wstring ApplicationDirectory();

}  // namespace selvaro
