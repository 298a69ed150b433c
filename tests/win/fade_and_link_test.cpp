// The web link, through the shell.
#include <gtest/gtest.h>

#include <objbase.h>

#include "app/controls.h"
#include "base/shell_execute_win.h"
#include "base/text_win.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

TEST(WebLink, OpensTheMakersAddressOnceFromTheApplicationDirectoryInAnApartment) {
    const RecordedBrowser browser;
    RunningSelvaro selvaro;
    selvaro.Click("Label6");
    selvaro.Click("Label8");
    EXPECT_EQ(RecordedBrowser::Calls(selvaro.directory()),
              std::string(kWebAddress) + "\r\n" + NarrowToAnsi(selvaro.directory()) + "\r\n");
    EXPECT_EQ(selvaro.MessageBoxCount(), 0);

    // The shell is called from a single-threaded apartment, which the first call sets up.
    CallShellExecute(nullptr, L"Open", L"http://selvaro.example", L"", selvaro.directory().c_str(),
                     SW_SHOWNORMAL);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

}  // namespace
}  // namespace selvaro::testing
