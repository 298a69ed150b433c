// The Windows-free core: the mask and its number text, the hide and show decision, and the fade.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/fade.h"
#include "base/run_time_error.h"
#include "policy/commands.h"
#include "policy/drive_mask.h"
#include "tests/expected_script.h"

namespace selvaro::testing {
namespace {

// What an action gives, or "error N" for the run-time error it raises.
template <typename Action>
std::string Outcome(Action action) try {
    return action();
} catch (const RunTimeError& error) {
    return "error " + std::to_string(error.number());
}

TEST(LeadingNumber, ReadsTheNumberATextBeginsWithAndZeroForAnyOtherText) {
    // clang-format off
    const std::pair<std::string, const char*> cases[] = {  // a text, its number's shortest text
        {"", "0"}, {"abc", "0"}, {"12abc", "12"}, {"1 2", "12"}, {" \t\n-\t4 2", "-42"},
        {"007", "7"}, {"+1.5e2", "150"}, {"1.2.3", "1.2"}, {"-.5", "-0.5"}, {"2E-1x", "0.2"},
        {"1e5e6", "100000"}, {"1e+", "1"}, {"3\r4", "3"}, {{"2\0" "5", 3}, "2"}, {"1e-400", "0"},
        {"-", "0"}, {".e5", "0"}, {"inf", "0"}, {"NaN", "0"}, {"0x1F", "0"}, {"&H10", "0"},
        {"\r5", "0"}, {"0." + std::string(5000, '9'), "1"}, {"0.30000000000000004", "0.30000000000000004"},
        {"1e300", "1e+300"}, {"999999999999999", "999999999999999"}, {"-0", "0"}, {"1e400", "error 6"},
        {"-1" + std::string(400, '0'), "error 6"}};
    // clang-format on
    for (const auto& [text, number] : cases)
        EXPECT_EQ(Outcome([&] { return NumberText(LeadingNumber(text)); }), number) << text;
}

TEST(UpdatedMaskText, AddsOrSubtractsTheWeightOfTheClickedBox) {
    // clang-format off
    const char* const clicks[][3] = {  // mask text before, tick or clear of a letter, after
        {"", "+A", "1"}, {"1", "+C", "5"}, {"5", "-A", "4"}, {"4", "-C", "0"}, {"abc", "+A", "1"},
        {"12abc", "+A", "13"}, {"0", "-A", "-1"}, {"007", "-A", "6"}, {"", "+K", "1024"},
        {"", "+P", "32768"}, {"131071", "-Q", "65535"}};
    // clang-format on
    for (const auto& [before, click, after] : clicks)
        EXPECT_EQ(UpdatedMaskText(before, click[0] == '+', DriveWeight(click[1])), after) << click;
}

TEST(PolicyCommands, ShowWritesZeroAndHideTheMaskInHexadecimalOrRefusesItUnlessHelpShows) {
    using enum PolicyCommand;
    const auto sets = ExpectedScript;
    // clang-format off
    const std::tuple<PolicyCommand, const char*, bool, std::string> clicks[] = {  // and help shown
        {Show, "", false, sets("0")}, {Show, "-1", false, sets("0")}, {Show, "1e400", false, sets("0")},
        {Hide, "16", false, sets("10")}, {Hide, "131071", false, sets("1ffff")}, {Hide, "", false, sets("0")},
        {Hide, "4294967295", false, sets("ffffffff")}, {Hide, "4294967296", false, "error 6"},
        {Hide, "-1", false, "error 6"}, {Hide, "2.5", false, "error 6"}, {Hide, "1e400", false, "error 6"},
        {Hide, "-1", true, "nothing"}, {Show, "1", true, "nothing"}};
    // clang-format on
    for (const auto& [command, mask, helpShown, outcome] : clicks) {
        const auto click = [&] { return PolicyScriptForClick(command, {helpShown, mask, "\""}); };
        EXPECT_EQ(Outcome([&] { return click().value_or("nothing"); }), outcome) << mask;
    }
}

TEST(Fade, AddsFourEachTickAndStopsPast250) {
    FadeTick tick{0, true};
    for (int alpha = 4; alpha <= 252 && tick.timerGoesOn; alpha += 4)
        EXPECT_EQ((tick = NextFadeTick(tick.alpha)).alpha, alpha);
    EXPECT_FALSE(tick.timerGoesOn);
}

}  // namespace
}  // namespace selvaro::testing
