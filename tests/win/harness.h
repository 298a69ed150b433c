// Drives the real Selvaro.exe from outside, as a user would: starts a copy in a directory of its
// own, finds its window, clicks and types, and reads back what it shows, the files it writes and
// the registry.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "app/form1_win.h"
#include "base/text_win.h"

namespace selvaro::testing {

// Window places are read in real pixels, whatever DPI the program under test runs at.
[[maybe_unused]] inline const bool kDpiAware = SetProcessDPIAware();

// A new empty directory under the temporary directory; name gives its last part.
inline std::wstring FreshDirectory(const std::wstring& name = L"") {
    // Tick counts come round again from one run to the next: try until the directory is new.
    for (unsigned attempt = GetTickCount();; ++attempt) {
        const std::wstring directory = (std::filesystem::temp_directory_path() /
                                        (L"selvaro-" + std::to_wstring(attempt) + name))
                                           .wstring();
        if (CreateDirectoryW(directory.c_str(), nullptr)) return directory;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no directory");
    }
}

inline std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

inline bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Copies one of the programs built beside the tests, unless the destination exists already.
inline void CopyBuiltProgram(const std::wstring& program, const std::wstring& destination) {
    CopyFileW((ApplicationDirectory() + L"\\" + program).c_str(), destination.c_str(), TRUE);
}

// Starts a program, shown as showCommand asks unless it is -1; its process handle, or nullptr.
inline HANDLE StartProgram(const std::wstring& path, int showCommand = -1) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = showCommand != -1 ? STARTF_USESHOWWINDOW : 0;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

// Sets a registry value (a text or a number) for as long as it lives, then puts back what was
// there, or removes it.
class ScopedRegistryValue {
  public:
    ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD number)
        : ScopedRegistryValue(root, key, name, REG_DWORD, &number, sizeof(number)) {}
    ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name,
                        const std::wstring& text)
        : ScopedRegistryValue(root, key, name, REG_SZ, text.c_str(), text.size() * 2 + 2) {}
    ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type,
                        const void* data, std::size_t size)
        : root_(root), key_(key), name_(name) {
        if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &savedType_, saved_,
                         &savedSize_) != ERROR_SUCCESS)
            savedType_ = REG_NONE;  // there was no value
        RegSetKeyValueW(root, key, name, type, data, static_cast<DWORD>(size));
    }
    ~ScopedRegistryValue() {
        if (savedType_ == REG_NONE) RegDeleteKeyValueW(root_, key_, name_);
        if (savedType_ != REG_NONE)
            RegSetKeyValueW(root_, key_, name_, savedType_, saved_, savedSize_);
    }
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

  private:
    HKEY root_;
    const wchar_t *key_, *name_;
    DWORD savedType_ = REG_NONE, savedSize_ = sizeof(saved_);
    char saved_[2048];
};

// The window of a control of Selvaro's main window, found by the control's name.
inline HWND ControlWindow(HWND form, std::string_view name) {
    const ControlSpec* entry = FindControl(name);
    if (entry == nullptr) throw std::invalid_argument(std::string(name));
    const HWND container =
        entry->container == kFormName ? form : ControlWindow(form, entry->container);
    return GetDlgItem(container, ControlId(*entry));
}

// Checks done() every pollMs until it holds or timeoutMs have passed; returns whether it held.
template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs = 10000, DWORD pollMs = 20) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !done(); Sleep(pollMs))
        if (GetTickCount64() >= end) return false;
    return true;
}

inline constexpr wchar_t kPolicyKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr DWORD kUntouched = 0x5A5;  // stands in the policy while a test runs

inline DWORD NoDrivesPolicy() {
    DWORD value = 0, size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", RRF_RT_REG_DWORD, nullptr, &value,
                 &size);
    return value;
}

// Whether the user's NoDrives policy comes to hold the value in time.
inline bool PolicyBecomes(DWORD value, DWORD timeoutMs = 10000) {
    return WaitFor([&] { return NoDrivesPolicy() == value; }, timeoutMs);
}

// While it lives, the shell opens web addresses with a command that appends the address and its
// working directory to calls.txt in that directory.
struct RecordedBrowser : ScopedRegistryValue {
    RecordedBrowser()
        : ScopedRegistryValue(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", nullptr,
                              L"cmd.exe /c echo %1>>calls.txt&cd>>calls.txt") {}
    static std::string Calls(const std::wstring& directory) {
        WaitFor([&] { return PathExists(directory + L"\\calls.txt"); });
        Sleep(500);
        return ReadFileBytes(directory + L"\\calls.txt");
    }
};

inline std::vector<HWND> TopWindowsOf(HANDLE process, const wchar_t* className) {
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == GetProcessId(process) && IsWindowVisible(window)) found.push_back(window);
    }
    return found;
}

class RunningSelvaro {
  public:
    // Copies Selvaro.exe into directory, unless it is there already, and starts it there. Started
    // the usual way, it is waited for until it is in front and faded in; started with a show
    // command, until its window exists.
    explicit RunningSelvaro(const std::wstring& directory = FreshDirectory(), int showCommand = -1)
        : directory_(directory) {
        CopyBuiltProgram(L"Selvaro.exe", directory + L"\\Selvaro.exe");
        process_ = StartProgram(directory + L"\\Selvaro.exe", showCommand);
        // No pause between looks: the first alpha is read before the fade's first tick.
        if (!WaitFor([&] { return !TopWindowsOf(process_, kFormClassName).empty(); }, 30000, 0))
            throw std::runtime_error("Selvaro's window did not appear");
        form_ = TopWindowsOf(process_, kFormClassName).front();
        firstAlpha_ = Alpha();
        if (showCommand == -1)
            WaitFor([&] { return GetForegroundWindow() == form_ && Alpha() == 252; });
    }
    ~RunningSelvaro() {
        Close();
        if (ExitCode() == STILL_ACTIVE) TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
    RunningSelvaro(const RunningSelvaro&) = delete;
    RunningSelvaro& operator=(const RunningSelvaro&) = delete;

    const std::wstring& directory() const { return directory_; }
    std::wstring script() const { return directory_ + L"\\Drive.reg"; }
    HWND form() const { return form_; }
    BYTE firstAlpha() const { return firstAlpha_; }  // the moment it was first seen shown

    HWND Control(std::string_view name) const { return ControlWindow(form_, name); }
    std::wstring Text(std::string_view name) const {
        wchar_t text[4096];
        const LRESULT length = SendMessageW(Control(name), WM_GETTEXT, std::size(text),
                                            reinterpret_cast<LPARAM>(text));
        return std::wstring(text, static_cast<std::size_t>(length));
    }
    std::string FocusedControl() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
        const ControlSpec* entry = ControlById(GetDlgCtrlID(info.hwndFocus));
        return entry != nullptr && info.hwndFocus != form_ ? std::string(entry->name) : "";
    }
    BYTE Alpha() const {
        BYTE alpha = 0;
        DWORD flags = 0;
        GetLayeredWindowAttributes(form_, nullptr, &alpha, &flags);
        return flags & LWA_ALPHA ? alpha : 255;
    }

    // A left click in the middle of a control's visible part, through the mouse.
    void Click(std::string_view name) const {
        RECT area, visible;
        GetWindowRect(Control(name), &area);
        if (GetWindowRgnBox(Control(name), &visible) != ERROR)
            area.right = area.left + visible.right;
        SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        Settle();
    }
    // Presses the keys in order and releases them the other way round.
    void PressKeys(std::initializer_list<WORD> keys) const {
        for (WORD key : keys) keybd_event(static_cast<BYTE>(key), 0, 0, 0);
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
            keybd_event(static_cast<BYTE>(*key), 0, KEYEVENTF_KEYUP, 0);
        Settle();
    }
    // Input reaches the program's queue on its own time, and behind any message sent to it:
    // returns once what the window shows has stopped changing.
    void Settle() const {
        std::wstring last;
        for (int round = 0; round < 100 && ExitCode(0) == STILL_ACTIVE; ++round) {
            Sleep(25);
            SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
            const std::string focus = FocusedControl();
            const std::wstring state = Text("Text1") + std::to_wstring(MessageBoxCount()) +
                                       std::wstring(focus.begin(), focus.end());
            if (round >= 3 && state == last) return;
            last = state;
        }
    }
    // Sets a text field's text as if the user had typed it.
    void TypeInto(std::string_view name, const std::wstring& text) const {
        SendMessageW(Control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Close() const { PostMessageW(form_, WM_CLOSE, 0, 0); }  // as the close box does

    // Waits for the process to end; its exit code, or STILL_ACTIVE when it has not ended in time.
    DWORD ExitCode(DWORD timeoutMs = 10000) const {
        WaitForSingleObject(process_, timeoutMs);
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return code;
    }
    int MessageBoxCount() const {
        return static_cast<int>(TopWindowsOf(process_, L"#32770").size());
    }
    // Waits for the message box the program shows, closes it and returns its text.
    std::wstring DismissMessageBox() const {
        if (!WaitFor([&] { return MessageBoxCount() > 0; })) return {};
        const HWND box = TopWindowsOf(process_, L"#32770").front();
        wchar_t text[1024];
        const UINT length = GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(std::size(text)));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return std::wstring(text, length);
    }

  private:
    std::wstring directory_;
    HANDLE process_ = nullptr;
    HWND form_ = nullptr;
    BYTE firstAlpha_ = 0;
};

}  // namespace selvaro::testing
