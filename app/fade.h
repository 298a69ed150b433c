// The fade-in: the window starts almost transparent and each timer tick makes it more opaque,
// until the tick that passes 250 applies the last alpha, 252, and stops the timer.
#pragma once

#include <cstdint>

namespace selvaro {

inline constexpr std::int16_t kFadeStartAlpha = 1;
inline constexpr std::int16_t kFadeStep = 4;
inline constexpr std::int16_t kFadeStopsAbove = 250;
inline constexpr unsigned kFadeIntervalMs = 10;

struct FadeTick {
    std::int16_t alpha;  // the new FadeAlpha, applied to the window
    bool timerGoesOn;
};

inline FadeTick NextFadeTick(std::int16_t fadeAlpha) {
    const auto alpha = static_cast<std::int16_t>(fadeAlpha + kFadeStep);
    return {alpha, alpha <= kFadeStopsAbove};
}

}  // namespace selvaro
