// Hide and show end to end: Drive.reg, the shell's "open", Wine's Registry Editor, HKCU.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/run_time_error.h"
#include "policy/policy_script.h"
#include "policy/policy_script_win.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

constexpr DWORD kUntouched = 0x5A5;  // stands in the policy before each test
const std::string kShowScript = PolicyScriptText("\"", "0");

bool PolicyBecomes(DWORD value) {
    return WaitFor([&] { return NoDrivesPolicy() == value; });
}

TEST(PolicyCommands, ShowThenHideSetTheUsersPolicyAndClosingDeletesTheScript) {
    SetNoDrivesPolicy(kUntouched);
    RunningSelvaro selvaro;
    std::ofstream(std::filesystem::path(selvaro.script())) << std::string(500, 'x');
    selvaro.Click("Command2");
    EXPECT_EQ(ReadFileBytes(selvaro.script()), kShowScript);
    EXPECT_TRUE(PolicyBecomes(0));
    selvaro.Click("Check5");  // E
    selvaro.Click("Check6");  // F
    selvaro.Click("Command1");
    EXPECT_EQ(ReadFileBytes(selvaro.script()), PolicyScriptText("\"", "30"));
    EXPECT_TRUE(PolicyBecomes(0x30));

    Sleep(500);  // let Registry Editor finish reading before the file goes
    selvaro.Close();
    EXPECT_EQ(selvaro.ExitCode(), 0u);
    EXPECT_FALSE(PathExists(selvaro.script()));
}

TEST(PolicyCommands, ActOnlyWhileTheHelpPanelIsHiddenAndFromAnyDirectory) {
    SetNoDrivesPolicy(kUntouched);
    RunningSelvaro selvaro(FreshDirectory(L"\u062f\u0631\u0627\u064a\u0648"));
    ShowWindow(selvaro.Control("information"), SW_SHOWNA);
    selvaro.Click("Command1");
    selvaro.Click("Command2");
    Sleep(500);
    EXPECT_FALSE(PathExists(selvaro.script()));
    EXPECT_EQ(NoDrivesPolicy(), kUntouched);

    ShowWindow(selvaro.Control("information"), SW_HIDE);
    selvaro.Click("Check1");
    selvaro.Click("Command1");
    EXPECT_EQ(ReadFileBytes(selvaro.script()), PolicyScriptText("\"", "1"));
    EXPECT_TRUE(PolicyBecomes(1));
}

TEST(PolicyCommands, AScriptThatCannotBeCreatedIsARunTimeError) {
    SetNoDrivesPolicy(kUntouched);
    const std::wstring directory = FreshDirectory();
    CreateDirectoryW((directory + L"\\Drive.reg").c_str(), nullptr);
    RunningSelvaro selvaro(directory);
    selvaro.Click("Command2");
    EXPECT_EQ(selvaro.DismissMessageBox(), L"Run-time error '75':\n\nPath/File access error");
    EXPECT_EQ(selvaro.ExitCode(), 75u);
    Sleep(500);
    EXPECT_EQ(NoDrivesPolicy(), kUntouched);
}

BOOL WINAPI CloseReportingDiskFull(HANDLE file) {
    CloseHandle(file);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST(PolicyScriptFile, AWriteThatFailsOnlyAtCloseLeavesNoScript) {
    const std::wstring path = FreshDirectory() + L"\\Drive.reg";
    WritePolicyScript(path, kShowScript);
    EXPECT_EQ(ReadFileBytes(path), kShowScript);
    int number = 0;
    try {
        WritePolicyScript(path, kShowScript, CloseReportingDiskFull);
    } catch (const RunTimeError& error) {
        number = error.number();
    }
    EXPECT_EQ(number, 61);  // Disk full
    EXPECT_FALSE(PathExists(path));
}

// Without a .reg association the commands are silent; the script they share goes when either
// window unloads, the end of the session unloads a window once only, and a script held open
// elsewhere does not keep a window from closing.
TEST(PolicyScriptFile, IsSharedByTwoCopiesAndDeletedByTheFirstUnload) {
    const ScopedRegistryValue noAssociation(HKEY_CLASSES_ROOT, L".reg", nullptr, L"none");
    RunningSelvaro first;
    RunningSelvaro second(first.directory());  // on top of the first: click through messages
    SendMessageW(first.Control("Check1"), BM_CLICK, 0, 0);
    SendMessageW(first.Control("Command1"), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFileBytes(first.script()), PolicyScriptText("\"", "1"));
    SendMessageW(second.Control("Command2"), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFileBytes(first.script()), kShowScript);
    EXPECT_EQ(SendMessageW(second.form(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(second.form(), WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(PathExists(first.script()));
    std::ofstream(std::filesystem::path(first.script())) << "put back";
    second.Close();
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_EQ(ReadFileBytes(first.script()), "put back");
    EXPECT_EQ(first.MessageBoxCount(), 0);
    const HANDLE held =
        CreateFileW(first.script().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    first.Close();
    EXPECT_EQ(first.ExitCode(), 0u);
    CloseHandle(held);
}

}  // namespace
}  // namespace selvaro::testing
