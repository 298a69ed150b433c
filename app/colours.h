// The colours the window and its controls are painted in: their own, or the user's system colours
// where the user asked for high contrast or where their own could not be read.
#pragma once

#include "app/controls.h"

namespace selvaro {

// Whether text of one colour can be read on a background of the other: their contrast ratio, as
// the Web Content Accessibility Guidelines define it, is at least 4.5 to 1.
bool Readable(Rgb text, Rgb back);

// The system colours the window may take, as the user's Windows colours set them.
struct SystemColours {
    Rgb windowText, window;      // the form and what stands on it
    Rgb buttonText, buttonFace;  // what stands on a grey face of its own: the frames, About
};

// The window takes the system's colours when high contrast is on, or when the system's button
// text, in which its own captions are written, cannot be read on its white background.
bool UseSystemColours(bool highContrast, Rgb buttonText);

struct ColourPair {
    Rgb text, back;
};

// The colours of a control, or of the form for nullptr. Its own are the table's, with the
// system's button text where it gives none; the system's come as a pair, the button pair for a
// control on a grey face, the window pair for the rest.
ColourPair ColoursOf(const ControlSpec* control, const SystemColours& system, bool systemColours);

}  // namespace selvaro
