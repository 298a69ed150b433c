// Hide and show end to end: Drive.reg, the shell's "open", Wine's Registry Editor, HKCU.
#include <gtest/gtest.h>

#include "policy/policy_script.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

constexpr DWORD kUntouched = 0x5A5;  // stands in the policy before each test

class PolicyCommands : public ::testing::Test {
  protected:
    void SetUp() override { SetNoDrivesPolicy(kUntouched); }

    static bool PolicyBecomes(DWORD value) {
        return WaitFor([&] { return NoDrivesPolicy() == value; });
    }
    // A run-time error message, then the end of the process; the policy is left alone.
    static void ExpectRunTimeError(const RunningSelvaro& selvaro, const wchar_t* message,
                                   DWORD number) {
        EXPECT_EQ(selvaro.WaitForMessageBox(), message);
        selvaro.DismissMessageBox();
        ASSERT_TRUE(selvaro.WaitForExit());
        EXPECT_EQ(selvaro.ExitCode(), number);
        Sleep(500);
        EXPECT_EQ(NoDrivesPolicy(), kUntouched);
    }
};

TEST_F(PolicyCommands, ShowThenHideSetTheUsersPolicyAndClosingDeletesTheScript) {
    RunningSelvaro selvaro;
    const std::wstring script = selvaro.directory() + L"\\Drive.reg";
    {
        HANDLE longer =
            CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(longer, std::string(500, 'x').data(), 500, &written, nullptr);
        CloseHandle(longer);
    }
    selvaro.Click("Command2");
    EXPECT_EQ(ReadFileBytes(script), PolicyScriptText("\"", "0"));
    EXPECT_TRUE(PolicyBecomes(0));

    selvaro.Click("Check5");  // E
    selvaro.Click("Check6");  // F
    ASSERT_EQ(selvaro.Text("Text1"), L"48");
    selvaro.Click("Command1");
    EXPECT_EQ(ReadFileBytes(script), PolicyScriptText("\"", "30"));
    EXPECT_TRUE(PolicyBecomes(0x30));

    selvaro.Click("Command2");
    EXPECT_EQ(ReadFileBytes(script).size(), 141u);
    EXPECT_TRUE(PolicyBecomes(0));
    Sleep(500);  // let Registry Editor finish reading before the file goes
    selvaro.Close();
    ASSERT_TRUE(selvaro.WaitForExit());
    EXPECT_EQ(selvaro.ExitCode(), 0u);
    EXPECT_FALSE(PathExists(script));
}

TEST_F(PolicyCommands, DoNothingWhileTheHelpPanelIsVisible) {
    RunningSelvaro selvaro;
    ShowWindow(selvaro.Control("information"), SW_SHOWNA);
    selvaro.Click("Command1");
    selvaro.Click("Command2");
    Sleep(500);
    EXPECT_FALSE(PathExists(selvaro.directory() + L"\\Drive.reg"));
    EXPECT_EQ(NoDrivesPolicy(), kUntouched);
}

TEST_F(PolicyCommands, TheEndOfTheSessionUnloadsTheWindowOnce) {
    RunningSelvaro selvaro;
    const std::wstring script = selvaro.directory() + L"\\Drive.reg";
    selvaro.Click("Command2");
    ASSERT_TRUE(PolicyBecomes(0));
    EXPECT_EQ(SendMessageW(selvaro.form(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(selvaro.form(), WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(PathExists(script));
    // A second close must not unload again: a script put back by hand stays.
    CloseHandle(CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    selvaro.Close();
    EXPECT_TRUE(selvaro.WaitForExit());
    EXPECT_TRUE(PathExists(script));
}

TEST_F(PolicyCommands, WorkInADirectoryNamedInPersianLetters) {
    RunningSelvaro selvaro(FreshDirectory(L"\u062f\u0631\u0627\u064a\u0648"));
    selvaro.Click("Check1");
    selvaro.Click("Command1");
    EXPECT_EQ(ReadFileBytes(selvaro.directory() + L"\\Drive.reg"), PolicyScriptText("\"", "1"));
    EXPECT_TRUE(PolicyBecomes(1));
}

TEST_F(PolicyCommands, AScriptThatCannotBeCreatedIsARunTimeError) {
    const std::wstring directory = FreshDirectory();
    CreateDirectoryW((directory + L"\\Drive.reg").c_str(), nullptr);
    RunningSelvaro selvaro(directory);
    selvaro.Click("Command2");
    ExpectRunTimeError(selvaro, L"Run-time error '75':\n\nPath/File access error", 75);
    EXPECT_TRUE(GetFileAttributesW((directory + L"\\Drive.reg").c_str()) &
                FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(PolicyCommands, AMaskThatIsNoDwordIsRefusedBeforeAnythingIsWritten) {
    RunningSelvaro selvaro;
    selvaro.Click("Check1");
    selvaro.TypeInto("Text1", L"0");
    selvaro.Click("Check1");
    ASSERT_EQ(selvaro.Text("Text1"), L"-1");
    selvaro.Click("Command1");
    ExpectRunTimeError(selvaro, L"Run-time error '6':\n\nOverflow", 6);
    EXPECT_FALSE(PathExists(selvaro.directory() + L"\\Drive.reg"));
}

}  // namespace
}  // namespace selvaro::testing
