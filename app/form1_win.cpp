#include "app/form1_win.h"

#include <exception>
#include <new>

#include "app/error_win.h"
#include "app/fade.h"
#include "app/module1_win.h"
#include "app/twips.h"
#include "app/weblink_win.h"
#include "base/run_time_error.h"
#include "base/startup_marks.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
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
constexpr std::string_view kTimerName = "Timer1";
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE, of Windows 10 1703 on

void RegisterFormClass(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_DRIVE), IMAGE_ICON, 48, 48, LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    windowClass.lpszClassName = kFormClassName;
    if (RegisterClassExW(&windowClass) == 0) throw RunTimeError(ErrorNumber::InternalError);
}

// The window's outer size for its client area, 7080 by 3120 twips, at a DPI.
SIZE FrameSize(int dpi) {
    RECT frame{0, 0, TwipsToPixels(kFormClientWidth, dpi), TwipsToPixels(kFormClientHeight, dpi)};
    if (const auto adjustForDpi = PerMonitorDpiCalls().adjustWindowRectExForDpi) {
        adjustForDpi(&frame, kFormStyle, FALSE, kFormExStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// The window's place at a DPI, centred on the screen's work area as Windows centres a dialog.
RECT CentredFrame(int dpi) {
    const auto [width, height] = FrameSize(dpi);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = (work.left + work.right - width) / 2;
    const int top = (work.top + work.bottom - height) / 2;
    return {left, top, left + width, top + height};
}

void MoveWindowTo(HWND window, const RECT& place) {
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
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

void Form1::Raise(std::string_view source, Event event, const ControlSpec* control) {
    if (ending_) return;
    for (const Binding& binding : kBindings) {
        if (binding.source == source && binding.event == event) (this->*binding.handler)(control);
    }
}

void Form1::Show(HINSTANCE instance, int showCommand) {
    RegisterFormClass(instance, WindowProc);
    // Until the window exists, the system's DPI stands for its monitor's.
    const auto [left, top, right, bottom] = CentredFrame(controls_.Dpi());
    const std::wstring caption = WidenFromCodePage(kFormCaption, CP_ACP);
    CreateWindowExW(kFormExStyle, kFormClassName, caption.c_str(), kFormStyle, left, top,
                    right - left, bottom - top, nullptr, nullptr, instance, this);
    if (window_ == nullptr) throw RunTimeError(ErrorNumber::OutOfMemory);
    ShowWindow(window_, showCommand);
    MarkStartup(StartupMark::Shown);
    Raise(kFormName, Event::Activate);
}

// At the DPI of the monitor the window has opened on; where that is not the system's, which sized
// the window, it is sized and centred again for it.
void Form1::CreateControls() {
    const int assumedDpi = controls_.Dpi();
    controls_.Create(window_);
    if (controls_.Dpi() != assumedDpi) MoveWindowTo(window_, CentredFrame(controls_.Dpi()));
}

// Dragged to a monitor of another DPI, or the monitor's scale changed: the controls are laid out
// at the new DPI and the window takes the place Windows offers for it. Nothing else changes.
void Form1::FollowDpiChange(int dpi, const RECT& suggested) {
    controls_.ChangeDpi(dpi);
    MoveWindowTo(window_, suggested);
    RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// The user changed the system's colours or turned high contrast on or off: the window is painted
// again in the colours that now apply.
void Form1::FollowColourChange() {
    controls_.ReadSystemColours();
    RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
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
    } catch (...) {
        form->EndWithCurrentException();
    }
}

void Form1::EndWithCurrentException() {
    RunTimeError error(ErrorNumber::InternalError);
    try {
        throw;
    } catch (const RunTimeError& raised) {
        error = raised;
    } catch (const std::bad_alloc&) {
        error = RunTimeError(ErrorNumber::OutOfMemory);
    } catch (...) {
    }
    // No handler runs from here on: not the timer's, and not Unload at the end of the session.
    ending_ = true;
    if (window_ != nullptr) KillTimer(window_, kTimer1Id);
    ReportRunTimeErrorAndExit(window_, error.number(), error.what());
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            MarkStartup(StartupMark::FormCreated);
            CreateControls();
            MarkStartup(StartupMark::ControlsCreated);
            if (!SetTimer(window_, kTimer1Id, kFadeIntervalMs, nullptr)) {
                throw RunTimeError(ErrorNumber::OutOfMemory);
            }
            Raise(kFormName, Event::Load);
            return 0;
        case WM_ACTIVATE:
            // Activated while minimized (a click on its minimized caption bar), the window gives
            // no control the focus: the restore that follows does.
            KeepFocus(LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0);
            return 0;
        case WM_SIZE:
            // A minimized window can stay the active one, and a restore activates it again.
            if (wParam == SIZE_MINIMIZED) KeepFocus(false);
            return 0;
        case WM_TIMER:
            if (wParam == kTimer1Id) Raise(kTimerName, Event::Timer);
            return 0;
        case WM_COMMAND:
            // Clicks of buttons, boxes and notifying labels; ids 1 and 2 (Enter and Escape
            // outside a button) belong to no control.
            if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
                if (const ControlSpec* control = ControlById(LOWORD(wParam))) {
                    Raise(control->name, Event::Click, control);
                }
            }
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(
                controls_.Paint(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(window_, &area);
            FillRect(reinterpret_cast<HDC>(wParam), &area, controls_.FormBrush());
            return 1;
        }
        case WM_SETCURSOR:
            if (controls_.SetCursorOver(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case kGetDpiScaledSize:
            // Windows asks before it moves the window to a monitor of another DPI,
            // and offers that size in WM_DPICHANGED: the client area then comes out exact.
            *reinterpret_cast<SIZE*>(lParam) = FrameSize(static_cast<int>(wParam));
            return TRUE;
        case WM_DPICHANGED:
            FollowDpiChange(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_SYSCOLORCHANGE:
            // Common Controls learn of the new colours from the top-level window.
            for (const ControlSpec& control : kControls)
                SendMessageW(controls_.Window(control), WM_SYSCOLORCHANGE, 0, 0);
            FollowColourChange();
            break;
        case WM_SETTINGCHANGE:  // high contrast turned on or off, among other settings
            FollowColourChange();
            break;
        case WM_CLOSE:
            if (ending_) return 0;  // the process ends once the error message is closed
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
    if (unloaded_ || ending_) return;
    unloaded_ = true;
    Raise(kFormName, Event::Unload);
}

// The focus leaves with the window's activation and comes back where it was, on drive A at first.
// A minimized window that stays the active one holds no control in focus: no key reaches a box
// nobody sees.
void Form1::KeepFocus(bool active) {
    if (!active) {
        if (const HWND focus = GetFocus(); focus != nullptr && IsChild(window_, focus)) {
            lastFocus_ = focus;
            if (IsIconic(window_)) SetFocus(nullptr);
        }
        return;
    }
    SetFocus(lastFocus_ != nullptr ? lastFocus_ : controls_.Window(kControls.front()));
}

std::string Form1::MaskText() const {
    return NarrowForNumber(WindowText(controls_.Window("Text1")));
}

void Form1::RunPolicyCommand(PolicyCommand command) {
    // What counts is the help panel's own visibility flag, not whether it can be seen.
    const bool helpPanelVisible =
        GetWindowLongW(controls_.Window("information"), GWL_STYLE) & WS_VISIBLE;
    const std::string mask = command == PolicyCommand::Hide ? MaskText() : std::string();
    const std::string quote = NarrowToAnsi(WindowText(controls_.Window("Text2")));
    if (const auto script = PolicyScriptForClick(command, {helpPanelVisible, mask, quote})) {
        WriteAndOpenPolicyScript(window_, *script);
    }
}

void Form1::Form_Load(const ControlSpec*) {
    SetWindowOpacity(window_, kFadeStartAlpha);
}

void Form1::Form_Activate(const ControlSpec*) {
    SetWindowOpacity(window_, kFadeStartAlpha);
}

void Form1::Form_Unload(const ControlSpec*) {
    DeletePolicyScript();
}

void Form1::Timer1_Timer(const ControlSpec*) {
    const FadeTick tick = NextFadeTick(FadeAlpha);
    FadeAlpha = tick.alpha;
    SetWindowOpacity(window_, FadeAlpha);
    if (!tick.timerGoesOn) KillTimer(window_, kTimer1Id);
}

void Form1::DriveBox_Click(const ControlSpec* box) {
    const bool ticked = SendMessageW(controls_.Window(*box), BM_GETCHECK, 0, 0) == BST_CHECKED;
    const std::string updated = UpdatedMaskText(MaskText(), ticked, DriveWeight(box->driveLetter));
    SetWindowTextW(controls_.Window("Text1"), WidenFromCodePage(updated, CP_ACP).c_str());
}

void Form1::Command1_Click(const ControlSpec*) {
    RunPolicyCommand(PolicyCommand::Hide);
}

void Form1::Command2_Click(const ControlSpec*) {
    RunPolicyCommand(PolicyCommand::Show);
}

void Form1::Command4_Click(const ControlSpec*) {
    TerminateProcessesByName("explorer.exe");
}

void Form1::Label8_Click(const ControlSpec*) {
    OpenMakerSite(window_);
}

}  // namespace selvaro
