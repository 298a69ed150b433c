#include "tests/win/harness.h"

#include <winternl.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "app/controls.h"
#include "app/form1_win.h"
#include "app/text_win.h"

namespace selvaro::testing {
namespace {

constexpr wchar_t kPolicyKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner != search->processId || wcscmp(className, search->className) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND TopWindowOf(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ChildSearch*>(parameter);
    if (GetDlgCtrlID(window) != search->id) return TRUE;
    search->found = window;
    return FALSE;
}

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

std::wstring WidenFocus(const std::string& name) {
    return std::wstring(name.begin(), name.end());
}

}  // namespace

// The kernel handles the process holds, or nothing where the system does not tell.
std::optional<unsigned> KernelHandleCountOf(DWORD processId) {
    std::vector<unsigned char> buffer(1 << 16);
    NTSTATUS status;
    for (;;) {
        ULONG needed = 0;
        status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                          static_cast<ULONG>(buffer.size()), &needed);
        if (status != static_cast<NTSTATUS>(0xC0000004L)) break;  // the buffer is too small
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    }
    if (!NT_SUCCESS(status)) return std::nullopt;
    const auto* information = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    unsigned count = 0;
    for (ULONG index = 0; index < information->Count; ++index) {
        count += information->Handle[index].OwnerPid == processId;
    }
    return count;
}

HWND ControlWindow(HWND form, std::string_view name) {
    const ControlSpec* entry = FindControl(name);
    if (entry == nullptr) throw std::invalid_argument(std::string(name));
    ChildSearch search{ControlId(*entry), nullptr};
    EnumChildWindows(form, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring FreshDirectory(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    // Process ids come round again from one Wine session to the next: try until the directory is
    // new.
    for (unsigned attempt = GetTickCount();; ++attempt) {
        const std::wstring directory = std::wstring(temp) + L"selvaro-" + std::to_wstring(attempt) +
                                       (name.empty() ? L"" : L"-" + name);
        if (CreateDirectoryW(directory.c_str(), nullptr)) return directory;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a directory");
    }
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Utf8(const std::wstring& text) {
    std::string utf8(text.size() * 3 + 1, '\0');
    utf8.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

bool CopyBuiltProgram(const std::wstring& program, const std::wstring& destination) {
    return CopyFileW((ApplicationDirectory() + L"\\" + program).c_str(), destination.c_str(),
                     FALSE);
}

HANDLE StartProgram(const std::wstring& path, const std::wstring& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    const std::wstring directory = path.substr(0, path.find_last_of(L'\\'));
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}

std::optional<DWORD> NoDrivesPolicy() {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

void SetNoDrivesPolicy(std::optional<DWORD> value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    if (value) {
        RegSetValueExW(key, L"NoDrives", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value),
                       sizeof(DWORD));
    } else {
        RegDeleteValueW(key, L"NoDrives");
    }
    RegCloseKey(key);
}

ClassesRootDefault::ClassesRootDefault(const std::wstring& key, const std::wstring& value)
    : key_(key) {
    constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, kFlags, &type_, nullptr, &size) ==
        ERROR_SUCCESS) {
        saved_.resize(size / sizeof(wchar_t) + 1);
        size = static_cast<DWORD>(saved_.size() * sizeof(wchar_t));
        had_ = RegGetValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, kFlags, &type_, saved_.data(),
                            &size) == ERROR_SUCCESS;
        saved_.resize(size / sizeof(wchar_t));
    }
    set_ =
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

ClassesRootDefault::~ClassesRootDefault() {
    if (had_) {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, type_, saved_.data(),
                        static_cast<DWORD>(saved_.size() * sizeof(wchar_t)));
    } else {
        RegDeleteKeyValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr);
    }
}

RunningSelvaro::RunningSelvaro(const std::wstring& directory) : directory_(directory) {
    const std::wstring exe = directory_ + L"\\Selvaro.exe";
    if (!PathExists(exe) && !CopyBuiltProgram(L"Selvaro.exe", exe)) {
        throw std::runtime_error("cannot copy Selvaro.exe");
    }
    process_ = StartProgram(exe);
    if (process_ == nullptr) throw std::runtime_error("cannot start Selvaro.exe");
    processId_ = GetProcessId(process_);
    WaitFor(
        [&] {
            form_ = TopWindowOf(processId_, kFormClassName);
            return form_ != nullptr && IsWindowVisible(form_);
        },
        30000);
    if (form_ == nullptr) throw std::runtime_error("Selvaro's window did not appear");
    threadId_ = GetWindowThreadProcessId(form_, nullptr);
    firstAlpha_ = Alpha();
    // Ready for the user: in front, and faded in.
    WaitFor([&] { return GetForegroundWindow() == form_ && Alpha() == 252; });
}

RunningSelvaro::~RunningSelvaro() {
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        Close();
        if (!WaitForExit(5000)) TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
}

HWND RunningSelvaro::Control(std::string_view name) const {
    return ControlWindow(form_, name);
}

std::wstring RunningSelvaro::Text(std::string_view name) const {
    const HWND control = Control(name);
    std::wstring text(static_cast<std::size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1,
                      L'\0');
    const auto copied =
        SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool RunningSelvaro::Ticked(std::string_view name) const {
    return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string RunningSelvaro::FocusedControl() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(threadId_, &info);
    const ControlSpec* entry = ControlById(GetDlgCtrlID(info.hwndFocus));
    return entry != nullptr && GetParent(info.hwndFocus) != nullptr ? std::string(entry->name) : "";
}

BYTE RunningSelvaro::Alpha() const {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(form_, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA)) {
        return 255;
    }
    return alpha;
}

bool RunningSelvaro::WaitForFadeEnd() const {
    return WaitFor([&] { return Alpha() == 252; });
}

void RunningSelvaro::Click(std::string_view name) const {
    const HWND control = Control(name);
    RECT area;
    GetWindowRect(control, &area);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(control, region) != ERROR) {
        RECT box;
        GetRgnBox(region, &box);
        area.right = area.left + box.right;
    }
    DeleteObject(region);
    const int x = (area.left + area.right) / 2;
    const int y = (area.top + area.bottom) / 2;
    const int width = GetSystemMetrics(SM_CXSCREEN) - 1;
    const int height = GetSystemMetrics(SM_CYSCREEN) - 1;
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x * 65535 / width, y * 65535 / height);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Settle();
}

void RunningSelvaro::PressKey(WORD key) const {
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Settle();
}

void RunningSelvaro::Settle() const {
    // Input reaches the program's queue on its own time, and behind any message sent to it:
    // wait until what the window shows has stopped changing.
    std::wstring last;
    for (int round = 0; round < 100; ++round) {
        Sleep(25);
        SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
        std::wstring state = Text("Text1") + L"|" + WidenFocus(FocusedControl()) + L"|" +
                             (FindMessageBox() ? L"m" : L"");
        for (const ControlSpec& entry : kControls) {
            if (entry.driveLetter != 0) state += Ticked(entry.name) ? L'1' : L'0';
        }
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

bool RunningSelvaro::WaitForExit(DWORD timeoutMs) const {
    return WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD RunningSelvaro::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

HWND RunningSelvaro::FindMessageBox() const {
    return TopWindowOf(processId_, L"#32770");
}

std::wstring RunningSelvaro::WaitForMessageBox(DWORD timeoutMs) const {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindMessageBox()) != nullptr && IsWindowVisible(box); },
                 timeoutMs)) {
        return {};
    }
    std::wstring text(1024, L'\0');
    text.resize(static_cast<std::size_t>(
        GetDlgItemTextW(box, 0xFFFF, text.data(), static_cast<int>(text.size()))));
    return text;
}

void RunningSelvaro::DismissMessageBox() const {
    if (const HWND box = FindMessageBox()) PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace selvaro::testing
