// The controls of Form1, built from the control table: their windows, fonts, brushes and cursor,
// sized by the screen's DPI, and how they are painted.
#pragma once

#include <windows.h>

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "app/controls.h"
#include "base/handles_win.h"

namespace selvaro {

class Form1Controls {
  public:
    Form1Controls();
    Form1Controls(const Form1Controls&) = delete;
    Form1Controls& operator=(const Form1Controls&) = delete;

    // Twips to pixels at the screen's DPI.
    int Pixels(int twips) const;
    // Creates every control of the table inside the form, in table order.
    void Create(HWND form);

    HWND Window(const ControlSpec& control) const;
    HWND Window(std::string_view name) const;

    // The form's background brush.
    HBRUSH FormBrush();
    // For WM_CTLCOLOR*: sets the control's text and back colours in dc and returns its brush.
    HBRUSH Paint(HDC dc, HWND control);
    // For WM_SETCURSOR: shows the hand over the controls that have it; false for the others.
    bool SetCursorOver(HWND control) const;

  private:
    HWND CreateOne(const ControlSpec& entry, HWND form, HINSTANCE instance);
    HFONT FontFor(const ControlSpec& entry);
    HBRUSH BrushFor(const Rgb& colour);

    int dpi_;
    std::array<HWND, kControls.size()> windows_{};
    std::vector<std::pair<const FontSpec*, unique_hfont>> fonts_;
    std::vector<std::pair<COLORREF, unique_hbrush>> brushes_;
};

}  // namespace selvaro
