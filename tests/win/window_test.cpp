// The real Selvaro.exe, driven through the mouse and keyboard: its look, its keys and its errors;
// hide and show end to end (Drive.reg, the shell's "open", Registry Editor, the user's policy),
// run from a folder that holds DLLs named like system ones; the web link and the refresh button.
#include <gtest/gtest.h>

#include <objbase.h>

#include <list>

#include "base/run_time_error.h"
#include "base/shell_execute_win.h"
#include "policy/policy_script_win.h"
#include "tests/expected_script.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

long Sum(COLORREF colour) {
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
}

// The size of the box around the ink the screen shows of a control's visible part, a drive box's
// right of its check square: the pixels dark on a light background (as the first pixel shows it)
// or light on a dark one; then the colour of the darkest pixel, on a light background the text's.
std::vector<long> InkSize(HWND control, bool box) {
    RECT area, visible, shown;
    GetWindowRect(control, &area);
    if (GetWindowRgnBox(control, &visible) == ERROR) GetClientRect(control, &visible);
    GetClientRect(GetParent(control), &shown);  // no further than its container shows it
    MapWindowPoints(GetParent(control), control, reinterpret_cast<POINT*>(&shown), 2);
    IntersectRect(&visible, &visible, &shown);
    const LONG fromColumn = box ? GetSystemMetrics(SM_CXMENUCHECK) + 2 : 0;
    const WindowDc screen(nullptr);
    const bool darkBack = Sum(GetPixel(screen.get(), area.left + fromColumn, area.top)) < 480;
    LONG left = visible.right, top = visible.bottom, right = 0, bottom = 0;
    COLORREF darkest = RGB(255, 255, 255);
    for (LONG y = 0; y < visible.bottom; ++y) {
        for (LONG x = fromColumn; x < visible.right; ++x) {
            const COLORREF colour = GetPixel(screen.get(), area.left + x, area.top + y);
            if (Sum(colour) < Sum(darkest)) darkest = colour;
            if ((Sum(colour) < 480) == darkBack) continue;
            left = std::min(left, x), right = std::max(right, x + 1);
            top = std::min(top, y), bottom = std::max(bottom, y + 1);
        }
    }
    return {right - left, bottom - top, static_cast<long>(darkest)};
}

// A control's left, top, width and height in its container's client area, as much of it as shows,
// and for a caption shown in the client area the width and height of its ink, a drive box's right
// of its check square; for the form, how far it stands right of and below where Windows centres it
// on the screen's work area, and its client area's size.
std::vector<long> PlaceOf(const RunningSelvaro& selvaro, std::string_view name) {
    const HWND window = selvaro.Control(name);
    RECT area, shown;
    GetWindowRect(window, &area);
    if (name == kFormName) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &shown, 0);
        const long left = area.left - (shown.left + shown.right - area.right + area.left) / 2;
        const long top = area.top - (shown.top + shown.bottom - area.bottom + area.top) / 2;
        GetClientRect(window, &area);
        return {left, top, area.right, area.bottom};
    }
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&area), 2);
    if (GetWindowRgnBox(window, &shown) != ERROR) area.right = area.left + shown.right;
    std::vector<long> place{area.left, area.top, area.right - area.left, area.bottom - area.top};
    const ControlSpec& entry = *FindControl(name);
    if (entry.kind != ControlKind::PushButton && entry.container == kFormName &&
        entry.top < kFormClientHeight)
        for (long ink : InkSize(window, entry.kind == ControlKind::CheckBox) | std::views::take(2))
            place.push_back(ink);
    return place;
}

// What the window shows: the colours of the web link's and "Powered by"'s text, the background's
// where no control is, and over how many controls in sight the pointer is not the background's:
// the hand.
std::vector<long> Look(const RunningSelvaro& selvaro) {
    std::vector<long> look{InkSize(selvaro.Control("Label8"), false)[2],
                           InkSize(selvaro.Control("Label6"), false)[2]};
    POINT background{4, 4};
    ClientToScreen(selvaro.form(), &background);
    look.push_back(GetPixel(WindowDc(nullptr).get(), background.x, background.y));
    const HCURSOR arrow = selvaro.MouseAt(background, false);
    look.push_back(0);
    for (const ControlSpec& control : kControls)
        look.back() += control.handCursor && control.top < kFormClientHeight &&
                       selvaro.MouseOver(selvaro.Control(control.name), false) != arrow;
    return look;
}

using Places = std::vector<std::pair<std::string_view, std::vector<long>>>;
// At 96 DPI, 15 twips to the pixel. First in tab order: the drive boxes in rows of five, each cut
// where the next in its row begins, then the mask field and the buttons.
// clang-format off
const Places kPlacesAt96 = {
    {"Check1", {16, 16, 88, 17}}, {"Check2", {104, 16, 96, 17}}, {"Check3", {200, 16, 88, 17, 59, 12}},
    {"Check4", {288, 16, 88, 17}}, {"Check5", {376, 16, 97, 17}}, {"Check6", {16, 48, 88, 17}},
    {"Check7", {104, 48, 96, 17}}, {"Check8", {200, 48, 88, 17}}, {"Check9", {288, 48, 88, 17}},
    {"Check10", {376, 48, 97, 17}}, {"Check11", {16, 80, 88, 17}}, {"Check12", {104, 80, 96, 17}},
    {"Check13", {200, 80, 88, 17}}, {"Check14", {288, 80, 83, 17}}, {"Check15", {376, 80, 97, 17}},
    {"Check16", {104, 112, 97, 17}}, {"Check17", {16, 112, 88, 17}}, {"Text1", {170, 320, 273, 19}},
    {"Command1", {6, 164, 137, 33}}, {"Command2", {144, 164, 93, 33}}, {"Command3", {308, 260, 137, 33}},
    {"Command4", {238, 164, 107, 33}}, {"Form1", {0, 0, 472, 208}}, {"Label8", {352, 144, 95, 17, 93, 11}},
    {"information", {464, 236, 473, 145}}, {"Frame2", {224, 8, 241, 129}}, {"Label7", {8, 16, 201, 113}}};
// At 144 DPI, a tenth of a pixel to the twip.
const Places kPlacesAt144 = {
    {"Form1", {0, 0, 708, 312}}, {"Check1", {24, 24, 132, 26, 95, 24}}, {"Check14", {432, 120, 125, 26}},
    {"Command1", {9, 246, 206, 50}}, {"Text1", {255, 480, 410, 29}}, {"Frame2", {336, 12, 362, 194}},
    {"Label8", {528, 216, 143, 26, 137, 17}}};
// clang-format on

// Dark blue and grey, on white, and the hand over all 22 controls in sight.
const std::vector<long> kLook{RGB(0, 0, 192), RGB(128, 128, 128), RGB(255, 255, 255), 22};

// The named windows' places, and where the table gives them, their captions' ink (the fonts'
// sizes, and the captions whole), to the pixel or within some.
void ExpectPlaces(const RunningSelvaro& selvaro, const Places& places, long within = 0) {
    for (const auto& [name, place] : places) {
        const std::vector<long> look = PlaceOf(selvaro, name);
        for (std::size_t side = 0; side < place.size(); ++side)
            EXPECT_NEAR(look.at(side), place[side], within) << name << " " << side;
    }
}

TEST(Window, OpensCentredInFrontKeepsItsFocusWhereLeftAndIsHeldByAnErrorMessage) {
    RunningSelvaro selvaro;
    // Load and Activate set 1; on a loaded machine the first look may come a few ticks later.
    EXPECT_LT(selvaro.firstAlpha(), 40);
    EXPECT_TRUE(GetWindowLongW(selvaro.form(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongW(selvaro.form(), GWL_STYLE) &
                 (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    for (std::size_t box = 0; box < 17; ++box)  // drives A to O, then Q and P
        EXPECT_EQ(selvaro.Text(kPlacesAt96[box].first),
                  std::wstring(L"Drive X :\\").replace(6, 1, 1, L"ABCDEFGHIJKLMNOQP"[box]));
    // The web link dark blue, "Powered by" grey, the background white; the hand over them all.
    EXPECT_EQ(Look(selvaro), kLook);
    // The fade's pace in the harness's looks 20 ms apart, from the first on: about one to two of
    // its steps of 10 ms, fewer than three.
    EXPECT_LT(selvaro.looks(), 3 * (252 - selvaro.firstAlpha()) / 8);

    EXPECT_EQ(selvaro.Text("Command1"), L"مخفي سازي درايوها");  // with Arabic yeh, U+064A
    for (std::size_t press = 0; press <= 23; ++press) {  // from drive A, and round again to B
        if (press > 0) selvaro.PressKeys({VK_TAB});
        // On drives F and L, in the mask field and on B, the user turns to another program or
        // minimizes the window, and comes back: the focus is where it was, the window as it was.
        // Minimized, and activated while minimized, it gives no box the Spaces pressed then.
        if (press % 6 == 5) selvaro.LeaveAndComeBack(press % 12 == 11);
        EXPECT_EQ(selvaro.FocusedControl(), kPlacesAt96[press % 22].first) << press;
    }
    ExpectPlaces(selvaro, kPlacesAt96);
    EXPECT_EQ(selvaro.Alpha(), 252);

    selvaro.PressKeys({VK_SPACE});                                                  // ticks drive B
    for (int press = 0; press < 3; ++press) selvaro.PressKeys({VK_SHIFT, VK_TAB});  // to About
    ASSERT_EQ(selvaro.FocusedControl(), "Command3");
    for (WORD key : {VK_SPACE, VK_RETURN, VK_ESCAPE}) selvaro.PressKeys({key});  // do nothing
    EXPECT_FALSE(PathExists(selvaro.script()) || IsWindowVisible(selvaro.Control("information")) ||
                 IsWindowVisible(selvaro.Control("Text2")));

    // Drive.reg held open elsewhere cannot be written: the error is reported once, in a message
    // owned by the window, which is disabled beneath it; neither a click on the window, nor a
    // handler's message nor the end of the session while the message shows runs a handler.
    const HANDLE held = CreateFileW(selvaro.script().c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, 0, 0);
    selvaro.Click("Command2");
    SendMessageTimeoutW(selvaro.Control("Check2"), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, nullptr);
    SendMessageTimeoutW(selvaro.form(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, nullptr);
    CloseHandle(held);
    // Drive B alone is ticked (no Space pressed while minimized reached a box), and one message.
    EXPECT_EQ(selvaro.Text("Text1") + std::to_wstring(selvaro.MessageBoxCount()), L"21");
    EXPECT_FALSE(IsWindowEnabled(selvaro.form()));
    EXPECT_TRUE(PathExists(selvaro.script()) && ReadFileBytes(selvaro.script()).empty());
    EXPECT_EQ(selvaro.DismissMessageBox(), L"Run-time error '70':\n\nPermission denied");
    EXPECT_EQ(selvaro.ExitCode(), 70u);
}

// Run by at_dpi.sh with the screen at 144 DPI. Moved to a monitor of 96 DPI and back, the window
// looks as if started there, then here again; nothing else changes (the mask, the ticks, the
// focus, the fade, the help panel), and no font of the old size is left behind. Where the system's
// button text cannot be read on white, as with the colours that High Contrast Black sets (Wine
// takes them for the programs started after, though not the high-contrast flag), a window takes
// the system's colours and looks the same: every caption's ink is as large, to a pixel or two
// (light on dark comes out a little bolder), so clearly does it differ from its background.
TEST(WindowAt144Dpi, LooksAsStartedThereAtEveryDpiAndInTheSystemsColours) {
    ASSERT_EQ(GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSY), 144) << "run by at_dpi.sh";
    RunningSelvaro selvaro;
    ExpectPlaces(selvaro, kPlacesAt144);
    EXPECT_EQ(Look(selvaro), kLook);
    selvaro.PressKeys({VK_SPACE});                           // ticks drive A
    Places looks{{kFormName, PlaceOf(selvaro, kFormName)}};  // and every control's, with its ink
    for (const ControlSpec& control : kControls)
        looks.emplace_back(control.name, PlaceOf(selvaro, control.name));
    EXPECT_TRUE(selvaro.ChangeDpi(96));
    ExpectPlaces(selvaro, kPlacesAt96);
    EXPECT_TRUE(selvaro.ChangeDpi(144));
    ExpectPlaces(selvaro, looks);
    // The mask and drive A's tick, the focus and the fade as they were, the help panel hidden.
    EXPECT_EQ(selvaro.Text("Text1"), L"1");
    EXPECT_EQ(SendMessageW(selvaro.Control("Check1"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(selvaro.FocusedControl() + std::to_string(selvaro.Alpha()), "Check1252");
    EXPECT_FALSE(IsWindowVisible(selvaro.Control("information")));
    const std::size_t objects = selvaro.GdiObjectCount();
    for (int turn = 0; turn < 20; ++turn) EXPECT_TRUE(selvaro.ChangeDpi(turn % 2 ? 144 : 96));
    // A leak of the old fonts would be some a change; Wine 10 makes an object of its own once.
    EXPECT_LE(selvaro.GdiObjectCount(), objects + 10);

    // Should the start fail, the wineserver that at_dpi.sh ends forgets the colours.
    const INT elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT};
    const COLORREF highContrastBlack[] = {0, 0xFFFFFF, 0, 0xFFFFFF};
    COLORREF saved[4];
    std::ranges::transform(elements, saved, GetSysColor);
    SetSysColors(4, elements, highContrastBlack);
    ExpectPlaces(RunningSelvaro(), looks, 2);
    SetSysColors(4, elements, saved);
}

TEST(WebLink, OpensTheMakersAddressOnceFromTheApplicationDirectoryInAnApartment) {
    // The shell opens web addresses with a command that records the address and its directory.
    const ScopedRegistryValue browser(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", nullptr,
                                      L"cmd.exe /c echo %1>>calls.txt&cd>>calls.txt");
    RunningSelvaro selvaro;
    selvaro.Click("Label6");
    selvaro.Click("Label8");
    const auto calls = [&] { return ReadFileBytes(selvaro.directory() + L"\\calls.txt"); };
    const std::string once =
        "http://selvaro.example\r\n" + NarrowToAnsi(selvaro.directory()) + "\r\n";
    WaitFor([&] { return calls() == once; }, 20000);
    Sleep(1500);  // for a second call, if there is one
    EXPECT_EQ(calls(), once);

    // The shell is called from a single-threaded apartment, which the first call sets up.
    CallShellExecute(nullptr, L"Open", L"http://selvaro.example", L"", selvaro.directory().c_str(),
                     SW_SHOWNORMAL);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

// The refresh button ends every explorer.exe of the user's session, whatever the letter case of
// its name, and nothing else: the names are compared whole, by the system's lower-case mapping.
// It ends Wine's own explorer.exe too: it runs alone, after the other tests.
TEST(Refresh, EndsEveryExplorerExeOfTheSessionAndLeavesOtherNamesWhole) {
    // A copy of Selvaro waits under each name; minimized, it stays out of the way of the clicks.
    std::list<RunningSelvaro> standIns;
    for (const wchar_t* name :
         {L"explorer.exe", L"EXPLORER.EXE", L"explorer", L"xexplorer.exe", L"explorer.exe.exe"})
        standIns.emplace_back(FreshDirectory(), SW_SHOWMINNOACTIVE, name);
    RunningSelvaro selvaro;
    selvaro.Click("Command4");
    std::vector<DWORD> exitCodes;
    for (const RunningSelvaro& standIn : standIns)
        exitCodes.push_back(standIn.ExitCode(exitCodes.size() < 2 ? 5000 : 0));
    EXPECT_EQ(exitCodes, (std::vector<DWORD>{0, 0, STILL_ACTIVE, STILL_ACTIVE, STILL_ACTIVE}));
    EXPECT_EQ(selvaro.ExitCode(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(selvaro.MessageBoxCount(), 0u);

    // One left running, started minimized, has faded in meanwhile and is whole when restored.
    const RunningSelvaro& survivor = standIns.back();
    EXPECT_TRUE(IsIconic(survivor.form()));
    survivor.LeaveAndComeBack(false);
    EXPECT_EQ(survivor.FocusedControl() + " " + std::to_string(survivor.Alpha()), "Check1 252");
    EXPECT_EQ(PlaceOf(survivor, kFormName), (std::vector<long>{0, 0, 472, 208}));
}

// What the program, Common Controls and the shell load, planted beside Selvaro.exe as a Downloads
// folder may hold them. Wine's libraries pass over the program's DLL search for some loads
// (user32's of version.dll before the program starts, imm32's of ole32 and so of ole32's combase
// and rpcrt4, Common Controls' of msimg32), looking beside the program first; on Windows these are
// known DLLs or follow the search, so they are not planted.
constexpr const wchar_t* kPlanted[] = {L"uxtheme", L"dwmapi",  L"comctl32",
                                       L"shell32", L"shlwapi", L"shcore"};
constexpr wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\Selvaro.exe\\DllOverrides";

// From a directory whose name is not in the ANSI code page, beside DLLs named like system ones.
TEST(PolicyCommands, ShowAndHideSetThePolicyWhileTheHelpPanelIsHiddenAndNoDllBesideIsLoaded) {
    // A value that stands in the policy while the test runs.
    const ScopedRegistryValue policy(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", DWORD{0x5A5});
    const std::wstring directory = FreshDirectory(L"\u062f\u0631\u0627\u064a\u0648");
    // Wine is told to prefer a DLL found on the search path to its own for every planted name,
    // in Selvaro.exe only, as Windows does but for the known DLLs. (WINEDLLOVERRIDES cannot do
    // this for one child: Wine gives every process its own.)
    std::list<ScopedRegistryValue> preferPlanted;
    for (const wchar_t* name : kPlanted) {
        CopyFileW((ApplicationDirectory() + L"\\recording_dll.dll").c_str(),
                  (directory + L"\\" + name + L".dll").c_str(), TRUE);
        preferPlanted.emplace_back(HKEY_CURRENT_USER, kOverrides, name, L"n,b");
    }
    RunningSelvaro selvaro(directory);
    std::ofstream(std::filesystem::path(selvaro.script())) << std::string(500, 'x');
    ShowWindow(selvaro.Control("information"), SW_SHOWNA);
    selvaro.Click("Command1");
    selvaro.Click("Command2");
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
    selvaro.PressKeys({VK_MENU, VK_F4});
    EXPECT_EQ(selvaro.ExitCode(), 0u);
    EXPECT_FALSE(PathExists(selvaro.script()));
    for (const wchar_t* name : kPlanted)
        EXPECT_FALSE(PathExists(directory + L"\\" + name + L".dll.loaded")) << name;
}

BOOL WINAPI CloseReportingDiskFull(HANDLE file) {
    CloseHandle(file);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// A write that fails only at its close is a file error, and the script is not left behind; one
// that cannot even start is the opening case's error.
TEST(PolicyScriptFile, AWriteThatFailsAtItsCloseIsAFileErrorAndLeavesNoScript) {
    const std::wstring script = FreshDirectory() + L"\\Drive.reg";
    try {
        WritePolicyScript(script, "written whole", CloseReportingDiskFull);
        ADD_FAILURE() << "taken for success";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), 61);  // Disk full
    }
    EXPECT_FALSE(PathExists(script));
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
    SendMessageW(second.form(), WM_ENDSESSION, FALSE, 0);  // the session goes on
    EXPECT_EQ(ReadFileBytes(second.script()), ExpectedScript("1"));
    EXPECT_EQ(SendMessageW(second.form(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(second.form(), WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(PathExists(first.script()));
    std::ofstream(std::filesystem::path(first.script())) << "put back";
    second.Close();
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_EQ(ReadFileBytes(first.script()), "put back");
    EXPECT_EQ(first.MessageBoxCount(), 0u);
    const HANDLE held =
        CreateFileW(first.script().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    first.Close();
    EXPECT_EQ(first.ExitCode(), 0u);
    CloseHandle(held);
}

}  // namespace
}  // namespace selvaro::testing
