#include <gtest/gtest.h>

#include "base/run_time_error.h"
#include "policy/commands.h"

namespace selvaro {
namespace {

const std::string kLines =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]\r\n";

std::optional<std::string> Click(PolicyCommand command, const char* mask,
                                 bool panelVisible = false) {
    return PolicyScriptForClick(command, {panelVisible, mask, "\""});
}

TEST(PolicyCommands, ShowWritesZeroWhateverTheMaskHolds) {
    const std::string show = kLines + "\"NoDrives\"=dword:0\r\n";
    EXPECT_EQ(show.size(), 141u);
    for (const char* mask : {"", "48", "-1", "1e400"})
        EXPECT_EQ(Click(PolicyCommand::Show, mask), show);
}

TEST(PolicyCommands, HideWritesTheMaskInHexadecimalOrRefusesIt) {
    for (const auto& [mask, value] : {std::pair{"16", "10"},
                                      {"48", "30"},
                                      {"131071", "1ffff"},
                                      {"65536", "10000"},
                                      {"", "0"}}) {
        EXPECT_EQ(Click(PolicyCommand::Hide, mask),
                  kLines + "\"NoDrives\"=dword:" + value + "\r\n");
    }
    try {
        Click(PolicyCommand::Hide, "-1");
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), 6);
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
