#include "base/system_library_win.h"

#include "base/run_time_error.h"

namespace selvaro {

void RestrictDllSearchToSystem32() {
    const auto restrictSearch = NewerSystemFunction<decltype(&SetDefaultDllDirectories)>(
        L"kernel32.dll", "SetDefaultDllDirectories");
    if (restrictSearch == nullptr || !restrictSearch(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

FARPROC SystemEntryPoint(const wchar_t* library, const char* name) {
    const HMODULE module = LoadLibraryW(library);
    if (module == nullptr) throw RunTimeError(ErrorNumber::FileNotFound);
    const FARPROC entry = GetProcAddress(module, name);
    if (entry == nullptr) throw RunTimeError(ErrorNumber::EntryPointNotFound);
    return entry;
}

const CommonControls& CommonControlsLibrary() {
    static const CommonControls library{
        SystemFunction<decltype(&InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx"),
        SystemFunction<decltype(&SetWindowSubclass)>(L"comctl32.dll", "SetWindowSubclass"),
        SystemFunction<decltype(&RemoveWindowSubclass)>(L"comctl32.dll", "RemoveWindowSubclass"),
        SystemFunction<decltype(&DefSubclassProc)>(L"comctl32.dll", "DefSubclassProc"),
    };
    return library;
}

const PerMonitorDpi& PerMonitorDpiCalls() {
    static const PerMonitorDpi calls{
        NewerSystemFunction<PerMonitorDpi::DpiForWindow>(L"user32.dll", "GetDpiForWindow"),
        NewerSystemFunction<PerMonitorDpi::AdjustWindowRectExForDpi>(L"user32.dll",
                                                                     "AdjustWindowRectExForDpi"),
    };
    return calls;
}

}  // namespace selvaro
