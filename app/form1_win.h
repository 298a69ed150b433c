// The main window Form1: its life from creation to unload, and the events of its controls,
// routed to the handlers bound to them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "app/form1_controls_win.h"
#include "policy/commands.h"

namespace selvaro {

inline constexpr wchar_t kFormClassName[] = L"Selvaro.Form1";

class Form1 {
  public:
    Form1() = default;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and its controls (raising Load), shows it centred on the screen's work
    // area as Windows centres a dialog, in the way the program was started (showCommand, as
    // wWinMain received it), then raises Activate.
    void Show(HINSTANCE instance, int showCommand);
    HWND window() const { return window_; }

    // Inside a catch: reports the error that no handler trapped, then ends the process with its
    // number. From the moment the message shows, no handler runs any more.
    [[noreturn]] void EndWithCurrentException();

  private:
    enum class Event { Load, Activate, Unload, Timer, Click };
    // Handlers get the control whose event it is; the form's and timer's own events give none.
    using Handler = void (Form1::*)(const ControlSpec* source);
    struct Binding {
        std::string_view source;
        Event event;
        Handler handler;
    };
    static const Binding kBindings[];

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void FollowDpiChange(int dpi, const RECT& suggested);
    void FollowColourChange();
    void Raise(std::string_view source, Event event, const ControlSpec* control = nullptr);
    void UnloadOnce();
    void KeepFocus(bool active);

    std::string MaskText() const;
    void RunPolicyCommand(PolicyCommand command);

    void Form_Load(const ControlSpec*);
    void Form_Activate(const ControlSpec*);
    void Form_Unload(const ControlSpec*);
    void Timer1_Timer(const ControlSpec*);
    void DriveBox_Click(const ControlSpec* box);
    void Command1_Click(const ControlSpec*);
    void Command2_Click(const ControlSpec*);
    void Command4_Click(const ControlSpec*);
    void Label8_Click(const ControlSpec*);

    HWND window_ = nullptr;
    Form1Controls controls_;
    HWND lastFocus_ = nullptr;
    std::int16_t FadeAlpha = 0;
    bool unloaded_ = false;
    bool ending_ = false;  // a run-time error is being reported
};

}  // namespace selvaro
