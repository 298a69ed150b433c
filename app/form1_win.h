// The main window Form1: creates its controls from the control table and raises the events
// bound to its handlers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "app/handles_win.h"
#include "policy/commands_win.h"

namespace selvaro {

inline constexpr wchar_t kFormClassName[] = L"Selvaro.Form1";

class Form1 {
  public:
    Form1() = default;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and its controls (raising Load), then shows it centred.
    void Show(HINSTANCE instance);
    HWND window() const { return window_; }

  private:
    enum class Event { Load, Activate, Unload, Timer, Click };
    using Handler = void (Form1::*)(std::string_view source);
    struct Binding {
        std::string_view source;
        Event event;
        Handler handler;
    };
    static const Binding kBindings[];

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Raise(std::string_view source, Event event);
    void UnloadOnce();

    void CreateControls();
    HWND CreateControl(const ControlSpec& entry);
    HFONT FontFor(const ControlSpec& entry);
    HBRUSH BrushFor(const Rgb& colour);
    int Pixels(int twips) const;
    HWND Control(std::string_view name) const;
    PolicyCommandControls PolicyControls() const;

    void OnActivate(bool active);
    LRESULT OnControlColour(HDC dc, HWND control);
    bool OnSetCursor(HWND over);

    void Form_Load(std::string_view);
    void Form_Activate(std::string_view);
    void Form_Unload(std::string_view);
    void Timer1_Timer(std::string_view);
    void DriveBox_Click(std::string_view box);
    void Command1_Click(std::string_view);
    void Command2_Click(std::string_view);
    void Command4_Click(std::string_view);
    void Label8_Click(std::string_view);

    HWND window_ = nullptr;
    int dpi_ = 96;
    std::vector<HWND> controls_;  // parallel to the control table
    std::map<const FontSpec*, unique_hfont> fonts_;
    std::map<COLORREF, unique_hbrush> brushes_;
    HCURSOR handCursor_ = nullptr;  // shared resource, not destroyed
    HWND lastFocus_ = nullptr;
    std::int16_t FadeAlpha = 0;
    bool activated_ = false;
    bool unloaded_ = false;
};

}  // namespace selvaro
