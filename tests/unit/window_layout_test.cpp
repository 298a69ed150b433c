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
        EXPECT_EQ(ControlById(ControlId(control)), &control);
    }
    EXPECT_EQ(letters, "ABCDEFGHIJKLMNOQP");  // in tab order: Check16 is Q, Check17 is P
    EXPECT_EQ(hands, 24);
    EXPECT_GE(kFirstControlId, 3);  // clear of the dialog manager's OK and Cancel
}

TEST(ControlTable, ADriveBoxIsCutWhereTheNextBoxInItsRowBegins) {
    // clang-format off
    const std::pair<const char*, int> widths[] = {{"Check1", 1320}, {"Check4", 1320},
        {"Check17", 1320}, {"Check16", 1455}, {"Check5", 1455}, {"Check14", 1245}, {"Command3", 2055}};
    // clang-format on
    for (const auto& [name, width] : widths) EXPECT_EQ(UncoveredWidth(*FindControl(name)), width);
}

TEST(Fade, AppliesFourTo252In63TicksAndThenStops) {
    std::vector<int> applied{0};
    for (bool goesOn = true; goesOn;) {
        const FadeTick tick = NextFadeTick(static_cast<std::int16_t>(applied.back()));
        applied.push_back(tick.alpha);
        goesOn = tick.timerGoesOn;
    }
    std::vector<int> expected;  // FadeAlpha before the first tick, then each tick's alpha
    for (int alpha = 0; alpha <= 252; alpha += 4) expected.push_back(alpha);
    EXPECT_EQ(applied, expected);
    EXPECT_EQ(kFadeStartAlpha, 1);
}

}  // namespace
}  // namespace selvaro
