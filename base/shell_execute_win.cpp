#include "base/shell_execute_win.h"

#include <objbase.h>

#include "base/run_time_error.h"

namespace selvaro {
namespace {

using ShellExecuteWFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);

// Libraries bound here stay loaded for the life of the process.
FARPROC EntryPoint(const wchar_t* library, const char* name) {
    const HMODULE module = LoadLibraryW(library);
    if (module == nullptr) throw RunTimeError(ErrorNumber::FileNotFound);
    const FARPROC entry = GetProcAddress(module, name);
    if (entry == nullptr) throw RunTimeError(ErrorNumber::EntryPointNotFound);
    return entry;
}

// The apartment lives as long as the thread, which is the life of the program.
void JoinSingleThreadedApartment() {
    static const bool joined = [] {
        const auto initialize = reinterpret_cast<CoInitializeExFn>(
            reinterpret_cast<void*>(EntryPoint(L"ole32.dll", "CoInitializeEx")));
        initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        return true;
    }();
    (void)joined;
}

ShellExecuteWFn ShellExecuteEntry() {
    static const auto entry = reinterpret_cast<ShellExecuteWFn>(
        reinterpret_cast<void*>(EntryPoint(L"shell32.dll", "ShellExecuteW")));
    return entry;
}

}  // namespace

void CallShellExecute(HWND owner, const wchar_t* operation, const wchar_t* file,
                      const wchar_t* parameters, const wchar_t* directory, int showCommand) {
    JoinSingleThreadedApartment();
    ShellExecuteEntry()(owner, operation, file, parameters, directory, showCommand);
}

}  // namespace selvaro
