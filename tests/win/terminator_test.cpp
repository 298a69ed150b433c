// The refresh button ends every explorer.exe, whatever the letter case, and nothing else.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

bool Running(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

// Copies of the idle stand-in under other names, ended when the test is over whatever happened.
class StandIns {
  public:
    ~StandIns() {
        for (HANDLE process : processes_) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
    HANDLE Start(const wchar_t* name) {
        const std::wstring path = FreshDirectory() + L"\\" + name;
        HANDLE process = CopyBuiltProgram(L"idle_process.exe", path) ? StartProgram(path) : nullptr;
        if (process != nullptr) processes_.push_back(process);
        return process;
    }

  private:
    std::vector<HANDLE> processes_;
};

TEST(Refresh, EndsEveryExplorerExeAndLeavesOtherNames) {
    StandIns standIns;
    std::vector<HANDLE> ending, staying;
    for (const wchar_t* name : {L"explorer.exe", L"EXPLORER.EXE"}) {
        ending.push_back(standIns.Start(name));
    }
    for (const wchar_t* name : {L"explorer", L"xexplorer.exe", L"explorer.exe.exe"}) {
        staying.push_back(standIns.Start(name));
    }
    RunningSelvaro selvaro;
    selvaro.Click("Command4");

    for (HANDLE process : ending) {
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process, &code);
        EXPECT_EQ(code, 0u);
    }
    for (HANDLE process : staying) {
        ASSERT_NE(process, nullptr);
        EXPECT_TRUE(Running(process));
    }
    EXPECT_TRUE(Running(selvaro.process()));
    EXPECT_EQ(selvaro.WaitForMessageBox(300), L"");
}

}  // namespace
}  // namespace selvaro::testing
