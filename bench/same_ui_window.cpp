// Selvaro's window made plainly: the same window class, the same 34 windows (the form and its 33
// controls) of the same classes, styles, extended styles, sizes at the DPI of the monitor the
// window opens on (as a per-monitor-aware program asks for it) and captions,
// the same four fonts and colours, layered with alpha 1 from its creation, then shown with the
// focus on drive A. Every value is written out here; it sets no timer and answers no clicks.
// scripts/bench measures Selvaro.exe against it: the floor for this window on this platform.
#include <windows.h>
#include <commctrl.h>

#include "base/startup_marks.h"

namespace {

using selvaro::MarkStartup;
using selvaro::StartupMark;

constexpr wchar_t kClassName[] = L"Selvaro.SameUiWindow";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW | WS_EX_LAYERED;
constexpr int kDriveIcon = 2;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLightGrey = RGB(224, 224, 224);

int dpi = 96;
HBRUSH whiteBrush;
HBRUSH lightGreyBrush;

int Pixels(int twips) {
    return MulDiv(twips, dpi, 1440);
}

HFONT Font(int centipoints, bool underline, const wchar_t* face) {
    return CreateFontW(-MulDiv(centipoints, dpi, 7200), 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE,
                       ARABIC_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH, face);
}

// One control at its place in twips, in its font; a drive box that runs into its neighbour shows
// only its first uncoveredWidth twips.
HWND Control(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int left,
             int top, int width, int height, HWND parent, int id, HFONT font,
             int uncoveredWidth = 0) {
    const HWND control =
        CreateWindowExW(exStyle, className, caption, style, Pixels(left), Pixels(top),
                        Pixels(width), Pixels(height), parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (uncoveredWidth != 0) {
        SetWindowRgn(control, CreateRectRgn(0, 0, Pixels(uncoveredWidth), Pixels(height)), FALSE);
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// Creates the 33 controls; returns the first drive box.
HWND CreateControls(HWND form) {
    const HFONT driveFont = Font(975, false, L"Tahoma");
    const HFONT linkFont = Font(825, false, L"Tahoma");
    const HFONT poweredByFont = Font(900, true, L"Tahoma");
    const HFONT hintFont = Font(825, true, L"MS Sans Serif");
    const auto guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    // Check1
    const HWND driveA =
        Control(0, L"BUTTON", L"Drive A :\\",
                WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 240, 240,
                1455, 255, form, 100, driveFont, 1320);
    // Check2
    Control(0, L"BUTTON", L"Drive B :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 1560, 240, 1455,
            255, form, 101, driveFont, 1440);
    // Check3
    Control(0, L"BUTTON", L"Drive C :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 3000, 240, 1455,
            255, form, 102, driveFont, 1320);
    // Check4
    Control(0, L"BUTTON", L"Drive D :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 4320, 240, 1455,
            255, form, 103, driveFont, 1320);
    // Check5
    Control(0, L"BUTTON", L"Drive E :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 5640, 240, 1455,
            255, form, 104, driveFont);
    // Check6
    Control(0, L"BUTTON", L"Drive F :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 240, 720, 1455,
            255, form, 105, driveFont, 1320);
    // Check7
    Control(0, L"BUTTON", L"Drive G :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 1560, 720, 1455,
            255, form, 106, driveFont, 1440);
    // Check8
    Control(0, L"BUTTON", L"Drive H :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 3000, 720, 1455,
            255, form, 107, driveFont, 1320);
    // Check9
    Control(0, L"BUTTON", L"Drive I :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 4320, 720, 1455,
            255, form, 108, driveFont, 1320);
    // Check10
    Control(0, L"BUTTON", L"Drive J :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 5640, 720, 1455,
            255, form, 109, driveFont);
    // Check11
    Control(0, L"BUTTON", L"Drive K :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 240, 1200, 1455,
            255, form, 110, driveFont, 1320);
    // Check12
    Control(0, L"BUTTON", L"Drive L :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 1560, 1200,
            1455, 255, form, 111, driveFont, 1440);
    // Check13
    Control(0, L"BUTTON", L"Drive M :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 3000, 1200,
            1455, 255, form, 112, driveFont, 1320);
    // Check14
    Control(0, L"BUTTON", L"Drive N :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 4320, 1200,
            1245, 255, form, 113, driveFont);
    // Check15
    Control(0, L"BUTTON", L"Drive O :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 5640, 1200,
            1455, 255, form, 114, driveFont);
    // Check16
    Control(0, L"BUTTON", L"Drive Q :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 1560, 1680,
            1455, 255, form, 115, driveFont);
    // Check17
    Control(0, L"BUTTON", L"Drive P :\\",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 240, 1680, 1455,
            255, form, 116, driveFont, 1320);
    // Text1
    Control(WS_EX_CLIENTEDGE, L"EDIT", L"",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 2550, 4800, 4095,
            285, form, 117, guiFont);
    // Command1
    Control(0, L"BUTTON",
            L"\x0645\x062E\x0641\x064A \x0633\x0627\x0632\x064A "
            L"\x062F\x0631\x0627\x064A\x0648\x0647\x0627",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 90, 2460, 2055,
            495, form, 118, driveFont);
    // Command2
    Control(0, L"BUTTON",
            L"\x0646\x0645\x0627\x064A\x0634 \x062F\x0631\x0627\x064A\x0648 \x0647\x0627",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 2160, 2460, 1395,
            495, form, 119, driveFont);
    // Label1
    Control(0, L"STATIC", L"For Hiddem Many Drives Click Hear !",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 930, 3960,
            3495, 255, form, 120, hintFont);
    // Command3
    Control(0, L"BUTTON", L"About |  Help",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 4620, 3900, 2055,
            495, form, 121, guiFont);
    // information
    const HWND information =
        Control(0, L"BUTTON", L"information", WS_CHILD | WS_CLIPSIBLINGS | BS_GROUPBOX, 6960, 3540,
                7095, 2175, form, 122, guiFont);
    // Label2
    Control(0, L"STATIC", L"In The Name Of God  ",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 120, 360, 6735, 375,
            information, 123, guiFont, 3240);
    // Label3
    Control(0, L"STATIC", L"Maker : Tovrel",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 120, 720, 1695, 375,
            information, 124, guiFont);
    // Label4
    Control(0, L"STATIC", L"version 1.0",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 120, 1080, 1695, 375,
            information, 125, guiFont);
    // Label5
    Control(0, L"STATIC", L" Tovrel Amiri --- Sina Rahimi --- Arshia    selvaro.example",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 120, 1560, 2295, 375,
            information, 126, guiFont);
    // Frame2
    const HWND frame2 =
        Control(0, L"BUTTON", L"Help", WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | BS_GROUPBOX, 3360,
                120, 3615, 1935, information, 127, guiFont);
    // Label7
    Control(
        0, L"STATIC",
        L"by this software can hidden your drives with  one click and show the too .work with this "
        L"soft ware very easy just select your drives  next click in button \" Hidden Select "
        L"Drives \" and in window \"Registry Editor\" click on \"Yes\"  .                          "
        L"   For Show Drives Click In Button\"Show Hidden Drives and Click On \"Yes\"",
        WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 120, 240, 3015, 1695,
        frame2, 128, guiFont);
    // Text2
    Control(WS_EX_CLIENTEDGE, L"EDIT", L"\"",
            WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL, 3690, 4260, 375, 285, form,
            129, guiFont);
    // Label6
    Control(0, L"STATIC", L"Powered by Tornimek Crop",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 4740, 1860,
            2325, 255, form, 130, poweredByFont);
    // Label8
    Control(0, L"STATIC", L"selvaro.example",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 5280, 2160,
            1425, 255, form, 131, linkFont);
    // Command4
    Control(0, L"BUTTON", L"\x062A\x0627\x0632\x0647 \x0633\x0627\x0632\x064A",
            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 3570, 2460, 1605,
            495, form, 132, driveFont);
    return driveA;
}

// The colours of a control, by its id.
HBRUSH Colour(HDC dc, int id) {
    COLORREF text = GetSysColor(COLOR_BTNTEXT);
    HBRUSH back = whiteBrush;
    bool label = true;
    switch (id) {
        case 120:
            text = RGB(0, 0, 255);
            break;
        case 130:
            text = RGB(128, 128, 128);
            break;
        case 131:
            text = RGB(0, 0, 192);
            break;
        case 123:
        case 124:
        case 125:
        case 126:
        case 128:
            back = lightGreyBrush;
            break;
        case 121:
        case 122:
        case 127:
            back = lightGreyBrush;
            label = false;
            break;
        default:
            label = false;
            break;
    }
    SetTextColor(dc, text);
    SetBkColor(dc, back == whiteBrush ? kWhite : kLightGrey);
    if (label) SetBkMode(dc, TRANSPARENT);
    return back;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(Colour(reinterpret_cast<HDC>(wParam),
                                                    GetDlgCtrlID(reinterpret_cast<HWND>(lParam))));
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(window, &area);
            FillRect(reinterpret_cast<HDC>(wParam), &area, whiteBrush);
            return 1;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    MarkStartup(StartupMark::WinMainEntered);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kDriveIcon), IMAGE_ICON, 48, 48, LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0) return 1;

    const HDC screen = GetDC(nullptr);
    dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    whiteBrush = CreateSolidBrush(kWhite);
    lightGreyBrush = CreateSolidBrush(kLightGrey);
    // The per-monitor DPI calls of Windows 10, which Selvaro.exe binds by name as well.
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto dpiForWindow = reinterpret_cast<UINT(WINAPI*)(HWND)>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    const auto adjustForDpi = reinterpret_cast<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(
        reinterpret_cast<void*>(GetProcAddress(user32, "AdjustWindowRectExForDpi")));

    RECT frame{0, 0, Pixels(7080), Pixels(3120)};
    if (adjustForDpi != nullptr) {
        adjustForDpi(&frame, kFormStyle, FALSE, kFormExStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    const HWND form = CreateWindowExW(kFormExStyle, kClassName, L"Selvaro", kFormStyle, left, top,
                                      width, height, nullptr, nullptr, instance, nullptr);
    if (form == nullptr) return 1;
    // Opened on the monitor of the system's DPI, as here, it keeps the size it was made with.
    if (dpiForWindow != nullptr) dpi = static_cast<int>(dpiForWindow(form));
    SetLayeredWindowAttributes(form, 0, 1, LWA_ALPHA);
    MarkStartup(StartupMark::FormCreated);
    const HWND driveA = CreateControls(form);
    MarkStartup(StartupMark::ControlsCreated);
    ShowWindow(form, showCommand);
    SetFocus(driveA);  // the focus starts on drive A
    MarkStartup(StartupMark::Shown);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    selvaro::WriteStartupMarks();
    return static_cast<int>(message.wParam);
}
