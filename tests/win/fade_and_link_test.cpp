// The window's opacity, and the web link through the shell.
#include <gtest/gtest.h>

#include <objbase.h>

#include "app/controls.h"
#include "app/module1_win.h"
#include "base/shell_execute_win.h"
#include "base/text_win.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

BYTE AlphaOf(HWND window) {
    BYTE alpha = 0;
    GetLayeredWindowAttributes(window, nullptr, &alpha, nullptr);
    return alpha;
}

TEST(SetWindowOpacity, AppliesAlphasFrom0To255AndKeepsTheOtherStyles) {
    constexpr LONG kStyles = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_LAYERED;
    const HWND window = CreateWindowExW(kStyles & ~WS_EX_LAYERED, L"STATIC", L"", WS_POPUP, 0, 0, 9,
                                        9, nullptr, nullptr, nullptr, nullptr);
    for (std::int16_t alpha : {0, 255, 100}) {
        EXPECT_EQ(SetWindowOpacity(window, alpha), kOpacityApplied);
        EXPECT_EQ(AlphaOf(window), alpha);
        EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & kStyles, kStyles);
    }
    for (std::int16_t outside : {256, -1})
        EXPECT_EQ(SetWindowOpacity(window, outside), kOpacityOutOfRange);
    EXPECT_EQ(AlphaOf(window), 100);
    DestroyWindow(window);
}

// Points the http handler at the stand-in, which records how it was started, while it lives.
class RecordedBrowser {
  public:
    RecordedBrowser()
        : directory_(FreshDirectory()),
          handler_(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", nullptr,
                   L"\"" + directory_ + L"\\stand_in.exe\" %1") {
        CopyBuiltProgram(L"stand_in.exe", directory_ + L"\\stand_in.exe");
    }
    std::string Calls() const {
        WaitFor([&] { return !ReadFileBytes(directory_ + L"\\calls.txt").empty(); }, 5000);
        Sleep(500);
        return ReadFileBytes(directory_ + L"\\calls.txt");
    }

  private:
    std::wstring directory_;
    ScopedRegistryValue handler_;
};

TEST(WebLink, OpensTheMakersAddressOnceFromTheApplicationDirectory) {
    RecordedBrowser browser;
    RunningSelvaro selvaro;
    selvaro.Click("Label6");
    selvaro.Click("Label8");
    EXPECT_EQ(browser.Calls(),
              std::string(kWebAddress) + "\n" + NarrowToAnsi(selvaro.directory()) + "\n");
    EXPECT_EQ(selvaro.MessageBoxCount(), 0);
}

TEST(WebLink, TheShellIsCalledFromASingleThreadedApartment) {
    RecordedBrowser browser;
    CallShellExecute(nullptr, L"Open", L"http://selvaro.example", L"", L"", SW_SHOWNORMAL);
    EXPECT_NE(browser.Calls(), "");
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

}  // namespace
}  // namespace selvaro::testing
