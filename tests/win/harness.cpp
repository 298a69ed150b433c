#include "tests/win/harness.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "app/controls.h"
#include "app/form1_win.h"
#include "base/text_win.h"

namespace selvaro::testing {
namespace {

// Window places are read in real pixels, whatever DPI the program under test runs at.
[[maybe_unused]] const bool kDpiAware = SetProcessDPIAware();

constexpr wchar_t kPolicyKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

std::vector<HWND> TopWindowsOf(HANDLE process, const wchar_t* className) {
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == GetProcessId(process) && IsWindowVisible(window)) found.push_back(window);
    }
    return found;
}

}  // namespace

std::wstring FreshDirectory(const std::wstring& name) {
    // Tick counts come round again from one run to the next: try until the directory is new.
    for (unsigned attempt = GetTickCount();; ++attempt) {
        const auto directory = std::filesystem::temp_directory_path() /
                               (L"selvaro-" + std::to_wstring(attempt) + name);
        if (std::filesystem::create_directory(directory)) return directory.wstring();
    }
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(std::filesystem::path(path), std::ios::binary).rdbuf();
    return bytes.str();
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CopyBuiltProgram(const std::wstring& program, const std::wstring& destination) {
    CopyFileW((ApplicationDirectory() + L"\\" + program).c_str(), destination.c_str(), TRUE);
}

HANDLE StartProgram(const std::wstring& path, int showCommand) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = showCommand != -1 ? STARTF_USESHOWWINDOW : 0;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + path + L"\"";
    const std::wstring directory = path.substr(0, path.find_last_of(L'\\'));
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}

std::optional<DWORD> NoDrivesPolicy() {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

void SetNoDrivesPolicy(DWORD value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", REG_DWORD, &value, sizeof(value));
}

ScopedRegistryValue::ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name,
                                         DWORD type, const void* data, std::size_t size)
    : root_(root), key_(key), name_(name), saved_(4096, '\0') {
    DWORD savedSize = static_cast<DWORD>(saved_.size());
    if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &savedType_, saved_.data(),
                     &savedSize) != ERROR_SUCCESS) {
        savedType_ = REG_NONE;
    }
    saved_.resize(savedSize);
    RegSetKeyValueW(root, key, name, type, data, static_cast<DWORD>(size));
}

ScopedRegistryValue::~ScopedRegistryValue() {
    if (savedType_ == REG_NONE)
        RegDeleteKeyValueW(root_, key_, name_);
    else
        RegSetKeyValueW(root_, key_, name_, savedType_, saved_.data(),
                        static_cast<DWORD>(saved_.size()));
}

RunningSelvaro::RunningSelvaro(const std::wstring& directory, int showCommand)
    : directory_(directory) {
    CopyBuiltProgram(L"Selvaro.exe", directory + L"\\Selvaro.exe");
    process_ = StartProgram(directory + L"\\Selvaro.exe", showCommand);
    if (process_ == nullptr) throw std::runtime_error("cannot start Selvaro.exe");
    // No pause between looks: the first alpha is read before the fade's first tick.
    WaitFor(
        [&] {
            const auto forms = TopWindowsOf(process_, kFormClassName);
            return (form_ = forms.empty() ? nullptr : forms.front()) != nullptr;
        },
        30000, 0);
    if (form_ == nullptr) throw std::runtime_error("Selvaro's window did not appear");
    firstAlpha_ = Alpha();
    if (showCommand == -1)
        WaitFor([&] { return GetForegroundWindow() == form_ && Alpha() == 252; });
}

RunningSelvaro::~RunningSelvaro() {
    Close();
    if (!WaitForExit()) TerminateProcess(process_, 1);
    CloseHandle(process_);
}

HWND RunningSelvaro::Control(std::string_view name) const {
    const ControlSpec* entry = FindControl(name);
    if (entry == nullptr) throw std::invalid_argument(std::string(name));
    return GetDlgItem(entry->container == kFormName ? form_ : Control(entry->container),
                      ControlId(*entry));
}

std::wstring RunningSelvaro::Text(std::string_view name) const {
    std::wstring text(4096, L'\0');
    text.resize(static_cast<std::size_t>(SendMessageW(Control(name), WM_GETTEXT, text.size(),
                                                      reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

bool RunningSelvaro::Ticked(std::string_view name) const {
    return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string RunningSelvaro::FocusedControl() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
    const ControlSpec* entry = ControlById(GetDlgCtrlID(info.hwndFocus));
    return entry != nullptr && info.hwndFocus != form_ ? std::string(entry->name) : "";
}

BYTE RunningSelvaro::Alpha() const {
    BYTE alpha = 0;
    DWORD flags = 0;
    const bool layered =
        GetLayeredWindowAttributes(form_, nullptr, &alpha, &flags) && (flags & LWA_ALPHA);
    return layered ? alpha : 255;
}

void RunningSelvaro::Click(std::string_view name) const {
    RECT area, visible;
    GetWindowRect(Control(name), &area);
    if (GetWindowRgnBox(Control(name), &visible) != ERROR) area.right = area.left + visible.right;
    SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    INPUT inputs[2] = {{INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}};
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
    Settle();
}

void RunningSelvaro::PressKeys(std::initializer_list<WORD> keys) const {
    std::vector<INPUT> inputs(keys.size() * 2);
    for (std::size_t at = 0; at < keys.size(); ++at) {
        INPUT &down = inputs[at], &up = inputs[inputs.size() - 1 - at];
        down.type = up.type = INPUT_KEYBOARD;
        down.ki.wVk = up.ki.wVk = keys.begin()[at];
        up.ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
}

void RunningSelvaro::Settle() const {
    // Input reaches the program's queue on its own time, and behind any message sent to it:
    // wait until what the window shows has stopped changing.
    std::wstring last;
    for (int round = 0; round < 100 && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; ++round) {
        Sleep(25);
        SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
        const std::string focus = FocusedControl();
        std::wstring state = Text("Text1") + std::to_wstring(MessageBoxCount()) +
                             std::wstring(focus.begin(), focus.end());
        for (const ControlSpec& entry : kControls) state += Ticked(entry.name) ? L'1' : L'0';
        if (round >= 3 && state == last) return;
        last = state;
    }
}

void RunningSelvaro::TypeInto(std::string_view name, const std::wstring& text) const {
    SendMessageW(Control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningSelvaro::Close() const {
    PostMessageW(form_, WM_CLOSE, 0, 0);
}

bool RunningSelvaro::WaitForExit() const {
    return WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0;
}

DWORD RunningSelvaro::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

int RunningSelvaro::MessageBoxCount() const {
    return static_cast<int>(TopWindowsOf(process_, L"#32770").size());
}

std::wstring RunningSelvaro::WaitForMessageBox() const {
    if (!WaitFor([&] { return MessageBoxCount() > 0; })) return {};
    std::wstring text(1024, L'\0');
    text.resize(static_cast<std::size_t>(
        GetDlgItemTextW(TopWindowsOf(process_, L"#32770").front(), 0xFFFF, text.data(), 1024)));
    return text;
}

void RunningSelvaro::DismissMessageBox() const {
    for (HWND box : TopWindowsOf(process_, L"#32770")) PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace selvaro::testing
