// The refresh button ends every explorer.exe of the user's session, whatever the letter case of
// its name, and nothing else: the names are compared whole, by the system's lower-case mapping.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

// Ends every explorer.exe, Wine's own among them: it runs alone, after the other tests.
TEST(Refresh, EndsEveryExplorerExeOfTheSessionAndLeavesOtherNames) {
    // clang-format off
    std::vector<std::pair<HANDLE, bool>> standIns;  // the process, and whether it must end
    for (const auto& [name, ends] : {std::pair{L"explorer.exe", true}, {L"EXPLORER.EXE", true},
                                     {L"explorer", false}, {L"xexplorer.exe", false}, {L"explorer.exe.exe", false}}) {
        // clang-format on
        const std::wstring path = FreshDirectory() + L"\\" + name;
        // A copy of Selvaro waits for its user; minimized, it stays out of the way of the clicks.
        CopyBuiltProgram(L"Selvaro.exe", path);
        standIns.emplace_back(StartProgram(path, SW_SHOWMINNOACTIVE), ends);
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
    EXPECT_EQ(selvaro.ExitCode(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(selvaro.MessageBoxCount(), 0);
}

}  // namespace
}  // namespace selvaro::testing
