// Hide and show end to end: Drive.reg, the shell's "open", Wine's Registry Editor, HKCU.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/run_time_error.h"
#include "policy/policy_script_win.h"
#include "tests/expected_script.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

// From a directory whose name is not in the ANSI code page.
TEST(PolicyCommands, ShowAndHideSetTheUsersPolicyWhileTheHelpPanelIsHiddenAndClosingDeletesIt) {
    const ScopedRegistryValue policy(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", kUntouched);
    RunningSelvaro selvaro(FreshDirectory(L"\u062f\u0631\u0627\u064a\u0648"));
    std::ofstream(std::filesystem::path(selvaro.script())) << std::string(500, 'x');
    ShowWindow(selvaro.Control("information"), SW_SHOWNA);
    selvaro.Click("Command1");
    selvaro.Click("Command2");
    EXPECT_FALSE(PolicyBecomes(0, 1000));
    EXPECT_EQ(ReadFileBytes(selvaro.script()), std::string(500, 'x'));

    ShowWindow(selvaro.Control("information"), SW_HIDE);
    selvaro.Click("Command2");
    EXPECT_EQ(ReadFileBytes(selvaro.script()), ExpectedScript("0"));
    EXPECT_TRUE(PolicyBecomes(0));
    for (const char* box : {"Check5", "Check6", "Check16"}) selvaro.Click(box);  // E, F and Q
    selvaro.Click("Command1");
    EXPECT_EQ(ReadFileBytes(selvaro.script()), ExpectedScript("10030"));
    EXPECT_TRUE(PolicyBecomes(0x10030));

    Sleep(500);  // let Registry Editor finish reading before the file goes
    selvaro.Close();
    EXPECT_EQ(selvaro.ExitCode(), 0u);
    EXPECT_FALSE(PathExists(selvaro.script()));
}

TEST(PolicyCommands, AScriptThatCannotBeCreatedIsARunTimeError) {
    const ScopedRegistryValue policy(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", kUntouched);
    const std::wstring directory = FreshDirectory();
    CreateDirectoryW((directory + L"\\Drive.reg").c_str(), nullptr);
    RunningSelvaro selvaro(directory);
    selvaro.Click("Command2");
    EXPECT_EQ(selvaro.DismissMessageBox(), L"Run-time error '75':\n\nPath/File access error");
    EXPECT_EQ(selvaro.ExitCode(), 75u);
    EXPECT_FALSE(PolicyBecomes(0, 1000));
}

BOOL WINAPI CloseReportingDiskFull(HANDLE file) {
    CloseHandle(file);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST(PolicyScriptFile, AWriteThatFailsOnlyAtCloseLeavesNoScript) {
    const std::wstring path = FreshDirectory() + L"\\Drive.reg";
    try {
        WritePolicyScript(path, "written whole", CloseReportingDiskFull);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), 61);  // Disk full
    }
    EXPECT_FALSE(PathExists(path));
}

// Without a .reg association the commands are silent; the script they share goes when either
// window unloads, the end of the session unloads a window once only, and a script held open
// elsewhere does not keep a window from closing. They run from as long a directory as a program
// can be started from: with "\Selvaro.exe", its path fills MAX_PATH.
TEST(PolicyScriptFile, IsSharedByTwoCopiesAndDeletedByTheFirstUnload) {
    const ScopedRegistryValue noAssociation(HKEY_CLASSES_ROOT, L".reg", nullptr, L"none");
    std::wstring directory = FreshDirectory();
    directory += L"\\" + std::wstring(MAX_PATH - 14 - directory.size(), L'x');
    CreateDirectoryW(directory.c_str(), nullptr);
    RunningSelvaro first(directory);
    RunningSelvaro second(first.directory());  // on top of the first: click through messages
    SendMessageW(first.Control("Check1"), BM_CLICK, 0, 0);
    SendMessageW(first.Control("Command1"), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFileBytes(first.script()), ExpectedScript("1"));
    SendMessageW(second.Control("Command2"), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFileBytes(first.script()), ExpectedScript("0"));
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
