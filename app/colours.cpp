#include "app/colours.h"

namespace selvaro {
namespace {

// x to the power 2.4, for x from 0 to 1: its square times the fifth root of its square, found by
// Newton's method from above. No power function from the C library comes into the program.
double ToThePower2Point4(double x) {
    const double square = x * x;
    double root = 1;
    for (int step = 0; step < 40; ++step) root -= (root - square / (root * root * root * root)) / 5;
    return square * root;
}

// The relative luminance of an sRGB colour, as the Web Content Accessibility Guidelines define it.
double Luminance(Rgb colour) {
    const auto linear = [](std::uint8_t channel) {
        const double value = channel / 255.0;
        return value <= 0.04045 ? value / 12.92 : ToThePower2Point4((value + 0.055) / 1.055);
    };
    return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) +
           0.0722 * linear(colour.blue);
}

Rgb OwnBackColour(const ControlSpec* control) {
    if (control == nullptr) return kFormBackColour;
    if (control->backColour) return *control->backColour;
    return OwnBackColour(FindControl(control->container));
}

}  // namespace

bool Readable(Rgb text, Rgb back) {
    const double a = Luminance(text) + 0.05, b = Luminance(back) + 0.05;
    return (a > b ? a / b : b / a) >= 4.5;
}

bool UseSystemColours(bool highContrast, Rgb buttonText) {
    return highContrast || !Readable(buttonText, kFormBackColour);
}

ColourPair ColoursOf(const ControlSpec* control, const SystemColours& system, bool systemColours) {
    const Rgb back = OwnBackColour(control);
    const bool ownText = control != nullptr && control->textColour.has_value();
    if (systemColours) {
        return back == kFormBackColour ? ColourPair{system.windowText, system.window}
                                       : ColourPair{system.buttonText, system.buttonFace};
    }
    return {ownText ? *control->textColour : system.buttonText, back};
}

}  // namespace selvaro
