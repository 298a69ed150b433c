#include "app/weblink_win.h"

#include "app/controls.h"
#include "base/shell_execute_win.h"
#include "base/text_win.h"

namespace selvaro {

void OpenMakerSite(HWND form) {
    const std::wstring directory = ApplicationDirectory();
    const std::wstring address = WidenFromCodePage(kWebAddress, CP_ACP);
    CallShellExecute(form, L"Open", address.c_str(), L"", directory.c_str(), SW_SHOWNORMAL);
}

}  // namespace selvaro
