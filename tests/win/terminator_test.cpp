// The refresh button ends every explorer.exe of the user's session, whatever the letter case of
// its name, and nothing else: the names are compared whole, by the system's lower-case mapping.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

// Ends every explorer.exe, Wine's own among them: it runs alone, after the other tests.
TEST(Refresh, EndsEveryExplorerExeOfTheSessionAndLeavesOtherNames) {
    // A copy of Selvaro waits for its user under each name; minimized, it stays out of the way of
    // the clicks.
    // clang-format off
    std::vector<std::pair<HANDLE, DWORD>> standIns;  // the process, and the exit code it must have
    for (const auto& [name, ends] : {std::pair{L"explorer.exe", true}, {L"EXPLORER.EXE", true},
                                     {L"explorer", false}, {L"xexplorer.exe", false}, {L"explorer.exe.exe", false}}) {
        // clang-format on
        const std::wstring path = FreshDirectory() + L"\\" + name;
        CopyBuiltProgram(L"Selvaro.exe", path);
        standIns.emplace_back(StartProgram(path, SW_SHOWMINNOACTIVE), ends ? 0 : STILL_ACTIVE);
    }
    RunningSelvaro selvaro;
    selvaro.Click("Command4");
    for (const auto& [process, code] : standIns) {
        DWORD exitCode = 1;
        WaitForSingleObject(process, code == 0 ? 5000 : 0);
        EXPECT_TRUE(GetExitCodeProcess(process, &exitCode) && exitCode == code) << exitCode;
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
    EXPECT_EQ(selvaro.ExitCode(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(selvaro.MessageBoxCount(), 0);
}

}  // namespace
}  // namespace selvaro::testing
