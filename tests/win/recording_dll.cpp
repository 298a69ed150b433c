// Planted beside a program under the name of a system DLL: being loaded leaves NAME.dll.loaded
// beside it, and the load then fails.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    std::wstring path(32768, L'\0');  // the longest path there is
    path.resize(GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size())));
    CloseHandle(CreateFileW((path + L".loaded").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            0, nullptr));
    return FALSE;
}
