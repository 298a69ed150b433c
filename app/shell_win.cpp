#include "app/shell_win.h"

#include "app/run_time_error.h"

namespace selvaro {
namespace {

using ShellExecuteWFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

ShellExecuteWFn ShellExecuteEntry() {
    // The library stays loaded for the life of the process.
    static const HMODULE library = LoadLibraryW(L"shell32.dll");
    if (library == nullptr) throw RunTimeError(53, "File not found: shell32");
    static const auto entry = reinterpret_cast<ShellExecuteWFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "ShellExecuteW")));
    if (entry == nullptr)
        throw RunTimeError(453, "Can't find DLL entry point ShellExecuteW in shell32");
    return entry;
}

}  // namespace

void CallShellExecute(HWND owner, const wchar_t* operation, const wchar_t* file,
                      const wchar_t* parameters, const wchar_t* directory, int showCommand) {
    ShellExecuteEntry()(owner, operation, file, parameters, directory, showCommand);
}

}  // namespace selvaro
