#include "app/error_win.h"

#include <string>

#include "base/text_win.h"

namespace selvaro {

void ReportRunTimeErrorAndExit(HWND owner, int number, const char* description) {
    const std::wstring text = L"Run-time error '" + std::to_wstring(number) + L"':\n\n" +
                              WidenFromCodePage(description, CP_ACP);
    MessageBoxW(owner, text.c_str(), L"Selvaro", MB_OK | MB_ICONERROR);
    ExitProcess(static_cast<UINT>(number));
}

}  // namespace selvaro
