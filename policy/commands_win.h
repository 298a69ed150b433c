// The hide and show commands: write Drive.reg and ask the shell to open it.
#pragma once

#include <windows.h>

namespace selvaro {

struct PolicyCommandControls {
    HWND form;
    HWND helpPanel;  // the commands act only while it is not visible
    HWND maskField;
    HWND quoteField;
};

// Writes the mask from the mask field, in hexadecimal.
void RunHideCommand(const PolicyCommandControls& controls);
// Writes the value 0.
void RunShowCommand(const PolicyCommandControls& controls);

}  // namespace selvaro
