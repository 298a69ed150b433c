#include "app/module1_win.h"

namespace selvaro {
namespace {

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Bound by name at the first call, so a system without layered windows only fails that step.
SetLayeredWindowAttributesFn LayeredAttributesEntry() {
    static const auto entry =
        reinterpret_cast<SetLayeredWindowAttributesFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetLayeredWindowAttributes")));
    return entry;
}

}  // namespace

std::int32_t SetWindowOpacity(HWND window, const std::int16_t& alpha) {
    if (alpha < 0 || alpha > 255) return kOpacityOutOfRange;
    // Written only when it changes: the write alone costs the window two style messages and the
    // window system a round trip, on every tick of the fade.
    if (const LONG style = GetWindowLongA(window, GWL_EXSTYLE); !(style & WS_EX_LAYERED)) {
        SetWindowLongA(window, GWL_EXSTYLE, style | WS_EX_LAYERED);
    }
    const SetLayeredWindowAttributesFn setAttributes = LayeredAttributesEntry();
    if (setAttributes == nullptr) return kOpacityStepFailed;
    setAttributes(window, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
    return kOpacityApplied;
}

}  // namespace selvaro
