// The Windows-free core: the mask and its number text, the hide and show decision, the control
// table's drive boxes and the fade.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/controls.h"
#include "app/fade.h"
#include "base/run_time_error.h"
#include "policy/commands.h"
#include "policy/drive_mask.h"
#include "tests/expected_script.h"

namespace selvaro::testing {
namespace {

// The number of the run-time error that what raises, or 0.
template <typename Action>
int ErrorNumberOf(Action what) {
    try {
        what();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}

TEST(LeadingNumber, ReadsTheNumberATextBeginsWithAndZeroForAnyOtherText) {
    // clang-format off
    const std::pair<std::string, const char*> cases[] = {  // a text, its number's shortest text
        {"", "0"}, {"abc", "0"}, {"12abc", "12"}, {"1 2", "12"}, {" \t\n-\t4 2", "-42"},
        {"007", "7"}, {"+1.5e2", "150"}, {"1.2.3", "1.2"}, {"-.5", "-0.5"}, {"2E-1x", "0.2"},
        {"1e5e6", "100000"}, {"1e+", "1"}, {"3\r4", "3"}, {{"2\0" "5", 3}, "2"}, {"1e-400", "0"},
        {"-", "0"}, {".e5", "0"}, {"inf", "0"}, {"NaN", "0"}, {"0x1F", "0"}, {"&H10", "0"},
        {"\r5", "0"}, {"0." + std::string(5000, '9'), "1"}, {"0.30000000000000004", "0.30000000000000004"},
        {"1e300", "1e+300"}, {"999999999999999", "999999999999999"}, {"-0", "0"}};
    // clang-format on
    for (const auto& [text, number] : cases) EXPECT_EQ(NumberText(LeadingNumber(text)), number);
    for (const std::string& text : {std::string("1e400"), "-1" + std::string(400, '0')}) {
        EXPECT_EQ(ErrorNumberOf([&] { LeadingNumber(text); }), 6) << text;
    }
}

TEST(UpdatedMaskText, AddsOrSubtractsTheWeightOfTheClickedBox) {
    // clang-format off
    const char* const clicks[][3] = {  // mask text before, tick or clear of a letter, after
        {"", "+A", "1"}, {"1", "+C", "5"}, {"5", "-A", "4"}, {"4", "-C", "0"}, {"abc", "+A", "1"},
        {"12abc", "+A", "13"}, {"0", "-A", "-1"}, {"007", "-A", "6"}, {"", "+K", "1024"},
        {"", "+P", "32768"}, {"131071", "-Q", "65535"}};
    // clang-format on
    for (const auto& [before, click, after] : clicks) {
        EXPECT_EQ(UpdatedMaskText(before, click[0] == '+', DriveWeight(click[1])), after) << click;
    }
}

TEST(PolicyCommands, ShowWritesZeroAndHideTheMaskInHexadecimalOrRefusesIt) {
    using enum PolicyCommand;
    // clang-format off
    const std::tuple<PolicyCommand, const char*, const char*> clicks[] = {  // nullptr: Overflow
        {Show, "", "0"}, {Show, "48", "0"}, {Show, "-1", "0"}, {Show, "1e400", "0"}, {Hide, "16", "10"},
        {Hide, "48", "30"}, {Hide, "131071", "1ffff"}, {Hide, "", "0"}, {Hide, "4294967295", "ffffffff"},
        {Hide, "4294967296", nullptr}, {Hide, "-1", nullptr}, {Hide, "2.5", nullptr}, {Hide, "1e400", nullptr}};
    // clang-format on
    for (const auto& [command, mask, value] : clicks) {
        const auto script = [&] { return PolicyScriptForClick(command, {false, mask, "\""}); };
        if (value == nullptr) {
            EXPECT_EQ(ErrorNumberOf(script), 6) << mask;
        } else {
            EXPECT_EQ(script(), ExpectedScript(value)) << mask;
        }
    }
    // While the help panel is visible, neither does anything, whatever the mask.
    for (PolicyCommand command : {Hide, Show})
        EXPECT_EQ(PolicyScriptForClick(command, {true, "-1", "\""}), std::nullopt);
}

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
}

}  // namespace
}  // namespace selvaro::testing
