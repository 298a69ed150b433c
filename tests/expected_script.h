// Drive.reg as Registry Editor is to read it, byte for byte.
#pragma once

#include <string>

namespace selvaro::testing {

// The script that sets the user's NoDrives policy to a hexadecimal value.
inline std::string ExpectedScript(const std::string& value) {
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]"
           "\r\n\"NoDrives\"=dword:" +
           value + "\r\n";
}

}  // namespace selvaro::testing
