// The window's opacity, the fade-in of the real window, and the web link through the shell.
#include <gtest/gtest.h>

#include "app/controls.h"
#include "app/module1_win.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

struct Layering {
    LONG exStyle;
    BYTE alpha;
    DWORD flags;
};

Layering LayeringOf(HWND window) {
    Layering layering{GetWindowLongW(window, GWL_EXSTYLE), 0, 0};
    GetLayeredWindowAttributes(window, nullptr, &layering.alpha, &layering.flags);
    return layering;
}

HWND PlainWindow(DWORD exStyle) {
    return CreateWindowExW(exStyle, L"STATIC", L"plain", WS_POPUP | WS_VISIBLE, 10, 10, 100, 50,
                           nullptr, nullptr, nullptr, nullptr);
}

TEST(SetWindowOpacity, AppliesAlphasFrom0To255AndLeavesTheWindowAloneOutsideThem) {
    const HWND window = PlainWindow(0);
    EXPECT_EQ(SetWindowOpacity(window, 0), kOpacityApplied);
    Layering layering = LayeringOf(window);
    EXPECT_TRUE(layering.exStyle & WS_EX_LAYERED);
    EXPECT_EQ(layering.alpha, 0);
    EXPECT_EQ(layering.flags, static_cast<DWORD>(LWA_ALPHA));

    EXPECT_EQ(SetWindowOpacity(window, 255), kOpacityApplied);
    EXPECT_EQ(LayeringOf(window).alpha, 255);
    for (std::int16_t outside : {256, -1}) {
        EXPECT_EQ(SetWindowOpacity(window, outside), kOpacityOutOfRange);
        EXPECT_EQ(LayeringOf(window).alpha, 255);
    }
    DestroyWindow(window);

    const HWND layered = PlainWindow(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    SetLayeredWindowAttributes(layered, 0, 100, LWA_ALPHA);
    EXPECT_EQ(SetWindowOpacity(layered, 50), kOpacityApplied);
    layering = LayeringOf(layered);
    EXPECT_EQ(layering.exStyle & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST),
              WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    EXPECT_EQ(layering.alpha, 50);
    DestroyWindow(layered);
}

TEST(Fade, TheWindowOpensAlmostTransparentAndStaysAt252) {
    RunningSelvaro selvaro;
    EXPECT_LT(selvaro.FirstAlpha(), 128);
    EXPECT_EQ(selvaro.Alpha(), 252);
    Sleep(300);
    EXPECT_EQ(selvaro.Alpha(), 252);
    EXPECT_TRUE(GetWindowLongW(selvaro.form(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

// Points the http handler at the call recorder for as long as it lives.
class RecordedBrowser {
  public:
    RecordedBrowser()
        : directory_(FreshDirectory()),
          handler_(L"http\\shell\\open\\command",
                   L"\"" + directory_ + L"\\call_recorder.exe\" %1") {
        CopyBuiltProgram(L"call_recorder.exe", directory_ + L"\\call_recorder.exe");
    }
    std::string Calls() const { return ReadFileBytes(directory_ + L"\\calls.txt"); }

  private:
    std::wstring directory_;
    ClassesRootDefault handler_;
};

TEST(WebLink, OpensTheMakersAddressOnceFromTheApplicationDirectory) {
    RecordedBrowser browser;
    RunningSelvaro selvaro;
    EXPECT_EQ(selvaro.Text("Label8"), L"selvaro.example");
    selvaro.Click("Label6");
    Sleep(1000);
    EXPECT_EQ(browser.Calls(), "");

    selvaro.Click("Label8");
    const std::string expected = std::string(kWebAddress) + "\n" + Utf8(selvaro.directory()) + "\n";
    EXPECT_TRUE(WaitFor([&] { return !browser.Calls().empty(); }));
    Sleep(1000);
    EXPECT_EQ(browser.Calls(), expected);
    EXPECT_EQ(selvaro.WaitForMessageBox(100), L"");
}

}  // namespace
}  // namespace selvaro::testing
