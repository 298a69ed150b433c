// Start-up: create the main window and run the message loop until it has been closed.
#include <windows.h>

#include "app/form1_win.h"
#include "base/system_library_win.h"

namespace {

// The exit code when the message loop itself fails, which only a broken system can cause.
constexpr int kMessageLoopFailed = 255;

void InitialiseCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES;
    selvaro::CommonControlsLibrary().initialize(&controls);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Before anything can load a DLL: none is ever taken from this program's directory.
    selvaro::RestrictDllSearchToSystem32();
    selvaro::Form1 form;
    try {
        InitialiseCommonControls();
        form.Show(instance, showCommand);
    } catch (...) {
        form.EndWithCurrentException();
    }
    MSG message{};
    BOOL result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        // Tab, Space and Enter move and press as in a dialog.
        if (!IsDialogMessageW(form.window(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return result == 0 ? static_cast<int>(message.wParam) : kMessageLoopFailed;
}
