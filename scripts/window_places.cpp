// Prints where the running Selvaro.exe's window and its controls are, for scripts/picture: the
// window is found by its class and each control among its child windows by its id, as the
// Windows-side tests find them, and every place is read from the window itself, in pixels.
//
//   frame LEFT TOP RIGHT BOTTOM     the whole window, caption and frame, on the screen
//   client LEFT TOP RIGHT BOTTOM    its client area, on the screen
//   NAME LEFT TOP RIGHT BOTTOM      each control, by its name in the table, in the client area
#include <windows.h>

#include <cstdio>
#include <string_view>

#include "app/controls.h"
#include "app/form1_win.h"

namespace selvaro {
namespace {

void PrintPlace(std::string_view name, RECT place) {
    std::printf("%.*s %ld %ld %ld %ld\n", static_cast<int>(name.size()), name.data(), place.left,
                place.top, place.right, place.bottom);
}

BOOL CALLBACK PrintControl(HWND control, LPARAM form) {
    const ControlSpec* entry = ControlById(GetDlgCtrlID(control));
    if (entry == nullptr) return TRUE;
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, reinterpret_cast<HWND>(form), reinterpret_cast<POINT*>(&place), 2);
    PrintPlace(entry->name, place);
    return TRUE;
}

// The one shown window of Selvaro's class, or nullptr when there is none or more than one.
HWND ShownForm() {
    HWND shown = nullptr;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, kFormClassName, nullptr));)
        if (IsWindowVisible(window)) {
            if (shown != nullptr) return nullptr;
            shown = window;
        }
    return shown;
}

}  // namespace
}  // namespace selvaro

int main() {
    using namespace selvaro;
    SetProcessDPIAware();  // real pixels, whatever the DPI
    const HWND form = ShownForm();
    if (form == nullptr) {
        std::fprintf(stderr, "window_places: not one Selvaro window is shown\n");
        return 1;
    }
    RECT frame, client;
    GetWindowRect(form, &frame);
    GetClientRect(form, &client);
    MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
    PrintPlace("frame", frame);
    PrintPlace("client", client);
    EnumChildWindows(form, PrintControl, reinterpret_cast<LPARAM>(form));
    return 0;
}
