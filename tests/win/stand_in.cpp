// A program that other programs start in the tests. Started with arguments, as the shell starts
// a browser, it appends them and its working directory, one line each, to calls.txt beside
// itself; started without, it waits until it is ended, under whatever name it was copied to.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    if (*arguments == L'\0') Sleep(INFINITE);
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    std::wstring directory(32768, L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    const std::wstring record = std::wstring(arguments) + L"\n" + directory + L"\n";
    std::string bytes(record.size() * 4, '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_ACP, 0, record.c_str(), static_cast<int>(record.size()),
                            bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
    HANDLE file =
        CreateFileW((path.substr(0, path.find_last_of(L'\\')) + L"\\calls.txt").c_str(),
                    FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
