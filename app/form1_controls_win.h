// The controls of Form1, built from the control table: their windows, fonts, brushes and cursor,
// sized by the DPI of the monitor the window is on, and how they are painted.
#pragma once

#include <windows.h>

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "app/colours.h"
#include "app/controls.h"
#include "base/handles_win.h"

namespace selvaro {

class Form1Controls {
  public:
    Form1Controls();
    Form1Controls(const Form1Controls&) = delete;
    Form1Controls& operator=(const Form1Controls&) = delete;

    // The DPI the controls are laid out at: the system's until they are created.
    int Dpi() const { return dpi_; }
    // Twips to pixels at that DPI.
    int Pixels(int twips) const;
    // Creates every control of the table inside the form, in table order, at the form's DPI.
    void Create(HWND form);
    // Lays every control out again at another DPI, in fonts made anew at its size.
    void ChangeDpi(int dpi);

    HWND Window(const ControlSpec& control) const;
    HWND Window(std::string_view name) const;

    // Reads the system's colours and whether high contrast is on, afresh: at creation and
    // whenever the user changes them. The window is to be painted again after.
    void ReadSystemColours();
    // The form's background brush.
    HBRUSH FormBrush();
    // For WM_CTLCOLOR*: sets the control's text and back colours in dc and returns its brush.
    HBRUSH Paint(HDC dc, HWND control);
    // For WM_SETCURSOR: shows the hand over the controls that have it; false for the others.
    bool SetCursorOver(HWND control) const;

  private:
    HWND CreateOne(const ControlSpec& entry, HWND form, HINSTANCE instance);
    // The control's visible part and font at the DPI.
    void Fit(const ControlSpec& entry, HWND control);
    HFONT FontFor(const ControlSpec& entry);
    HBRUSH BrushFor(const Rgb& colour);

    const int systemDpi_;
    int dpi_;
    std::array<HWND, kControls.size()> windows_{};
    // Made at the DPI, the default font among them (nullptr) where the DPI is not the system's.
    std::vector<std::pair<const FontSpec*, unique_hfont>> fonts_;
    SystemColours systemColours_{};
    bool useSystemColours_ = false;
    std::vector<std::pair<COLORREF, unique_hbrush>> brushes_;
};

}  // namespace selvaro
