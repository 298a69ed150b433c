#include "app/form1_controls_win.h"

#include "app/twips.h"
#include "base/run_time_error.h"
#include "base/system_library_win.h"
#include "base/text_win.h"

namespace selvaro {
namespace {

COLORREF ToColorRef(const Rgb& colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

int ScreenDpi() {
    return GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSX);
}

// The DPI of the monitor the window is on, or the system's where Windows keeps one for all.
int WindowDpi(HWND window) {
    const auto dpiForWindow = PerMonitorDpiCalls().dpiForWindow;
    return dpiForWindow != nullptr ? static_cast<int>(dpiForWindow(window)) : ScreenDpi();
}

// The font of the controls that have none of their own, made for the system's DPI.
HFONT DefaultFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A font of the table at a DPI, or the default font (nullptr) scaled from the system's DPI to it.
unique_hfont MakeFont(const FontSpec* wanted, int dpi, int systemDpi) {
    if (wanted == nullptr) {
        LOGFONTW scaled;
        GetObjectW(DefaultFont(), sizeof scaled, &scaled);
        scaled.lfHeight = MulDiv(scaled.lfHeight, dpi, systemDpi);
        return unique_hfont(CreateFontIndirectW(&scaled));
    }
    const std::wstring face = WidenFromCodePage(wanted->face, CP_ACP);
    return unique_hfont(CreateFontW(
        -MulDiv(wanted->centipoints, dpi, 7200), 0, 0, 0, FW_NORMAL, FALSE, wanted->underline,
        FALSE, static_cast<DWORD>(wanted->charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
        DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str()));
}

// Whether the user has turned high contrast on.
bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

Rgb SystemColour(int index) {
    const COLORREF colour = GetSysColor(index);
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

const wchar_t* WindowClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return L"STATIC";
        case ControlKind::TextField:
            return L"EDIT";
        default:
            return L"BUTTON";
    }
}

DWORD StyleOf(const ControlSpec& entry) {
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (entry.visible ? WS_VISIBLE : 0);
    switch (entry.kind) {
        case ControlKind::CheckBox:
            return style | WS_TABSTOP | BS_AUTOCHECKBOX;
        case ControlKind::PushButton:
            return style | WS_TABSTOP | BS_PUSHBUTTON;
        case ControlKind::TextField:
            return style | WS_TABSTOP | ES_AUTOHSCROLL;
        case ControlKind::Frame:
            return style | BS_GROUPBOX;
        case ControlKind::Label:
            return style | SS_LEFT | SS_NOPREFIX | (entry.handCursor ? SS_NOTIFY : 0);
    }
    return style;
}

// A frame holds controls of its own: it paints its light-grey face and hands their colour and
// command messages on to the main window, which handles them for every control.
LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR form) {
    const auto formWindow = reinterpret_cast<HWND>(form);
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_COMMAND:
            return SendMessageW(formWindow, message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(frame, &area);
            const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
                formWindow, WM_CTLCOLORSTATIC, wParam, reinterpret_cast<LPARAM>(frame)));
            FillRect(reinterpret_cast<HDC>(wParam), &area, brush);
            return 1;
        }
        case WM_NCDESTROY:
            CommonControlsLibrary().removeWindowSubclass(frame, FrameProc, 0);
            break;
    }
    return CommonControlsLibrary().defSubclassProc(frame, message, wParam, lParam);
}

}  // namespace

Form1Controls::Form1Controls() : systemDpi_(ScreenDpi()), dpi_(systemDpi_) {}

int Form1Controls::Pixels(int twips) const {
    return TwipsToPixels(twips, dpi_);
}

void Form1Controls::Create(HWND form) {
    dpi_ = WindowDpi(form);
    ReadSystemColours();
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(form, GWLP_HINSTANCE));
    for (std::size_t index = 0; index < kControls.size(); ++index) {
        windows_[index] = CreateOne(kControls[index], form, instance);
    }
}

HWND Form1Controls::CreateOne(const ControlSpec& entry, HWND form, HINSTANCE instance) {
    const HWND parent = entry.container == kFormName ? form : Window(entry.container);
    const std::wstring caption =
        WidenFromCodePage(entry.caption, entry.captionIsArabicCodePage ? 1256 : CP_ACP);
    const DWORD exStyle = entry.kind == ControlKind::TextField ? WS_EX_CLIENTEDGE : 0;
    const HWND control = CreateWindowExW(
        exStyle, WindowClassOf(entry.kind), caption.c_str(), StyleOf(entry), Pixels(entry.left),
        Pixels(entry.top), Pixels(entry.width), Pixels(entry.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(entry))), instance, nullptr);
    if (control == nullptr) throw RunTimeError(ErrorNumber::OutOfMemory);
    Fit(entry, control);
    if (entry.kind == ControlKind::TextField) SendMessageW(control, EM_LIMITTEXT, 0, 0);
    if (entry.kind == ControlKind::Frame) {
        CommonControlsLibrary().setWindowSubclass(control, FrameProc, 0,
                                                  reinterpret_cast<DWORD_PTR>(form));
    }
    return control;
}

void Form1Controls::Fit(const ControlSpec& entry, HWND control) {
    if (const int uncovered = UncoveredWidth(entry); uncovered < entry.width) {
        // The window keeps its size; the system owns the region from here on.
        SetWindowRgn(control, CreateRectRgn(0, 0, Pixels(uncovered), Pixels(entry.height)), FALSE);
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(entry)), FALSE);
}

void Form1Controls::ChangeDpi(int dpi) {
    dpi_ = dpi;
    // The fonts of the old size go once every control has one of the new.
    const auto oldFonts = std::exchange(fonts_, {});
    for (const ControlSpec& entry : kControls) {
        const HWND control = Window(entry);
        SetWindowPos(control, nullptr, Pixels(entry.left), Pixels(entry.top), Pixels(entry.width),
                     Pixels(entry.height), SWP_NOZORDER | SWP_NOACTIVATE);
        Fit(entry, control);
    }
}

HWND Form1Controls::Window(const ControlSpec& control) const {
    return windows_[static_cast<std::size_t>(&control - kControls.data())];
}

HWND Form1Controls::Window(std::string_view name) const {
    const ControlSpec* control = FindControl(name);
    return control != nullptr ? Window(*control) : nullptr;
}

HFONT Form1Controls::FontFor(const ControlSpec& entry) {
    if (entry.font == nullptr && dpi_ == systemDpi_) return DefaultFont();
    for (const auto& [made, font] : fonts_) {
        if (made == entry.font) return font.get();
    }
    return fonts_.emplace_back(entry.font, MakeFont(entry.font, dpi_, systemDpi_)).second.get();
}

HBRUSH Form1Controls::BrushFor(const Rgb& colour) {
    const COLORREF key = ToColorRef(colour);
    for (const auto& [brushColour, brush] : brushes_) {
        if (brushColour == key) return brush.get();
    }
    return brushes_.emplace_back(key, unique_hbrush(CreateSolidBrush(key))).second.get();
}

void Form1Controls::ReadSystemColours() {
    systemColours_ = {SystemColour(COLOR_WINDOWTEXT), SystemColour(COLOR_WINDOW),
                      SystemColour(COLOR_BTNTEXT), SystemColour(COLOR_BTNFACE)};
    useSystemColours_ = UseSystemColours(HighContrastOn(), systemColours_.buttonText);
    brushes_.clear();  // no control holds a brush between two paints
}

HBRUSH Form1Controls::FormBrush() {
    return BrushFor(ColoursOf(nullptr, systemColours_, useSystemColours_).back);
}

HBRUSH Form1Controls::Paint(HDC dc, HWND control) {
    const ControlSpec* entry = ControlById(GetDlgCtrlID(control));
    if (entry == nullptr) return FormBrush();
    const ColourPair colours = ColoursOf(entry, systemColours_, useSystemColours_);
    SetTextColor(dc, ToColorRef(colours.text));
    SetBkColor(dc, ToColorRef(colours.back));
    if (entry->kind == ControlKind::Label) SetBkMode(dc, TRANSPARENT);
    return BrushFor(colours.back);
}

bool Form1Controls::SetCursorOver(HWND control) const {
    const ControlSpec* entry = ControlById(GetDlgCtrlID(control));
    if (entry == nullptr || !entry->handCursor || Window(*entry) != control) return false;
    // The system's own hand (IDC_HAND), in the size and colour the user chose for pointers. Loaded
    // when first wanted, not before the window shows; the system keeps the shared cursor, so later
    // calls only find it.
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
    return true;
}

}  // namespace selvaro
