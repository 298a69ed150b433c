#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/fade.h"
#include "app/help_texts.h"

namespace selvaro {
namespace {

TEST(ControlTable, IsInTabOrderWithEveryContainerFirst) {
    std::set<std::string_view> created{kFormName};
    std::string letters;
    int lastTab = -1, hands = 0;
    for (const ControlSpec& control : kControls) {
        EXPECT_GT(control.tabIndex, lastTab) << control.name;
        lastTab = control.tabIndex;
        EXPECT_TRUE(created.count(control.container)) << control.name;
        created.insert(control.name);
        EXPECT_EQ(ControlById(ControlId(control)), &control);
        EXPECT_EQ(control.caption.find('&'), std::string_view::npos) << control.name;
        if (control.driveLetter != 0) {
            letters += control.driveLetter;
            EXPECT_EQ(control.caption, std::string("Drive ") + control.driveLetter + " :\\");
        }
        hands += control.handCursor;
    }
    EXPECT_EQ(letters, "ABCDEFGHIJKLMNOQP");
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

TEST(HelpTexts, KeepTheirExactForm) {
    EXPECT_EQ(kUsageText.size(), 327u);
    EXPECT_EQ(std::count(kUsageText.begin(), kUsageText.end(), '"'), 9);
    EXPECT_EQ(kUsageText.back(), '"');
    for (const char* part : {"with  one", "drives  next", "\"Yes\"  .    ", "Button\"Show"}) {
        EXPECT_NE(kUsageText.find(part), std::string_view::npos) << part;
    }
    EXPECT_NE(kUsageText.find("." + std::string(29, ' ') + "For"), std::string_view::npos);
    EXPECT_EQ(kCreditsText.size(), 59u);
    EXPECT_EQ(kWebAddress, "http://" + std::string(kWebHost));
}

TEST(Fade, AppliesFourTo252In63TicksAndThenStops) {
    std::int16_t fadeAlpha = 0;
    std::vector<int> applied;
    for (bool timerOn = true; timerOn;) {
        const FadeTick tick = NextFadeTick(fadeAlpha);
        fadeAlpha = tick.alpha;
        applied.push_back(fadeAlpha);
        timerOn = tick.timerGoesOn;
    }
    EXPECT_EQ(applied.size(), 63u);
    EXPECT_EQ(applied.front(), 4);
    EXPECT_EQ(applied.back(), 252);
    EXPECT_EQ(kFadeStartAlpha, 1);
}

}  // namespace
}  // namespace selvaro
