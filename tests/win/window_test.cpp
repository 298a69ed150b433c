// The real window, driven through the mouse and keyboard.
#include <gtest/gtest.h>

#include <vector>

#include "app/controls.h"
#include "app/twips.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

RECT PlaceInContainer(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

class Window : public ::testing::Test {
  protected:
    RunningSelvaro selvaro;
};

TEST_F(Window, OpensAsAFixedToolWindowWithEveryControlInPlace) {
    const HWND form = selvaro.form();
    wchar_t caption[32] = {};
    GetWindowTextW(form, caption, 32);
    EXPECT_STREQ(caption, L"Selvaro");
    const LONG style = GetWindowLongW(form, GWL_STYLE);
    EXPECT_TRUE(GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU);
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 472);
    EXPECT_EQ(client.bottom, 208);

    for (const ControlSpec& entry : kControls) {
        const HWND control = selvaro.Control(entry.name);
        ASSERT_NE(control, nullptr) << entry.name;
        const HWND container =
            entry.container == kFormName ? form : selvaro.Control(entry.container);
        EXPECT_EQ(GetParent(control), container) << entry.name;
        const RECT place = PlaceInContainer(control);
        EXPECT_EQ(place.left, TwipsToPixels(entry.left, 96)) << entry.name;
        EXPECT_EQ(place.top, TwipsToPixels(entry.top, 96)) << entry.name;
        EXPECT_EQ(place.right - place.left, TwipsToPixels(entry.width, 96)) << entry.name;
        EXPECT_EQ(place.bottom - place.top, TwipsToPixels(entry.height, 96)) << entry.name;
        const bool visibleFlag = GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE;
        EXPECT_EQ(visibleFlag, entry.visible) << entry.name;
    }
    EXPECT_EQ(selvaro.Text("Command1"),
              L"\u0645\u062e\u0641\u064a \u0633\u0627\u0632\u064a "
              L"\u062f\u0631\u0627\u064a\u0648\u0647\u0627");
    EXPECT_EQ(selvaro.Text("Command2"),
              L"\u0646\u0645\u0627\u064a\u0634 \u062f\u0631\u0627\u064a"
              L"\u0648 \u0647\u0627");
    EXPECT_EQ(selvaro.Text("Command4"), L"\u062a\u0627\u0632\u0647 \u0633\u0627\u0632\u064a");
    EXPECT_EQ(selvaro.Text("Command3"), L"About |  Help");
    EXPECT_EQ(selvaro.Text("Check17"), L"Drive P :\\");
}

TEST_F(Window, StartsClearedWithTheFocusOnDriveA) {
    for (const ControlSpec& entry : kControls) {
        if (entry.driveLetter != 0) {
            EXPECT_FALSE(selvaro.Ticked(entry.name)) << entry.name;
        }
    }
    EXPECT_EQ(selvaro.Text("Text1"), L"");
    EXPECT_EQ(selvaro.Text("Text2"), L"\"");
    EXPECT_FALSE(IsWindowVisible(selvaro.Control("information")));
    EXPECT_EQ(selvaro.FocusedControl(), "Check1");
    EXPECT_TRUE(selvaro.WaitForFadeEnd());
}

TEST_F(Window, DriveBoxClicksKeepTheMaskText) {
    selvaro.Click("Check1");
    EXPECT_TRUE(selvaro.Ticked("Check1"));
    EXPECT_EQ(selvaro.Text("Text1"), L"1");
    selvaro.Click("Check3");
    EXPECT_EQ(selvaro.Text("Text1"), L"5");
    selvaro.Click("Check1");
    EXPECT_EQ(selvaro.Text("Text1"), L"4");
    selvaro.Click("Check3");
    EXPECT_EQ(selvaro.Text("Text1"), L"0");
    selvaro.Click("Check17");  // P
    EXPECT_EQ(selvaro.Text("Text1"), L"32768");
    selvaro.Click("Check16");  // Q
    EXPECT_EQ(selvaro.Text("Text1"), L"98304");

    selvaro.TypeInto("Text1", L"1 2abc");
    selvaro.Click("Check1");
    EXPECT_EQ(selvaro.Text("Text1"), L"13");
    selvaro.TypeInto("Text1", L"0");
    selvaro.Click("Check1");
    EXPECT_EQ(selvaro.Text("Text1"), L"-1");
}

TEST_F(Window, TabVisitsDrivesThenTheFieldAndButtonsAndSpaceTicks) {
    std::vector<std::string> visited{selvaro.FocusedControl()};
    for (int press = 0; press < 23; ++press) {
        selvaro.PressKey(VK_TAB);
        visited.push_back(selvaro.FocusedControl());
    }
    const std::vector<std::string> expected{
        "Check1",  "Check2",  "Check3",   "Check4",   "Check5",   "Check6",   "Check7",  "Check8",
        "Check9",  "Check10", "Check11",  "Check12",  "Check13",  "Check14",  "Check15", "Check16",
        "Check17", "Text1",   "Command1", "Command2", "Command3", "Command4", "Check1",  "Check2"};
    EXPECT_EQ(visited, expected);

    selvaro.PressKey(VK_SPACE);  // drive B
    EXPECT_TRUE(selvaro.Ticked("Check2"));
    EXPECT_EQ(selvaro.Text("Text1"), L"2");
    selvaro.PressKey(VK_RETURN);
    selvaro.PressKey(VK_ESCAPE);
    EXPECT_EQ(selvaro.Text("Text1"), L"2");
    for (int press = 0; press < 19; ++press) selvaro.PressKey(VK_TAB);
    ASSERT_EQ(selvaro.FocusedControl(), "Command3");
    selvaro.PressKey(VK_SPACE);
    selvaro.PressKey(VK_RETURN);
    EXPECT_EQ(selvaro.Text("Text1"), L"2");
    EXPECT_EQ(selvaro.WaitForMessageBox(300), L"");
}

TEST_F(Window, ClosesOnAltF4AndEndsTheProcess) {
    selvaro.PressKey(VK_MENU);  // warm the keyboard state
    INPUT inputs[4] = {};
    const WORD keys[4] = {VK_MENU, VK_F4, VK_F4, VK_MENU};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, inputs, sizeof(INPUT));
    ASSERT_TRUE(selvaro.WaitForExit());
    EXPECT_EQ(selvaro.ExitCode(), 0u);
}

TEST_F(Window, AnUntrappedErrorIsReportedOnceAndEndsTheProcess) {
    selvaro.TypeInto("Text1", L"1e999");
    selvaro.Click("Check1");
    EXPECT_EQ(selvaro.WaitForMessageBox(), L"Run-time error '6':\n\nOverflow");
    selvaro.DismissMessageBox();
    ASSERT_TRUE(selvaro.WaitForExit());
    EXPECT_EQ(selvaro.ExitCode(), 6u);
}

}  // namespace
}  // namespace selvaro::testing
