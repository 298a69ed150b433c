#include "policy/drive_mask.h"

#include <gtest/gtest.h>

#include <string>

#include "base/run_time_error.h"

namespace selvaro {
namespace {

void ExpectOverflow(double (*read)(std::string_view), const std::string& text) {
    try {
        read(text);
        ADD_FAILURE() << "no error for " << text;
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), 6) << text;
        EXPECT_STREQ(error.what(), "Overflow") << text;
    }
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
    for (const auto& [text, number] : cases)
        EXPECT_EQ(NumberText(LeadingNumber(text)), number) << text;
    for (const std::string& text : {std::string("1e400"), "-1" + std::string(400, '0')}) {
        ExpectOverflow(LeadingNumber, text);
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

TEST(MaskValue, IsAWholeNumberThatFitsADwordOrOverflow) {
    EXPECT_EQ(MaskValue(""), 0u);
    EXPECT_EQ(MaskValue("1e3"), 1000u);
    EXPECT_EQ(MaskValue("4294967295"), 4294967295u);
    for (const char* text : {"4294967296", "-1", "2.5", "1e12", "1e400"}) {
        ExpectOverflow([](std::string_view t) { return double(MaskValue(t)); }, text);
    }
    EXPECT_EQ(HexText(0) + HexText(131071) + HexText(4294967295u), "01ffffffffffff");
}

}  // namespace
}  // namespace selvaro
