// Faults around the script file and the shell, and long runs of clicks.
#include <gtest/gtest.h>

#include <vector>

#include "app/controls.h"
#include "policy/policy_script.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

const std::string kShowScript = PolicyScriptText("\"", "0");

// Wine counts no GDI or USER objects (it answers 0); the kernel handles it does count.
struct ObjectCounts {
    DWORD gdi, user;
    unsigned handles;
    bool operator==(const ObjectCounts& other) const {
        return gdi == other.gdi && user == other.user && handles == other.handles;
    }
};

ObjectCounts ObjectCountsOf(HANDLE process) {
    return {GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS),
            KernelHandleCountOf(GetProcessId(process)).value_or(0)};
}

// A click straight through the control's own message, for runs too long for the mouse.
void QuickClick(const RunningSelvaro& selvaro, std::string_view name) {
    SendMessageW(selvaro.Control(name), BM_CLICK, 0, 0);
}

// Points .reg files at no program for as long as it lives.
ClassesRootDefault NoRegAssociation() {
    return ClassesRootDefault(L".reg", L"selvaro.no-such-class");
}

std::vector<std::wstring> FilesIn(const std::wstring& directory) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    }
    FindClose(search);
    return names;
}

TEST(Faults, AScriptHeldOpenByAnotherProcessDoesNotKeepTheWindowFromClosing) {
    const auto noAssociation = NoRegAssociation();
    RunningSelvaro selvaro;
    selvaro.Click("Command2");
    const std::wstring script = selvaro.directory() + L"\\Drive.reg";
    HANDLE held = CreateFileW(script.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    selvaro.Close();
    EXPECT_TRUE(selvaro.WaitForExit());
    EXPECT_EQ(selvaro.ExitCode(), 0u);
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(script), kShowScript);
}

TEST(Faults, WithoutAnAssociationHideAndShowAreSilentAndTheWindowKeepsWorking) {
    const auto noAssociation = NoRegAssociation();
    SetNoDrivesPolicy(7);
    RunningSelvaro selvaro;
    selvaro.Click("Check2");
    selvaro.Click("Command1");
    selvaro.Click("Command2");
    EXPECT_EQ(ReadFileBytes(selvaro.directory() + L"\\Drive.reg"), kShowScript);
    selvaro.Click("Check3");
    EXPECT_EQ(selvaro.Text("Text1"), L"6");
    EXPECT_EQ(selvaro.WaitForMessageBox(500), L"");
    EXPECT_EQ(NoDrivesPolicy(), 7u);
}

TEST(Faults, TwoCopiesInOneDirectoryShareTheOneScript) {
    const auto noAssociation = NoRegAssociation();
    RunningSelvaro first;
    RunningSelvaro second(
        first.directory());  // on top of the first: click each through its controls
    const std::wstring script = first.directory() + L"\\Drive.reg";
    QuickClick(first, "Check1");
    QuickClick(first, "Command1");
    EXPECT_EQ(ReadFileBytes(script), PolicyScriptText("\"", "1"));
    QuickClick(second, "Command2");
    EXPECT_EQ(ReadFileBytes(script), kShowScript);
    second.Close();
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_FALSE(PathExists(script));
    QuickClick(first, "Command1");
    EXPECT_EQ(ReadFileBytes(script), PolicyScriptText("\"", "1"));
    first.Close();
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_FALSE(PathExists(script));
}

TEST(Load, TenThousandDriveBoxClicksKeepTheMaskExactAndNoObjectsGrow) {
    RunningSelvaro selvaro;
    const ObjectCounts before = ObjectCountsOf(selvaro.process());
    ASSERT_GT(before.handles, 0u);
    std::vector<std::string_view> boxes;
    for (const ControlSpec& entry : kControls) {
        if (entry.driveLetter != 0) boxes.push_back(entry.name);
    }
    for (int click = 0; click < 10000; ++click) QuickClick(selvaro, boxes[click % boxes.size()]);
    // 10000 = 17 * 588 + 4: the first four boxes, A to D, stay ticked.
    EXPECT_EQ(selvaro.Text("Text1"), L"15");
    EXPECT_EQ(ObjectCountsOf(selvaro.process()), before);
}

TEST(Load, QuickAlternatingHideAndShowAlwaysLeaveOneWholeScript) {
    const auto noAssociation = NoRegAssociation();
    RunningSelvaro selvaro;
    selvaro.Click("Check5");
    const std::string hideScript = PolicyScriptText("\"", "10");
    const std::wstring script = selvaro.directory() + L"\\Drive.reg";
    QuickClick(selvaro, "Command2");  // the shell sets itself up at its first use
    const ObjectCounts before = ObjectCountsOf(selvaro.process());
    int whole = 0;
    for (int pair = 0; pair < 250; ++pair) {
        QuickClick(selvaro, "Command1");
        whole += ReadFileBytes(script) == hideScript;
        QuickClick(selvaro, "Command2");
        whole += ReadFileBytes(script) == kShowScript;
    }
    EXPECT_EQ(whole, 500);
    EXPECT_EQ(FilesIn(selvaro.directory()),
              (std::vector<std::wstring>{L"Drive.reg", L"Selvaro.exe"}));
    EXPECT_EQ(ObjectCountsOf(selvaro.process()), before);
}

}  // namespace
}  // namespace selvaro::testing
