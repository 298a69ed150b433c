#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "app/controls.h"
#include "app/fade.h"
#include "app/help_texts.h"
#include "app/twips.h"

namespace selvaro {
namespace {

TEST(Twips, BecomePixelsByTheDpi) {
    EXPECT_EQ(TwipsToPixels(kFormClientWidth, 96), 472);
    EXPECT_EQ(TwipsToPixels(kFormClientHeight, 96), 208);
    EXPECT_EQ(TwipsToPixels(255, 96), 17);
    EXPECT_EQ(TwipsToPixels(1455, 144), 146);  // 145.5 rounds up
    EXPECT_EQ(TwipsToPixels(-15, 96), -1);
}

TEST(ControlTable, IsInTabOrderWithEveryContainerFirst) {
    std::set<std::string_view> created{kFormName};
    int lastTab = -1;
    for (const ControlSpec& control : kControls) {
        EXPECT_GT(control.tabIndex, lastTab) << control.name;
        lastTab = control.tabIndex;
        EXPECT_TRUE(created.count(control.container)) << control.name;
        created.insert(control.name);
        EXPECT_EQ(ControlById(ControlId(control)), &control);
        EXPECT_EQ(control.caption.find('&'), std::string_view::npos) << control.name;
    }
    EXPECT_GE(kFirstControlId, 3);  // clear of the dialog manager's OK and Cancel
    EXPECT_EQ(kControls.size(), 33u);
}

TEST(ControlTable, DriveBoxesCarryTheirLettersAndTheHandCursor) {
    std::string letters;
    int hands = 0;
    for (const ControlSpec& control : kControls) {
        if (control.driveLetter != 0) {
            letters += control.driveLetter;
            EXPECT_EQ(control.caption, std::string("Drive ") + control.driveLetter + " :\\");
        }
        hands += control.handCursor;
    }
    EXPECT_EQ(letters, "ABCDEFGHIJKLMNOQP");
    EXPECT_EQ(FindControl("Check16")->driveLetter, 'Q');
    EXPECT_EQ(hands, 24);
}

TEST(ControlTable, ADriveBoxIsCutWhereTheNextBoxInItsRowBegins) {
    EXPECT_EQ(UncoveredWidth(*FindControl("Check1")), 1560 - 240);
    EXPECT_EQ(UncoveredWidth(*FindControl("Check4")), 5640 - 4320);
    EXPECT_EQ(UncoveredWidth(*FindControl("Check17")), 1560 - 240);  // P, left of Q
    EXPECT_EQ(UncoveredWidth(*FindControl("Check16")), 1455);
    EXPECT_EQ(UncoveredWidth(*FindControl("Check5")), 1455);
    EXPECT_EQ(UncoveredWidth(*FindControl("Check14")), 1245);
    EXPECT_EQ(UncoveredWidth(*FindControl("Command3")), 2055);
}

TEST(HelpTexts, KeepTheirExactForm) {
    EXPECT_EQ(kUsageText.size(), 327u);
    EXPECT_EQ(std::count(kUsageText.begin(), kUsageText.end(), '"'), 9);
    EXPECT_EQ(kUsageText.back(), '"');
    std::vector<std::size_t> blankRuns;
    for (std::size_t at = 0; (at = kUsageText.find("  ", at)) != std::string_view::npos;) {
        const std::size_t end = kUsageText.find_first_not_of(' ', at);
        blankRuns.push_back(end - at);
        at = end;
    }
    EXPECT_EQ(blankRuns, (std::vector<std::size_t>{2, 2, 2, 29}));
    EXPECT_NE(kUsageText.find("Button\"Show"), std::string_view::npos);

    EXPECT_EQ(kCreditsText.size(), 59u);
    EXPECT_EQ(kCreditsText.front(), ' ');
    EXPECT_EQ(std::count(kCreditsText.begin(), kCreditsText.end(), '-'), 6);
    EXPECT_NE(kCreditsText.find("    " + std::string(kWebHost)), std::string_view::npos);
    EXPECT_EQ(kWebAddress, "http://" + std::string(kWebHost));
}

TEST(Fade, RunsFromOneTo252In63Ticks) {
    std::vector<int> applied{kFadeStartAlpha, kFadeStartAlpha};  // Load, then Activate
    std::int16_t fadeAlpha = 0;
    int ticks = 0;
    for (bool timerOn = true; timerOn; ++ticks) {
        const FadeTick tick = NextFadeTick(fadeAlpha);
        fadeAlpha = tick.alpha;
        applied.push_back(fadeAlpha);
        timerOn = tick.timerGoesOn;
    }
    EXPECT_EQ(ticks, 63);
    EXPECT_EQ(applied[2], 4);
    EXPECT_EQ(applied[applied.size() - 2], 248);
    EXPECT_EQ(applied.back(), 252);
}

}  // namespace
}  // namespace selvaro
