// The texts of the help panel, which is created hidden and never shown.
#pragma once

#include <string_view>

namespace selvaro {

inline constexpr std::string_view kUsageText =
    "by this software can hidden your drives with  one click and show the too .work with this "
    "soft ware very easy just select your drives  next click in button \" Hidden Select Drives \" "
    "and in window \"Registry Editor\" click on \"Yes\"  .                             For Show "
    "Drives Click In Button\"Show Hidden Drives and Click On \"Yes\"";

inline constexpr std::string_view kCreditsText =
    " Tovrel Amiri --- Sina Rahimi --- Arshia    selvaro.example";

}  // namespace selvaro
