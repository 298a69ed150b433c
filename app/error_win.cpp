#include "app/error_win.h"

#include <charconv>
#include <string>

#include "base/text_win.h"

namespace selvaro {

void ReportRunTimeErrorAndExit(HWND owner, int number, const char* description) {
    // std::to_wstring would bring the C library's wide printf along, for a few digits.
    char digits[16];
    char* const digitsEnd = std::to_chars(digits, digits + sizeof digits, number).ptr;
    // Appended, not joined with +: a join can insert in front, and from GCC 13 on that call
    // (_M_replace_cold) links libstdc++'s whole compiled std::wstring in, about 30 KB.
    std::wstring text = L"Run-time error '";
    text += std::wstring(digits, digitsEnd);
    text += L"':\n\n";
    text += WidenFromCodePage(description, CP_ACP);
    MessageBoxW(owner, text.c_str(), L"Selvaro", MB_OK | MB_ICONERROR);
    ExitProcess(static_cast<UINT>(number));
}

}  // namespace selvaro
