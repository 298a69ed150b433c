#include "app/form1_controls_win.h"

#include "app/twips.h"
#include "base/run_time_error.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "resources/resource_ids.h"

namespace selvaro {
namespace {

COLORREF ToColorRef(const Rgb& colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

int ScreenDpi() {
    return GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSX);
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

Form1Controls::Form1Controls() : dpi_(ScreenDpi()) {}

int Form1Controls::Pixels(int twips) const {
    return TwipsToPixels(twips, dpi_);
}

void Form1Controls::Create(HWND form) {
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
    if (const int uncovered = UncoveredWidth(entry); uncovered < entry.width) {
        // The window keeps its size; the system owns the region from here on.
        SetWindowRgn(control, CreateRectRgn(0, 0, Pixels(uncovered), Pixels(entry.height)), FALSE);
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(entry)), FALSE);
    if (entry.kind == ControlKind::TextField) SendMessageW(control, EM_LIMITTEXT, 0, 0);
    if (entry.kind == ControlKind::Frame) {
        CommonControlsLibrary().setWindowSubclass(control, FrameProc, 0,
                                                  reinterpret_cast<DWORD_PTR>(form));
    }
    return control;
}

HWND Form1Controls::Window(const ControlSpec& control) const {
    return windows_[static_cast<std::size_t>(&control - kControls.data())];
}

HWND Form1Controls::Window(std::string_view name) const {
    const ControlSpec* control = FindControl(name);
    return control != nullptr ? Window(*control) : nullptr;
}

HFONT Form1Controls::FontFor(const ControlSpec& entry) {
    if (entry.font == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const auto& [made, font] : fonts_) {
        if (made == entry.font) return font.get();
    }
    const FontSpec& wanted = *entry.font;
    const std::wstring face = WidenFromCodePage(wanted.face, CP_ACP);
    unique_hfont font(
        CreateFontW(-MulDiv(wanted.centipoints, dpi_, 7200), 0, 0, 0, FW_NORMAL, FALSE,
                    wanted.underline, FALSE, static_cast<DWORD>(wanted.charset), OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str()));
    return fonts_.emplace_back(entry.font, std::move(font)).second.get();
}

HBRUSH Form1Controls::BrushFor(const Rgb& colour) {
    const COLORREF key = ToColorRef(colour);
    for (const auto& [brushColour, brush] : brushes_) {
        if (brushColour == key) return brush.get();
    }
    return brushes_.emplace_back(key, unique_hbrush(CreateSolidBrush(key))).second.get();
}

HBRUSH Form1Controls::FormBrush() {
    return BrushFor(kFormBackColour);
}

HBRUSH Form1Controls::Paint(HDC dc, HWND control) {
    const ControlSpec* entry = ControlById(GetDlgCtrlID(control));
    if (entry == nullptr) return FormBrush();
    const ControlSpec* container = FindControl(entry->container);
    const Rgb containerBack =
        container != nullptr && container->backColour ? *container->backColour : kFormBackColour;
    const Rgb back = entry->backColour.value_or(containerBack);
    SetTextColor(dc,
                 entry->textColour ? ToColorRef(*entry->textColour) : GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, ToColorRef(back));
    if (entry->kind == ControlKind::Label) SetBkMode(dc, TRANSPARENT);
    return BrushFor(back);
}

bool Form1Controls::SetCursorOver(HWND control) const {
    const ControlSpec* entry = ControlById(GetDlgCtrlID(control));
    if (entry == nullptr || !entry->handCursor || Window(*entry) != control) return false;
    // Loaded when first wanted, not before the window shows; the system keeps the shared cursor,
    // so later calls only find it.
    SetCursor(LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_POINTER)));
    return true;
}

}  // namespace selvaro
