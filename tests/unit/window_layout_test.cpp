#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls.h"
#include "app/fade.h"

namespace selvaro {
namespace {

TEST(ControlTable, GivesTheBoxesTheirLettersAndTheHandTo24Controls) {
    std::string letters;
    int hands = 0;
    for (const ControlSpec& control : kControls) {
        if (control.driveLetter != 0) letters += control.driveLetter;
        hands += control.handCursor;
    }
    EXPECT_EQ(letters, "ABCDEFGHIJKLMNOQP");  // in tab order: Check16 is Q, Check17 is P
    EXPECT_EQ(hands, 24);
}

TEST(ControlTable, ADriveBoxIsCutWhereTheNextBoxInItsRowBegins) {
    // clang-format off
    const std::pair<const char*, int> widths[] = {{"Check1", 1320}, {"Check4", 1320},
        {"Check17", 1320}, {"Check16", 1455}, {"Check5", 1455}, {"Check14", 1245}, {"Command3", 2055}};
    // clang-format on
    for (const auto& [name, width] : widths) EXPECT_EQ(UncoveredWidth(*FindControl(name)), width);
}

TEST(Fade, AppliesFourTo252In63TicksAndThenStops) {
    FadeTick tick{0, true};
    for (int alpha = 4; alpha <= 252; alpha += 4) {
        ASSERT_TRUE(tick.timerGoesOn) << alpha;
        tick = NextFadeTick(tick.alpha);
        EXPECT_EQ(tick.alpha, alpha);
    }
    EXPECT_FALSE(tick.timerGoesOn);
    EXPECT_EQ(kFadeStartAlpha, 1);
}

}  // namespace
}  // namespace selvaro
