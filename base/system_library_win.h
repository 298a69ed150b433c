// The system libraries that Selvaro.exe does not import: bound by name at run time, once the search
// for DLLs has been restricted to System32. The executable imports only known DLLs (kernel32,
// user32, gdi32, msvcrt), which Windows takes from System32 whatever the search order, so no DLL
// placed beside it is ever loaded.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace selvaro {

// Restricts the search for DLLs of the whole process to System32; where the system cannot (Windows
// 7 without KB2533623), takes the current directory out of it. The first thing the program does.
void RestrictDllSearchToSystem32();

// An entry point of a system library, which stays loaded for the life of the process. Raises
// run-time error 53 when the library cannot be loaded, 453 when it has no such entry point.
FARPROC SystemEntryPoint(const wchar_t* library, const char* name);

template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemEntryPoint(library, name)));
}

// An entry point that newer Windows have, of a library the program imports (so loaded already),
// or nullptr on a system without it.
template <typename Function>
Function NewerSystemFunction(const wchar_t* importedLibrary, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(importedLibrary), name)));
}

// The Common Controls calls of the window, from the version 6 assembly that the manifest names.
struct CommonControls {
    decltype(&InitCommonControlsEx) initialize;
    decltype(&SetWindowSubclass) setWindowSubclass;
    decltype(&RemoveWindowSubclass) removeWindowSubclass;
    decltype(&DefSubclassProc) defSubclassProc;
};

// Bound all at once by the first call, which raises a run-time error when one is missing; no
// later call can fail.
const CommonControls& CommonControlsLibrary();

// The per-monitor DPI calls of Windows 10 version 1607 on, bound from user32 (which the program
// imports, so it is loaded) at the first call; each is nullptr on a system without it, and the
// window then keeps to the system's DPI.
struct PerMonitorDpi {
    using DpiForWindow = UINT(WINAPI*)(HWND window);
    using AdjustWindowRectExForDpi = BOOL(WINAPI*)(RECT* rect, DWORD style, BOOL menu,
                                                   DWORD exStyle, UINT dpi);
    DpiForWindow dpiForWindow;
    AdjustWindowRectExForDpi adjustWindowRectExForDpi;
};
const PerMonitorDpi& PerMonitorDpiCalls();

}  // namespace selvaro
