#include "policy/drive_mask.h"

#include <gtest/gtest.h>

#include <string>

#include "app/run_time_error.h"

namespace selvaro {
namespace {

TEST(LeadingNumber, ReadsTheNumberATextBeginsWith) {
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber("12abc"), 12);
    EXPECT_EQ(LeadingNumber("1 2"), 12);
    EXPECT_EQ(LeadingNumber(" \t\n-\t4 2"), -42);
    EXPECT_EQ(LeadingNumber("007"), 7);
    EXPECT_EQ(LeadingNumber("+1.5e2"), 150);
    EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
    EXPECT_EQ(LeadingNumber("-.5"), -0.5);
    EXPECT_EQ(LeadingNumber("2E-1x"), 0.2);
    EXPECT_EQ(LeadingNumber("1e5e6"), 1e5);
}

TEST(LeadingNumber, HostileTextIsZeroOrItsLeadingNumber) {
    for (std::string_view text : {"-", "+", ".", "-.", "e5", ".e5", "inf", "-Infinity", "NaN",
                                  "nan(1)", "0x1F", "&H10", "\r5",
                                  "\x7f"
                                  "5"}) {
        EXPECT_EQ(LeadingNumber(text), 0) << text;
    }
    EXPECT_EQ(LeadingNumber("1e"), 1);
    EXPECT_EQ(LeadingNumber("1e+"), 1);
    EXPECT_EQ(LeadingNumber("3\r4"), 3);
    EXPECT_EQ(LeadingNumber(std::string_view("2\0"
                                             "5",
                                             3)),
              2);
    EXPECT_EQ(LeadingNumber("1e-400"), 0);
    EXPECT_EQ(LeadingNumber(std::string(5000, '9').insert(0, "0.")), 1);
    EXPECT_EQ(LeadingNumber("1" + std::string(300, '0')), 1e300);
}

TEST(LeadingNumber, BeyondADoubleIsOverflow) {
    for (const std::string& text : {std::string("1e400"), std::string("-1e99999999999999999999"),
                                    "1" + std::string(400, '0')}) {
        try {
            LeadingNumber(text);
            ADD_FAILURE() << text;
        } catch (const RunTimeError& error) {
            EXPECT_EQ(error.number(), 6);
            EXPECT_STREQ(error.what(), "Overflow");
        }
    }
}

TEST(NumberText, IsTheShortestDecimalText) {
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(-1), "-1");
    EXPECT_EQ(NumberText(100000), "100000");
    EXPECT_EQ(NumberText(131071), "131071");
    EXPECT_EQ(NumberText(999999999999999), "999999999999999");
    EXPECT_EQ(NumberText(0.5), "0.5");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(NumberText(1e300), "1e+300");
    for (double value : {0.1, 1e15, 123456789012345678.0, 5e-324, -2.5e-7}) {
        EXPECT_EQ(LeadingNumber(NumberText(value)), value);
    }
}

TEST(UpdatedMaskText, AddsOrSubtractsTheBoxWeight) {
    EXPECT_EQ(UpdatedMaskText("", true, DriveWeight('A')), "1");
    EXPECT_EQ(UpdatedMaskText("1", true, DriveWeight('C')), "5");
    EXPECT_EQ(UpdatedMaskText("5", false, DriveWeight('A')), "4");
    EXPECT_EQ(UpdatedMaskText("4", false, DriveWeight('C')), "0");
    EXPECT_EQ(UpdatedMaskText("", true, DriveWeight('B')), "2");
    EXPECT_EQ(UpdatedMaskText("abc", true, 1), "1");
    EXPECT_EQ(UpdatedMaskText("12abc", true, 1), "13");
    EXPECT_EQ(UpdatedMaskText("0", false, 1), "-1");
    EXPECT_EQ(UpdatedMaskText("007", false, 1), "6");
    EXPECT_EQ(DriveWeight('P'), 32768);
    EXPECT_EQ(DriveWeight('Q'), 65536);

    std::string mask;
    for (char letter = 'A'; letter <= 'Q'; ++letter)
        mask = UpdatedMaskText(mask, true, DriveWeight(letter));
    EXPECT_EQ(mask, "131071");
    for (char letter = 'A'; letter <= 'Q'; ++letter)
        mask = UpdatedMaskText(mask, false, DriveWeight(letter));
    EXPECT_EQ(mask, "0");
    EXPECT_EQ(UpdatedMaskText("1.7976931348623157e308", true, 65536), "1.7976931348623157e+308");
}

TEST(MaskValue, AcceptsOnlyWholeNumbersThatFitADword) {
    EXPECT_EQ(MaskValue(""), 0u);
    EXPECT_EQ(MaskValue("no number"), 0u);
    EXPECT_EQ(MaskValue("48"), 48u);
    EXPECT_EQ(MaskValue("1e3"), 1000u);
    EXPECT_EQ(MaskValue("4294967295"), 4294967295u);
    for (const char* text : {"4294967296", "-1", "2.5", "1e12", "1e400"}) {
        EXPECT_THROW(MaskValue(text), RunTimeError) << text;
    }
}

TEST(HexText, IsLowerCaseWithoutLeadingZeros) {
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(HexText(16), "10");
    EXPECT_EQ(HexText(131071), "1ffff");
    EXPECT_EQ(HexText(4294967295u), "ffffffff");
}

}  // namespace
}  // namespace selvaro
