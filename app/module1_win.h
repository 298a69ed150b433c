// Routines any window of the program may use.
#pragma once

#include <windows.h>

#include <cstdint>

namespace selvaro {

enum OpacityResult : std::int32_t {
    kOpacityApplied = 0,
    kOpacityOutOfRange = 1,
    kOpacityStepFailed = 2
};

// Makes the window layered (keeping its other extended styles) and sets its constant opacity,
// 0 transparent to 255 opaque. An alpha outside 0..255 leaves the window untouched.
std::int32_t SetWindowOpacity(HWND window, const std::int16_t& alpha);

}  // namespace selvaro
