// Twips (1440 to the inch) to pixels at a given number of dots per inch.
#pragma once

namespace selvaro {

inline constexpr int kTwipsPerInch = 1440;

// Rounds half away from zero, as MulDiv does.
inline constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                        : -((-scaled + half) / kTwipsPerInch));
}

}  // namespace selvaro
