#include "shell/image_name.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

namespace selvaro {
namespace {

std::string AsciiLowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Matches(const char* entryName) {
    return SameImageName(entryName, "explorer.exe", AsciiLowerCase);
}

TEST(ImageName, MatchesTheWholeNameInAnyLetterCase) {
    EXPECT_TRUE(Matches("explorer.exe"));
    EXPECT_TRUE(Matches("EXPLORER.EXE"));
    EXPECT_TRUE(Matches("Explorer.Exe"));
    for (const char* other : {"explorer.exe ", " explorer.exe", "explorer", "xexplorer.exe",
                              "explorer.exe.exe", "C:\\windows\\explorer.exe", "explorer.ex", ""}) {
        EXPECT_FALSE(Matches(other)) << other;
    }
}

TEST(ImageName, EntryNameEndsAtTheFirstNul) {
    char field[260];
    std::memset(field, 'x', sizeof field);
    std::strcpy(field, "a-much-longer-earlier-name.exe");
    std::strcpy(field, "explorer.exe");  // leaves the earlier name's tail behind the NUL
    EXPECT_EQ(EntryName(field, sizeof field), "explorer.exe");
    EXPECT_TRUE(Matches(std::string(EntryName(field, sizeof field)).c_str()));

    std::memset(field, 'x', sizeof field);
    EXPECT_EQ(EntryName(field, sizeof field).size(), 260u);
}

}  // namespace
}  // namespace selvaro
