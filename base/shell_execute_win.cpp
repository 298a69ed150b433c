#include "base/shell_execute_win.h"

#include <objbase.h>

#include "base/system_library_win.h"

namespace selvaro {
namespace {

using ShellExecuteWFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);

// The apartment lives as long as the thread, which is the life of the program.
void JoinSingleThreadedApartment() {
    static const bool joined = [] {
        const auto initialize = SystemFunction<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx");
        initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        return true;
    }();
    (void)joined;
}

ShellExecuteWFn ShellExecuteEntry() {
    static const auto entry = SystemFunction<ShellExecuteWFn>(L"shell32.dll", "ShellExecuteW");
    return entry;
}

}  // namespace

void CallShellExecute(HWND owner, const wchar_t* operation, const wchar_t* file,
                      const wchar_t* parameters, const wchar_t* directory, int showCommand) {
    JoinSingleThreadedApartment();
    ShellExecuteEntry()(owner, operation, file, parameters, directory, showCommand);
}

}  // namespace selvaro
