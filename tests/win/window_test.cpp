// The real window, driven through the mouse and keyboard: its look, its keys, its errors, the web
// link and the refresh button.
#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <map>
#include <vector>

#include "app/controls.h"
#include "base/shell_execute_win.h"
#include "base/text_win.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

// left, top, width and height in the container's client area.
using Place = std::vector<long>;

std::map<std::string_view, Place> Places(const RunningSelvaro& selvaro) {
    std::map<std::string_view, Place> places;
    RECT area;
    GetClientRect(selvaro.form(), &area);
    places["Form1"] = {0, 0, area.right, area.bottom};
    for (const ControlSpec& entry : kControls) {
        const HWND control = selvaro.Control(entry.name);
        GetWindowRect(control, &area);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&area), 2);
        places[entry.name] = {area.left, area.top, area.right - area.left, area.bottom - area.top};
    }
    return places;
}

// The rows of a control in which the screen shows ink, from the given column on: pixels with less
// than half of full red, which neither the white face nor the light-grey one has.
int InkRows(HWND control, int fromColumn = 0) {
    RECT area;
    GetWindowRect(control, &area);
    const HDC screen = GetDC(nullptr);
    int rows = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        int x = area.left + fromColumn;
        while (x < area.right && GetRValue(GetPixel(screen, x, y)) >= 128) ++x;
        rows += x < area.right;
    }
    ReleaseDC(nullptr, screen);
    return rows;
}

TEST(Window, OpensWithItsControlsInPlaceAndInTabOrderAndOnlyDriveKeysAct) {
    RunningSelvaro selvaro;
    EXPECT_EQ(selvaro.firstAlpha(), 1);  // Load and Activate, before the fade's first tick
    EXPECT_EQ(selvaro.Alpha(), 252);
    EXPECT_TRUE(GetWindowLongW(selvaro.form(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongW(selvaro.form(), GWL_STYLE) &
                 (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    // At 96 DPI, 15 twips to the pixel. First the drive boxes in tab order, in rows of five.
    // clang-format off
    const std::pair<std::string_view, Place> expected[] = {
        {"Check1", {16, 16, 97, 17}}, {"Check2", {104, 16, 97, 17}}, {"Check3", {200, 16, 97, 17}},
        {"Check4", {288, 16, 97, 17}}, {"Check5", {376, 16, 97, 17}}, {"Check6", {16, 48, 97, 17}},
        {"Check7", {104, 48, 97, 17}}, {"Check8", {200, 48, 97, 17}}, {"Check9", {288, 48, 97, 17}},
        {"Check10", {376, 48, 97, 17}}, {"Check11", {16, 80, 97, 17}}, {"Check12", {104, 80, 97, 17}},
        {"Check13", {200, 80, 97, 17}}, {"Check14", {288, 80, 83, 17}}, {"Check15", {376, 80, 97, 17}},
        {"Check16", {104, 112, 97, 17}}, {"Check17", {16, 112, 97, 17}}, {"Form1", {0, 0, 472, 208}},
        {"Command1", {6, 164, 137, 33}}, {"Command4", {238, 164, 107, 33}}, {"Label8", {352, 144, 95, 17}},
        {"Text1", {170, 320, 273, 19}}, {"information", {464, 236, 473, 145}}, {"Frame2", {224, 8, 241, 129}}};
    // clang-format on
    const auto places = Places(selvaro);
    for (const auto& [name, place] : expected) EXPECT_EQ(places.at(name), place) << name;
    for (std::size_t box = 0; box < 17; ++box) {
        const std::wstring letter(1, L"ABCDEFGHIJKLMNOQP"[box]);
        EXPECT_EQ(selvaro.Text(expected[box].first), L"Drive " + letter + L" :\\");
    }
    // The captions' height in ink: drive B's after its check square, and the web link's.
    EXPECT_EQ(std::pair(InkRows(selvaro.Control("Check2"), 32), InkRows(selvaro.Control("Label8"))),
              std::pair(12, 11));
    EXPECT_EQ(GetParent(selvaro.Control("Label7")), selvaro.Control("Frame2"));

    EXPECT_EQ(selvaro.Text("Command1"),
              L"\u0645\u062e\u0641\u064a \u0633\u0627\u0632\u064a "
              L"\u062f\u0631\u0627\u064a\u0648\u0647\u0627");
    EXPECT_EQ(selvaro.Text("Text1") + selvaro.Text("Text2"), L"\"");
    EXPECT_EQ(selvaro.FocusedControl(), "Check1");

    std::string visited = selvaro.FocusedControl();
    for (int press = 0; press < 23; ++press) {
        selvaro.PressKeys({VK_TAB});
        visited.append(" ").append(selvaro.FocusedControl());
    }
    EXPECT_EQ(visited,  // drives A to O, then Q, P, the mask field and the buttons, and round again
              "Check1 Check2 Check3 Check4 Check5 Check6 Check7 Check8 Check9 Check10 Check11 "
              "Check12 Check13 Check14 Check15 Check16 Check17 Text1 Command1 Command2 Command3 "
              "Command4 Check1 Check2");

    selvaro.PressKeys({VK_SPACE});  // drive B; then About, Enter and Escape, which do nothing
    selvaro.Click("Command3");
    for (WORD key : {VK_SPACE, VK_RETURN, VK_ESCAPE}) selvaro.PressKeys({key});
    EXPECT_EQ(selvaro.Text("Text1") + std::to_wstring(selvaro.MessageBoxCount()), L"20");
    EXPECT_FALSE(PathExists(selvaro.script()) || IsWindowVisible(selvaro.Control("information")) ||
                 IsWindowVisible(selvaro.Control("Text2")));
    selvaro.PressKeys({VK_MENU, VK_F4});
    EXPECT_EQ(selvaro.ExitCode(), 0u);
}

// The box around the dark pixels of a width by height part of what dc shows, from (x, y).
RECT InkBox(HDC dc, int x, int y, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC copy = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, dc, x, y, SRCCOPY);
    RECT ink{width, height, 0, 0};
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const auto* pixel = static_cast<const BYTE*>(bits) + (row * width + column) * 4;
            if (pixel[0] + pixel[1] + pixel[2] >= 3 * 160) continue;
            ink = {std::min<LONG>(ink.left, column), std::min<LONG>(ink.top, row),
                   std::max<LONG>(ink.right, column + 1), std::max<LONG>(ink.bottom, row + 1)};
        }
    }
    SelectObject(copy, old);
    DeleteDC(copy);
    DeleteObject(bitmap);
    return ink;
}

// The size of text's ink in a font of the given pixel height, weight and face.
SIZE InkOfText(const std::wstring& text, int height, int weight, const wchar_t* face) {
    const HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 400, 60);
    const HFONT font = CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, 178, 0, 0, 0, 0, face);
    const HGDIOBJ oldBitmap = SelectObject(dc, bitmap), oldFont = SelectObject(dc, font);
    PatBlt(dc, 0, 0, 400, 60, WHITENESS);
    TextOutW(dc, 4, 4, text.c_str(), static_cast<int>(text.size()));
    const RECT ink = InkBox(dc, 0, 0, 400, 60);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return {ink.right - ink.left, ink.bottom - ink.top};
}

// Run by at_dpi.sh with the screen at 144 DPI: a tenth of a pixel to the twip.
TEST(WindowAt144Dpi, ScalesPlacesAndFontsAndShowsEveryCaptionWhole) {
    const HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 144) << "run through tests/win/at_dpi.sh";
    RunningSelvaro selvaro;
    const std::map<std::string_view, Place> expected{
        {"Form1", {0, 0, 708, 312}},           {"Check1", {24, 24, 146, 26}},
        {"Check14", {432, 120, 125, 26}},      {"Check17", {24, 168, 146, 26}},
        {"Command1", {9, 246, 206, 50}},       {"Command4", {357, 246, 161, 50}},
        {"Label8", {528, 216, 143, 26}},       {"Text1", {255, 480, 410, 29}},
        {"information", {696, 354, 710, 218}}, {"Frame2", {336, 12, 362, 194}}};
    const auto places = Places(selvaro);
    for (const auto& [name, place] : expected) EXPECT_EQ(places.at(name), place) << name;

    // What the screen shows of each caption, right of any check square, against the caption
    // drawn here in its font at 144 DPI: 9.75 point is 20 pixels, 8.25 point 17.
    struct Caption {
        std::string name;
        int fontHeight, weight;
    };
    std::vector<Caption> captions{{"Label8", -17, FW_NORMAL}};
    for (int box = 1; box <= 17; ++box) {
        const std::string name = "Check" + std::to_string(box);
        if (name != selvaro.FocusedControl()) captions.push_back({name, -20, FW_NORMAL});
    }
    for (const Caption& caption : captions) {
        const HWND control = selvaro.Control(caption.name);
        RECT area, visible;
        GetWindowRect(control, &area);
        if (GetWindowRgnBox(control, &visible) == ERROR) GetClientRect(control, &visible);
        const int square = caption.name[0] == 'C' ? GetSystemMetrics(SM_CXMENUCHECK) + 2 : 0;
        const RECT ink = InkBox(screen, area.left + square, area.top, visible.right - square,
                                area.bottom - area.top);
        const SIZE wanted =
            InkOfText(selvaro.Text(caption.name), caption.fontHeight, caption.weight, L"Tahoma");
        EXPECT_NEAR(ink.right - ink.left, wanted.cx, 1) << caption.name;
        EXPECT_NEAR(ink.bottom - ink.top, wanted.cy, 1) << caption.name;
    }
    ReleaseDC(nullptr, screen);
}

TEST(Window, AnUntrappedErrorIsReportedOnceAndNoHandlerRunsAfterIt) {
    RunningSelvaro selvaro;
    selvaro.Click("Command2");
    selvaro.TypeInto("Text1", L"1e999");
    selvaro.Click("Check1");
    // A click while the message shows, then the end of the session; then the message's end.
    SendMessageTimeoutW(selvaro.Control("Check2"), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, nullptr);
    SendMessageTimeoutW(selvaro.form(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, nullptr);
    Sleep(300);
    EXPECT_EQ(selvaro.MessageBoxCount(), 1);
    EXPECT_TRUE(PathExists(selvaro.script()));
    EXPECT_EQ(selvaro.DismissMessageBox(), L"Run-time error '6':\n\nOverflow");
    EXPECT_EQ(selvaro.ExitCode(), 6u);
}

TEST(Window, StartedMinimizedItIsWholeWhenRestoredAfterTheFade) {
    RunningSelvaro selvaro(FreshDirectory(), SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(IsIconic(selvaro.form()));
    Sleep(1500);
    ShowWindow(selvaro.form(), SW_RESTORE);
    SetForegroundWindow(selvaro.form());
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == selvaro.form(); }));
    selvaro.Settle();
    EXPECT_EQ(selvaro.Alpha(), 252);
    EXPECT_EQ(selvaro.FocusedControl(), "Check1");
}

// While it lives, the shell opens web addresses with a command that appends the address and its
// working directory to calls.txt in that directory.
TEST(WebLink, OpensTheMakersAddressOnceFromTheApplicationDirectoryInAnApartment) {
    const ScopedRegistryValue browser(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", nullptr,
                                      L"cmd.exe /c echo %1>>calls.txt&cd>>calls.txt");
    RunningSelvaro selvaro;
    selvaro.Click("Label6");
    selvaro.Click("Label8");
    const std::wstring calls = selvaro.directory() + L"\\calls.txt";
    const std::string once =
        "http://selvaro.example\r\n" + NarrowToAnsi(selvaro.directory()) + "\r\n";
    WaitFor([&] { return ReadFileBytes(calls) == once; }, 20000);
    Sleep(1500);  // for a second call, if there is one
    EXPECT_EQ(ReadFileBytes(calls), once);

    // The shell is called from a single-threaded apartment, which the first call sets up.
    CallShellExecute(nullptr, L"Open", L"http://selvaro.example", L"", selvaro.directory().c_str(),
                     SW_SHOWNORMAL);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

// The refresh button ends every explorer.exe of the user's session, whatever the letter case of
// its name, and nothing else: the names are compared whole, by the system's lower-case mapping.
// It ends Wine's own explorer.exe too: it runs alone, after the other tests.
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
