// The text of the policy script Drive.reg, which Registry Editor merges into the per-user
// NoDrives value.
#pragma once

#include <string>
#include <string_view>

namespace selvaro {

inline constexpr std::string_view kPolicyScriptName = "Drive.reg";

// The four CR LF-terminated lines; quote surrounds the value name, value is the hexadecimal text.
std::string PolicyScriptText(std::string_view quote, std::string_view value);

}  // namespace selvaro
