// The fade-in: the window starts almost transparent and each timer tick makes it more opaque.
#pragma once

#include <cstdint>

namespace selvaro {

inline constexpr std::int16_t kFadeStartAlpha = 1;
inline constexpr std::int16_t kFadeStep = 4;
inline constexpr std::int16_t kFadeLast = 250;  // past this the timer stops
inline constexpr unsigned kFadeIntervalMs = 10;

struct FadeTick {
    std::int16_t alpha;  // the new FadeAlpha, applied to the window
    bool timerGoesOn;
};

inline FadeTick NextFadeTick(std::int16_t fadeAlpha) {
    const auto alpha = static_cast<std::int16_t>(fadeAlpha + kFadeStep);
    return {alpha, alpha <= kFadeLast};
}

}  // namespace selvaro
