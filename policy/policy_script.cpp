#include "policy/policy_script.h"

namespace selvaro {

std::string PolicyScriptText(std::string_view quote, std::string_view value) {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    text +=
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]\r\n";
    text.append(quote).append("NoDrives").append(quote).append("=dword:").append(value);
    text += "\r\n";
    return text;
}

}  // namespace selvaro
