#include "policy/policy_script.h"

#include <gtest/gtest.h>

#include "policy/drive_mask.h"

namespace selvaro {
namespace {

std::string ScriptForMask(const char* maskText) {
    return PolicyScriptText("\"", HexText(MaskValue(maskText)));
}

TEST(PolicyScriptText, IsFourCrLfLinesOfPlainAscii) {
    const std::string show = PolicyScriptText("\"", "0");
    EXPECT_EQ(
        show,
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]\r\n"
        "\"NoDrives\"=dword:0\r\n");
    EXPECT_EQ(show.size(), 141u);
    for (char c : show) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(PolicyScriptText, EndsWithTheMaskInHexadecimal) {
    const std::string prefix = PolicyScriptText("\"", "");
    const auto valueOf = [&](const char* mask) {
        return ScriptForMask(mask).substr(prefix.size() - 2);
    };
    EXPECT_EQ(valueOf("16"), "10\r\n");
    EXPECT_EQ(valueOf("48"), "30\r\n");
    EXPECT_EQ(valueOf("131071"), "1ffff\r\n");
    EXPECT_EQ(valueOf("65536"), "10000\r\n");
    EXPECT_EQ(valueOf(""), "0\r\n");
    EXPECT_EQ(ScriptForMask("131071").size(), 145u);
}

}  // namespace
}  // namespace selvaro
