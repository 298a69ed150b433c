// The refresh button ends every explorer.exe of the user's session, whatever the letter case,
// and nothing else.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shell/image_name.h"
#include "shell/terminator_win.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

bool Matches(std::string_view entryName) {
    return SameImageName(entryName, "explorer.exe", LowerCaseAnsi);
}

TEST(ImageName, IsTheWholeNameBeforeTheNulLowerCasedByTheSystem) {
    for (const char* same : {"explorer.exe", "EXPLORER.EXE", "Explorer.Exe"})
        EXPECT_TRUE(Matches(same));
    for (const char* other : {"explorer.exe ", " explorer.exe", "explorer", "xexplorer.exe",
                              "explorer.exe.exe", "C:\\windows\\explorer.exe", ""}) {
        EXPECT_FALSE(Matches(other)) << other;
    }
    // Beyond ASCII as the system's code page has it: E with an acute accent in code page 1252.
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_TRUE(SameImageName("\xC9xplorer.exe", "\xE9XPLORER.EXE", LowerCaseAnsi));

    char field[260];
    std::strcpy(field, "a-much-longer-earlier-name.exe");
    std::strcpy(field, "explorer.exe");  // leaves the earlier name's tail behind the NUL
    EXPECT_TRUE(Matches(EntryName(field, sizeof field)));
}

// Ends every explorer.exe, Wine's own among them: it runs alone, after the other tests.
TEST(Refresh, EndsEveryExplorerExeOfTheSessionAndLeavesOtherNames) {
    std::vector<std::pair<HANDLE, bool>> standIns;  // the process, and whether it must end
    for (const auto& [name, ends] : {std::pair{L"explorer.exe", true},
                                     {L"EXPLORER.EXE", true},
                                     {L"explorer", false},
                                     {L"xexplorer.exe", false},
                                     {L"explorer.exe.exe", false}}) {
        const std::wstring path = FreshDirectory() + L"\\" + name;
        CopyBuiltProgram(L"Selvaro.exe", path);  // it waits for its user
        standIns.emplace_back(StartProgram(path), ends);
        ASSERT_NE(standIns.back().first, nullptr);
    }
    RunningSelvaro selvaro;
    selvaro.Click("Command4");
    for (const auto& [process, ends] : standIns) {
        DWORD code = 1;
        EXPECT_EQ(WaitForSingleObject(process, ends ? 5000 : 0),
                  static_cast<DWORD>(ends ? WAIT_OBJECT_0 : WAIT_TIMEOUT));
        EXPECT_TRUE(GetExitCodeProcess(process, &code) && code == (ends ? 0 : STILL_ACTIVE));
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
    EXPECT_EQ(WaitForSingleObject(selvaro.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(selvaro.MessageBoxCount(), 0);
}

}  // namespace
}  // namespace selvaro::testing
