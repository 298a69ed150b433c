#include "app/form1_win.h"

#include <commctrl.h>

#include <exception>
#include <new>

#include "app/error_win.h"
#include "app/fade.h"
#include "app/module1_win.h"
#include "app/run_time_error.h"
#include "app/text_win.h"
#include "app/twips.h"
#include "app/weblink_win.h"
#include "policy/commands_win.h"
#include "policy/drive_mask.h"
#include "policy/policy_script_win.h"
#include "resources/resource_ids.h"
#include "shell/terminator_win.h"

namespace selvaro {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;
constexpr UINT_PTR kTimer1Id = 1;

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
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (entry.visible ? WS_VISIBLE : 0);
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
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_COMMAND:
            return SendMessageW(reinterpret_cast<HWND>(form), message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(frame, &area);
            const auto brush = reinterpret_cast<HBRUSH>(
                SendMessageW(reinterpret_cast<HWND>(form), WM_CTLCOLORSTATIC, wParam,
                             reinterpret_cast<LPARAM>(frame)));
            FillRect(reinterpret_cast<HDC>(wParam), &area, brush);
            return 1;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(frame, FrameProc, 0);
            break;
    }
    return DefSubclassProc(frame, message, wParam, lParam);
}

}  // namespace

// The one place where events meet their handlers.
const Form1::Binding Form1::kBindings[] = {
    {"Form1", Event::Load, &Form1::Form_Load},
    {"Form1", Event::Activate, &Form1::Form_Activate},
    {"Form1", Event::Unload, &Form1::Form_Unload},
    {"Timer1", Event::Timer, &Form1::Timer1_Timer},
    {"Check1", Event::Click, &Form1::DriveBox_Click},
    {"Check2", Event::Click, &Form1::DriveBox_Click},
    {"Check3", Event::Click, &Form1::DriveBox_Click},
    {"Check4", Event::Click, &Form1::DriveBox_Click},
    {"Check5", Event::Click, &Form1::DriveBox_Click},
    {"Check6", Event::Click, &Form1::DriveBox_Click},
    {"Check7", Event::Click, &Form1::DriveBox_Click},
    {"Check8", Event::Click, &Form1::DriveBox_Click},
    {"Check9", Event::Click, &Form1::DriveBox_Click},
    {"Check10", Event::Click, &Form1::DriveBox_Click},
    {"Check11", Event::Click, &Form1::DriveBox_Click},
    {"Check12", Event::Click, &Form1::DriveBox_Click},
    {"Check13", Event::Click, &Form1::DriveBox_Click},
    {"Check14", Event::Click, &Form1::DriveBox_Click},
    {"Check15", Event::Click, &Form1::DriveBox_Click},
    {"Check16", Event::Click, &Form1::DriveBox_Click},
    {"Check17", Event::Click, &Form1::DriveBox_Click},
    {"Command1", Event::Click, &Form1::Command1_Click},
    {"Command2", Event::Click, &Form1::Command2_Click},
    {"Command4", Event::Click, &Form1::Command4_Click},
    {"Label8", Event::Click, &Form1::Label8_Click},
};

void Form1::Raise(std::string_view source, Event event) {
    for (const Binding& binding : kBindings) {
        if (binding.source == source && binding.event == event) (this->*binding.handler)(source);
    }
}

void Form1::Show(HINSTANCE instance) {
    dpi_ = ScreenDpi();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_DRIVE), IMAGE_ICON, 48, 48, LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    windowClass.lpszClassName = kFormClassName;
    RegisterClassExW(&windowClass);
    handCursor_ = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER));

    RECT frame{0, 0, Pixels(kFormClientWidth), Pixels(kFormClientHeight)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    const std::wstring caption = WidenFromCodePage(kFormCaption, CP_ACP);
    CreateWindowExW(kFormExStyle, kFormClassName, caption.c_str(), kFormStyle, left, top, width,
                    height, nullptr, nullptr, instance, this);
    if (window_ == nullptr) throw RunTimeError(7, "Out of memory");
    ShowWindow(window_, SW_SHOWNORMAL);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Nothing thrown by a handler goes past this point.
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const RunTimeError& error) {
        EndWithRunTimeError(window, error.number(), error.what());
    } catch (const std::bad_alloc&) {
        EndWithRunTimeError(window, 7, "Out of memory");
    } catch (const std::exception& error) {
        EndWithRunTimeError(window, 51, std::string("Internal error: ") + error.what());
    }
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls();
            SetTimer(window_, kTimer1Id, kFadeIntervalMs, nullptr);
            Raise(kFormName, Event::Load);
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_TIMER:
            if (wParam == kTimer1Id) Raise(kTimerName, Event::Timer);
            return 0;
        case WM_COMMAND:
            // Clicks of buttons, boxes and notifying labels; ids 1 and 2 (Enter and Escape
            // outside a button) belong to no control.
            if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
                if (const ControlSpec* control = ControlById(LOWORD(wParam))) {
                    Raise(control->name, Event::Click);
                }
            }
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(window_, &area);
            FillRect(reinterpret_cast<HDC>(wParam), &area, BrushFor(kFormBackColour));
            return 1;
        }
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case WM_CLOSE:
            UnloadOnce();
            DestroyWindow(window_);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The session ends without WM_CLOSE: this is the window's last chance to unload.
            if (wParam) UnloadOnce();
            return 0;
        case WM_DESTROY:
            KillTimer(window_, kTimer1Id);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Form1::UnloadOnce() {
    if (unloaded_) return;
    unloaded_ = true;
    Raise(kFormName, Event::Unload);
}

void Form1::CreateControls() {
    controls_.reserve(kControls.size());
    for (const ControlSpec& entry : kControls) controls_.push_back(CreateControl(entry));
}

HWND Form1::CreateControl(const ControlSpec& entry) {
    const HWND parent = entry.container == kFormName ? window_ : Control(entry.container);
    const std::wstring caption =
        WidenFromCodePage(entry.caption, entry.captionIsArabicCodePage ? 1256 : CP_ACP);
    const DWORD exStyle = entry.kind == ControlKind::TextField ? WS_EX_CLIENTEDGE : 0;
    const HWND control = CreateWindowExW(
        exStyle, WindowClassOf(entry.kind), caption.c_str(), StyleOf(entry), Pixels(entry.left),
        Pixels(entry.top), Pixels(entry.width), Pixels(entry.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(entry))),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
    if (control == nullptr) throw RunTimeError(7, "Out of memory");
    if (const int uncovered = UncoveredWidth(entry); uncovered < entry.width) {
        // The window keeps its size; the system owns the region from here on.
        SetWindowRgn(control, CreateRectRgn(0, 0, Pixels(uncovered), Pixels(entry.height)), FALSE);
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(entry)), FALSE);
    if (entry.kind == ControlKind::TextField) SendMessageW(control, EM_LIMITTEXT, 0, 0);
    if (entry.kind == ControlKind::Frame) {
        SetWindowSubclass(control, FrameProc, 0, reinterpret_cast<DWORD_PTR>(window_));
    }
    return control;
}

HFONT Form1::FontFor(const ControlSpec& entry) {
    if (entry.font == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    unique_hfont& font = fonts_[entry.font];
    if (!font) {
        const std::wstring face = WidenFromCodePage(entry.font->face, CP_ACP);
        font.reset(CreateFontW(-MulDiv(entry.font->centipoints, dpi_, 7200), 0, 0, 0, FW_NORMAL,
                               FALSE, entry.font->underline, FALSE,
                               static_cast<DWORD>(entry.font->charset), OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str()));
    }
    return font.get();
}

HBRUSH Form1::BrushFor(const Rgb& colour) {
    unique_hbrush& brush = brushes_[ToColorRef(colour)];
    if (!brush) brush.reset(CreateSolidBrush(ToColorRef(colour)));
    return brush.get();
}

int Form1::Pixels(int twips) const {
    return TwipsToPixels(twips, dpi_);
}

HWND Form1::Control(std::string_view name) const {
    const ControlSpec* entry = FindControl(name);
    const auto index = static_cast<std::size_t>(ControlId(*entry) - kFirstControlId);
    return index < controls_.size() ? controls_[index] : nullptr;
}

void Form1::OnActivate(bool active) {
    if (!active) {
        if (const HWND focus = GetFocus(); focus != nullptr && IsChild(window_, focus)) {
            lastFocus_ = focus;
        }
        return;
    }
    SetFocus(lastFocus_ != nullptr ? lastFocus_ : Control("Check1"));
    // The program has no other window, so the window is activated from one of its own only once.
    if (!activated_) {
        activated_ = true;
        Raise(kFormName, Event::Activate);
    }
}

LRESULT Form1::OnControlColour(HDC dc, HWND control) {
    const ControlSpec* entry = ControlById(GetDlgCtrlID(control));
    if (entry == nullptr) return reinterpret_cast<LRESULT>(BrushFor(kFormBackColour));
    const ControlSpec* container = FindControl(entry->container);
    const Rgb containerBack =
        container != nullptr && container->backColour ? *container->backColour : kFormBackColour;
    const Rgb back = entry->backColour.value_or(containerBack);
    SetTextColor(dc,
                 entry->textColour ? ToColorRef(*entry->textColour) : GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, ToColorRef(back));
    if (entry->kind == ControlKind::Label) SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(BrushFor(back));
}

bool Form1::OnSetCursor(HWND over) {
    const ControlSpec* entry = ControlById(GetDlgCtrlID(over));
    if (over == window_ || entry == nullptr || !entry->handCursor) return false;
    SetCursor(handCursor_);
    return true;
}

void Form1::Form_Load(std::string_view) {
    SetWindowOpacity(window_, kFadeStartAlpha);
}

void Form1::Form_Activate(std::string_view) {
    SetWindowOpacity(window_, kFadeStartAlpha);
}

void Form1::Form_Unload(std::string_view) {
    DeletePolicyScript();
}

void Form1::Timer1_Timer(std::string_view) {
    const FadeTick tick = NextFadeTick(FadeAlpha);
    FadeAlpha = tick.alpha;
    SetWindowOpacity(window_, FadeAlpha);
    if (!tick.timerGoesOn) KillTimer(window_, kTimer1Id);
}

void Form1::DriveBox_Click(std::string_view box) {
    const HWND boxWindow = Control(box);
    const bool ticked = SendMessageW(boxWindow, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const HWND maskField = Control("Text1");
    const std::string maskText = NarrowForNumber(WindowText(maskField));
    const std::string updated =
        UpdatedMaskText(maskText, ticked, DriveWeight(FindControl(box)->driveLetter));
    SetWindowTextW(maskField, WidenFromCodePage(updated, CP_ACP).c_str());
}

PolicyCommandControls Form1::PolicyControls() const {
    return {window_, Control("information"), Control("Text1"), Control("Text2")};
}

void Form1::Command1_Click(std::string_view) {
    RunHideCommand(PolicyControls());
}

void Form1::Command2_Click(std::string_view) {
    RunShowCommand(PolicyControls());
}

void Form1::Command4_Click(std::string_view) {
    TerminateProcessesByName("explorer.exe");
}

void Form1::Label8_Click(std::string_view) {
    OpenMakerSite(window_);
}

}  // namespace selvaro
