// Start-up: create the main window and run the message loop until it has been closed.
#include <windows.h>
#include <commctrl.h>

#include "app/error_win.h"
#include "app/form1_win.h"
#include "app/run_time_error.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    selvaro::Form1 form;
    try {
        form.Show(instance);
    } catch (const selvaro::RunTimeError& error) {
        selvaro::EndWithRunTimeError(nullptr, error.number(), error.what());
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, Space and Enter move and press as in a dialog.
        if (!IsDialogMessageW(form.window(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
