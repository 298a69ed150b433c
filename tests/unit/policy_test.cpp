// The drive mask, its number text, and what the hide and show commands write.
#include <gtest/gtest.h>

#include <string>

#include "base/run_time_error.h"
#include "policy/commands.h"
#include "policy/drive_mask.h"

namespace selvaro {
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
        {"12abc", "+A", "13"}, {"0", "-A", "-1"}, {"007", "-A", "6"}, {"", "+P", "32768"},
        {"", "+Q", "65536"}};
    // clang-format on
    for (const auto& [before, click, after] : clicks) {
        EXPECT_EQ(UpdatedMaskText(before, click[0] == '+', DriveWeight(click[1])), after) << click;
    }
    std::string mask;
    for (char letter = 'A'; letter <= 'Q'; ++letter)
        mask = UpdatedMaskText(mask, true, DriveWeight(letter));
    EXPECT_EQ(mask, "131071");
    for (char letter = 'A'; letter <= 'Q'; ++letter)
        mask = UpdatedMaskText(mask, false, DriveWeight(letter));
    EXPECT_EQ(mask, "0");
}

std::optional<std::string> Click(PolicyCommand command, const char* mask,
                                 bool panelVisible = false) {
    return PolicyScriptForClick(command, {panelVisible, mask, "\""});
}

const std::string kLines =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]\r\n"
    "\"NoDrives\"=dword:";

TEST(PolicyCommands, ShowWritesZeroAndHideTheMaskInHexadecimal) {
    EXPECT_EQ(Click(PolicyCommand::Show, "").value().size(), 141u);
    for (const char* mask : {"", "48", "-1", "1e400"})
        EXPECT_EQ(Click(PolicyCommand::Show, mask), kLines + "0\r\n");
    // clang-format off
    const std::pair<const char*, const char*> hides[] = {{"16", "10"}, {"48", "30"},
        {"131071", "1ffff"}, {"65536", "10000"}, {"", "0"}, {"4294967295", "ffffffff"}};
    // clang-format on
    for (const auto& [mask, value] : hides)
        EXPECT_EQ(Click(PolicyCommand::Hide, mask), kLines + value + "\r\n");
    for (const char* mask : {"4294967296", "-1", "2.5", "1e12", "1e400"}) {
        EXPECT_EQ(ErrorNumberOf([&] { Click(PolicyCommand::Hide, mask); }), 6) << mask;
    }
}

TEST(PolicyCommands, DoNothingWhileTheHelpPanelIsVisible) {
    for (PolicyCommand command : {PolicyCommand::Hide, PolicyCommand::Show}) {
        EXPECT_EQ(Click(command, "-1", true), std::nullopt);
        EXPECT_NE(Click(command, "1", false), std::nullopt);
    }
}

}  // namespace
}  // namespace selvaro
