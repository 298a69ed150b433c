// Drives the real Selvaro.exe from outside, as a user would: starts a copy in a directory of its
// own, finds its window, clicks and types, and reads back what it shows, the files it writes and
// the registry.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ranges>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/controls.h"
#include "app/form1_win.h"
#include "app/twips.h"
#include "base/handles_win.h"
#include "base/text_win.h"

namespace selvaro::testing {

// Window places are read in real pixels, whatever DPI the program under test runs at.
[[maybe_unused]] inline const bool kDpiAware = SetProcessDPIAware();

// A new empty directory under the temporary directory; name gives its last part.
inline std::wstring FreshDirectory(const std::wstring& name = L"") {
    static int made = 0;  // by this process
    const auto directory = std::filesystem::temp_directory_path() /
                           (L"selvaro-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(++made) + name);
    std::filesystem::remove_all(directory);
    std::filesystem::create_directory(directory);
    return directory.wstring();
}

inline std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

inline bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Sets a registry value, a DWORD or a text, for as long as it lives, then puts back what
// was there, or removes it.
class ScopedRegistryValue {
  public:
    template <typename Value>
    ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name, const Value& value)
        : root_(root), key_(key), name_(name) {
        if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type_, saved_, &size_))
            type_ = REG_NONE;  // there was none
        if constexpr (std::is_same_v<Value, DWORD>)
            RegSetKeyValueW(root, key, name, REG_DWORD, &value, sizeof(value));
        else
            RegSetKeyValueW(root, key, name, REG_SZ, value, (wcslen(value) + 1) * sizeof(wchar_t));
    }
    ~ScopedRegistryValue() {
        if (type_ == REG_NONE) RegDeleteKeyValueW(root_, key_, name_);
        if (type_ != REG_NONE) RegSetKeyValueW(root_, key_, name_, type_, saved_, size_);
    }
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

  private:
    HKEY root_;
    const wchar_t *key_, *name_;
    DWORD type_ = REG_NONE, size_ = 2048;
    char saved_[2048];
};

// Checks done() every pollMs until it holds or timeoutMs have passed; returns whether it held.
template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs = 10000, DWORD pollMs = 20) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !done(); Sleep(pollMs))
        if (GetTickCount64() >= end) return false;
    return true;
}

inline constexpr wchar_t kPolicyKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// Whether the user's NoDrives policy comes to hold the value in time.
inline bool PolicyBecomes(DWORD value) {
    return WaitFor([&] {
        DWORD now = 0, size = sizeof(now);
        RegGetValueW(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", RRF_RT_REG_DWORD, nullptr, &now,
                     &size);
        return now == value;
    });
}

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
    // Copies Selvaro.exe into directory under the given name, unless it is there already, and
    // starts it there. Started as a double click starts it, it is waited for until it is in front
    // and faded in; started with another show command, until its window exists.
    explicit RunningSelvaro(const std::wstring& directory = FreshDirectory(),
                            int showCommand = SW_SHOWNORMAL,
                            const std::wstring& name = L"Selvaro.exe")
        : directory_(directory) {
        const std::wstring path = directory + L"\\" + name;
        CopyFileW((ApplicationDirectory() + L"\\Selvaro.exe").c_str(), path.c_str(), TRUE);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
        PROCESS_INFORMATION info{};
        CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info);
        CloseHandle(info.hThread);
        process_.reset(info.hProcess);
        // No pause between looks: the first alpha is read before the fade's first tick.
        WaitFor([&] { return !TopWindowsOf(process_.get(), kFormClassName).empty(); }, 30000, 0);
        form_ = TopWindowsOf(process_.get(), kFormClassName).at(0);  // throws if none appeared
        firstAlpha_ = Alpha();
        // Waited for in looks 20 ms apart, which a loaded machine slows as it slows the fade.
        if (showCommand == SW_SHOWNORMAL)
            WaitFor([&] { return ++looks_ && GetForegroundWindow() == form_ && Alpha() == 252; });
    }
    ~RunningSelvaro() {
        PostMessageW(form_, WM_CLOSE, 0, 0);
        if (ExitCode() == STILL_ACTIVE) TerminateProcess(process_.get(), 1);
    }

    const std::wstring& directory() const { return directory_; }
    std::wstring script() const { return directory_ + L"\\Drive.reg"; }
    HWND form() const { return form_; }
    BYTE firstAlpha() const { return firstAlpha_; }  // the moment it was first seen shown
    int looks() const { return looks_; }             // from then until it had faded in

    // The window of the form or of a control, found by its name in the program's table.
    HWND Control(std::string_view name) const {
        const ControlSpec* entry = FindControl(name);
        if (name == kFormName) return form_;
        if (entry == nullptr) throw std::invalid_argument(std::string(name));
        return GetDlgItem(Control(entry->container), ControlId(*entry));
    }
    std::wstring Text(std::string_view name) const {
        wchar_t text[4096];
        return {text,
                static_cast<std::size_t>(SendMessageW(Control(name), WM_GETTEXT, std::size(text),
                                                      reinterpret_cast<LPARAM>(text)))};
    }
    std::string FocusedControl() const {
        GUITHREADINFO info{sizeof(info), 0, {}, {}, {}, {}, {}, {}, {}};
        GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
        const ControlSpec* entry = ControlById(GetDlgCtrlID(info.hwndFocus));
        return entry != nullptr && info.hwndFocus != form_ ? std::string(entry->name) : "";
    }
    BYTE Alpha() const {  // 255 until the window is first made layered
        BYTE alpha = 255;
        GetLayeredWindowAttributes(form_, nullptr, &alpha, nullptr);
        return alpha;
    }

    // The mouse moved to a point of the screen, and there a left click if asked; returns the
    // pointer the user then sees.
    HCURSOR MouseAt(POINT point, bool click = true) const {
        SetCursorPos(point.x, point.y);
        if (click) mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        Settle();
        CURSORINFO info{sizeof(info), 0, nullptr, {}};
        GetCursorInfo(&info);
        return info.hCursor;
    }
    // The mouse moved to the middle of the visible part of a window, the form's or a control's,
    // and there a left click if asked; returns the pointer the user then sees.
    HCURSOR MouseOver(HWND window, bool click = true) const {
        RECT area{}, visible;
        GetWindowRect(window, &area);
        if (GetWindowRgnBox(window, &visible) != ERROR) area.right = area.left + visible.right;
        return MouseAt({(area.left + area.right) / 2, (area.top + area.bottom) / 2}, click);
    }
    void Click(std::string_view name) const { MouseOver(Control(name)); }
    // The user turns to another program (the desktop's), or minimizes the window, presses Space,
    // turns away, clicks its minimized caption bar and presses Space again; then brings it back to
    // the front as the taskbar does.
    void LeaveAndComeBack(bool minimise) const {
        if (minimise) ShowWindow(form_, SW_MINIMIZE), PressKeys({VK_SPACE});
        SetForegroundWindow(GetDesktopWindow());
        Settle();
        if (minimise) SetForegroundWindow(form_), PressKeys({VK_SPACE});
        ShowWindow(form_, SW_RESTORE);
        SetForegroundWindow(form_);
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
        std::string last;
        for (int round = 0; round < 100 && ExitCode(0) == STILL_ACTIVE; ++round) {
            Sleep(25);
            SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
            const std::string state =
                NarrowToAnsi(Text("Text1")) + std::to_string(MessageBoxCount()) + FocusedControl();
            if (std::exchange(last, state) == state && round >= 3) return;
        }
    }
    // A click on the close box, at the right end of the tool window's title bar.
    void Close() const {
        RECT frame;
        GetWindowRect(form_, &frame);
        const int inside = GetSystemMetrics(SM_CXFIXEDFRAME) + GetSystemMetrics(SM_CXSMSIZE) / 2;
        MouseAt({frame.right - inside, frame.top + inside});
    }

    // Waits for the process to end; its exit code, or STILL_ACTIVE when it has not ended in time.
    DWORD ExitCode(DWORD timeoutMs = 10000) const {
        DWORD code = WaitForSingleObject(process_.get(), timeoutMs);
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    std::size_t MessageBoxCount() const { return TopWindowsOf(process_.get(), L"#32770").size(); }
    // Windows tells the window that its monitor's DPI is now dpi, offering it the place that holds
    // its client area at that DPI, grown or shrunk about its middle (whole pixels from 96 to 144
    // DPI and back). The offer goes in the program's memory, as Windows puts it there; Wine passes
    // lParam on as it is. Whether the window took that place.
    bool ChangeDpi(int dpi) const {
        RECT offered, client, taken;
        GetWindowRect(form_, &offered);
        GetClientRect(form_, &client);
        InflateRect(&offered, (TwipsToPixels(kFormClientWidth, dpi) - client.right) / 2,
                    (TwipsToPixels(kFormClientHeight, dpi) - client.bottom) / 2);
        void* const at =
            VirtualAllocEx(process_.get(), 0, sizeof offered, MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(process_.get(), at, &offered, sizeof offered, nullptr);
        SendMessageW(form_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(at));
        VirtualFreeEx(process_.get(), at, 0, MEM_RELEASE);
        Settle();
        return GetWindowRect(form_, &taken) && EqualRect(&taken, &offered);
    }
    // The program's GDI objects. Wine does not count them (GetGuiResources answers 0) but gives
    // each live one a type, byte 12 of its 24, in the handle table that the PEB points to, as
    // Windows' GdiSharedHandleTable.
    std::size_t GdiObjectCount() const {
        PROCESS_BASIC_INFORMATION basic{};
        NtQueryInformationProcess(process_.get(), ProcessBasicInformation, &basic, sizeof basic, 0);
        std::vector<BYTE> peb(0x100), entries(0x10000 * 24);
        ReadProcessMemory(process_.get(), basic.PebBaseAddress, peb.data(), peb.size(), nullptr);
        const auto table = *reinterpret_cast<void**>(&peb[sizeof(void*) == 8 ? 0xF8 : 0x94]);
        ReadProcessMemory(process_.get(), table, entries.data(), entries.size(), nullptr);
        return std::ranges::count_if(std::views::iota(0, 0x10000),
                                     [&](int entry) { return entries[entry * 24 + 12] != 0; });
    }
    // Clicks the OK button of the message box the window owns; returns the message's text.
    std::wstring DismissMessageBox() const {
        const HWND box = GetLastActivePopup(form_);
        wchar_t text[1024];
        const UINT length = GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(std::size(text)));
        MouseOver(GetDlgItem(box, IDOK));
        return std::wstring(text, length);
    }

  private:
    std::wstring directory_;
    unique_handle process_;
    HWND form_ = nullptr;
    BYTE firstAlpha_ = 0;
    int looks_ = 0;
};

}  // namespace selvaro::testing
