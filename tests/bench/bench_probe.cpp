// Measures one program started from here, for scripts/bench; prints key=value lines.
//
//   bench_probe PROGRAM             the time from process start to a shown window and to the end
//                                   of the fade, and the peak working set, read after the fade
//                                   just before the window is closed
//   bench_probe --objects SELVARO   Selvaro's GDI and USER objects after start and after long runs
//                                   of clicks of the drive boxes, hide and show, and refresh
//   bench_probe --opened COUNTER .. stands in for Registry Editor while hide and show are
//                                   clicked: appends one byte to COUNTER and ends
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "tests/win/harness.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;
constexpr BYTE kFadeEndAlpha = 252;
constexpr int kDriveBoxClicks = 1000;
constexpr int kHideShowPairs = 200;
constexpr int kRefreshClicks = 200;
constexpr wchar_t kOpenCommandKey[] = L"regfile\\shell\\open\\command";

void Print(const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    const int length = vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    if (length <= 0) return;
    const DWORD size =
        static_cast<DWORD>(length) < sizeof(line) ? static_cast<DWORD>(length) : sizeof(line) - 1;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, size, &written, nullptr);
}

int Fail(const char* what) {
    Print("error=%s\n", what);
    return 1;
}

double NowMs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Checks done() about every millisecond until it holds or timeoutMs have passed.
template <typename Condition>
bool PollUntil(Condition done, DWORD timeoutMs = kTimeoutMs) {
    const double end = NowMs() + timeoutMs;
    while (!done()) {
        if (NowMs() > end) return false;
        Sleep(1);
    }
    return true;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(),
                        size, nullptr, nullptr);
    return narrow;
}

std::wstring DirectoryOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
    unsigned count;
};

BOOL CALLBACK MatchShown(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// A visible top-level window of the process, or nullptr.
HWND ShownWindowOf(DWORD processId) {
    WindowSearch search{processId, nullptr, 0};
    EnumWindows(MatchShown, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CountOne(HWND, LPARAM parameter) {
    ++reinterpret_cast<WindowSearch*>(parameter)->count;
    return TRUE;
}

BOOL CALLBACK CountWithChildren(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    ++search->count;
    EnumChildWindows(window, CountOne, parameter);
    return TRUE;
}

// Every window of the process, shown or not, top-level or child: the bulk of its USER objects.
unsigned WindowCountOf(DWORD processId) {
    WindowSearch search{processId, nullptr, 0};
    EnumWindows(CountWithChildren, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

// GetGuiResources, or nothing where the system does not count (Wine's answers 0 and
// ERROR_CALL_NOT_IMPLEMENTED).
std::optional<DWORD> GuiObjectCount(HANDLE process, DWORD kind) {
    SetLastError(ERROR_SUCCESS);
    const DWORD count = GetGuiResources(process, kind);
    if (count == 0 && GetLastError() != ERROR_SUCCESS) return std::nullopt;
    return count;
}

std::string CountText(std::optional<DWORD> count) {
    return count ? std::to_string(*count) : "n/a";
}

unsigned ProcessCountByName(const wchar_t* imageName) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    unsigned count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        count += lstrcmpiW(entry.szExeFile, imageName) == 0;
    }
    CloseHandle(snapshot);
    return count;
}

// The program under measurement, started with its own directory as the current one; closed as
// the close box closes it (ended if it does not go) when this goes.
class Program {
  public:
    explicit Program(const std::wstring& path) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + path + L"\"";
        const std::wstring directory = DirectoryOf(path);
        startMs_ = NowMs();
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            directory.c_str(), &startup, &info_)) {
            info_ = {};
            return;
        }
        CloseHandle(info_.hThread);
    }
    ~Program() {
        if (info_.hProcess == nullptr) return;
        if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info_.hProcess, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(info_.hProcess, 1);
        }
        CloseHandle(info_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return info_.hProcess != nullptr; }
    HANDLE process() const { return info_.hProcess; }
    DWORD id() const { return info_.dwProcessId; }
    HWND window() const { return window_; }

    // Milliseconds from the start until a visible top-level window of the program exists.
    std::optional<double> WaitShown() {
        const bool shown = PollUntil([&] {
            window_ = ShownWindowOf(info_.dwProcessId);
            return window_ != nullptr || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
        });
        if (!shown || window_ == nullptr) return std::nullopt;
        return NowMs() - startMs_;
    }

    // Whether the shown window fades in: it is layered.
    bool Fades() const { return (GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }

    // Milliseconds from the start until the window's opacity has reached the end of the fade.
    std::optional<double> WaitFadeEnd() const {
        if (!PollUntil([&] { return Alpha() == kFadeEndAlpha; })) return std::nullopt;
        return NowMs() - startMs_;
    }

    std::optional<BYTE> Alpha() const {
        BYTE alpha = 0;
        DWORD flags = 0;
        if (!GetLayeredWindowAttributes(window_, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA)) {
            return std::nullopt;
        }
        return alpha;
    }

    PROCESS_MEMORY_COUNTERS Memory() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        GetProcessMemoryInfo(info_.hProcess, &counters, sizeof(counters));
        return counters;
    }

    // Returns once the program has taken everything sent and posted to it so far, as far as can
    // be seen from outside: its thread is waiting for input again and answers a message.
    void Drain() const {
        WaitForInputIdle(info_.hProcess, 10000);
        Sleep(250);
        SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
        WaitForInputIdle(info_.hProcess, 10000);
    }

  private:
    PROCESS_INFORMATION info_{};
    HWND window_ = nullptr;
    double startMs_ = 0;
};

int MeasureStart(const std::wstring& path) {
    Program program(path);
    if (!program.started()) return Fail("cannot-start-the-program");
    const std::optional<double> shown = program.WaitShown();
    if (!shown) return Fail("no-window-shown-in-time");
    std::optional<double> fadeEnd;
    if (program.Fades()) {
        fadeEnd = program.WaitFadeEnd();
        if (!fadeEnd) return Fail("the-fade-did-not-end-in-time");
    } else {
        WaitForInputIdle(program.process(), 10000);
    }
    Sleep(100);
    const PROCESS_MEMORY_COUNTERS memory = program.Memory();

    Print("program=%s\n", Narrow(FileNameOf(path)).c_str());
    Print("start_to_shown_ms=%.1f\n", *shown);
    if (fadeEnd) {
        Print("start_to_fade_end_ms=%.1f\n", *fadeEnd);
    } else {
        Print("start_to_fade_end_ms=n/a\n");
    }
    Print("peak_working_set_bytes=%llu\n",
          static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    return 0;
}

// A click through the control's own message: the button presses and releases itself and tells
// the window, as for a mouse click, without the mouse.
void Click(HWND control) {
    SendMessageW(control, BM_CLICK, 0, 0);
}

void ReportObjects(const Program& program, const char* stage) {
    const std::optional<unsigned> handles = selvaro::testing::KernelHandleCountOf(program.id());
    Print("objects stage=%s gdi=%s user=%s windows=%u kernel_handles=%s\n", stage,
          CountText(GuiObjectCount(program.process(), GR_GDIOBJECTS)).c_str(),
          CountText(GuiObjectCount(program.process(), GR_USEROBJECTS)).c_str(),
          WindowCountOf(program.id()), handles ? std::to_string(*handles).c_str() : "n/a");
}

// Points the shell's "open" of .reg files at a command for as long as it lives, then puts back
// what was there.
class RegFileOpenCommand {
  public:
    explicit RegFileOpenCommand(const std::wstring& command) {
        constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
        DWORD size = 0;
        if (RegGetValueW(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, kFlags, &type_, nullptr,
                         &size) == ERROR_SUCCESS) {
            saved_.resize(size / sizeof(wchar_t) + 1);
            size = static_cast<DWORD>(saved_.size() * sizeof(wchar_t));
            had_ = RegGetValueW(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, kFlags, &type_,
                                saved_.data(), &size) == ERROR_SUCCESS;
            saved_.resize(size / sizeof(wchar_t));
        }
        set_ = RegSetKeyValueW(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, REG_SZ, command.c_str(),
                               static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }
    ~RegFileOpenCommand() {
        if (had_) {
            RegSetKeyValueW(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, type_, saved_.data(),
                            static_cast<DWORD>(saved_.size() * sizeof(wchar_t)));
        } else {
            RegDeleteKeyValueW(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr);
        }
    }
    RegFileOpenCommand(const RegFileOpenCommand&) = delete;
    RegFileOpenCommand& operator=(const RegFileOpenCommand&) = delete;

    bool set() const { return set_; }

  private:
    std::wstring saved_;  // with its terminating null
    DWORD type_ = REG_SZ;
    bool had_ = false;
    bool set_ = false;
};

unsigned long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int MeasureObjects(const std::wstring& path) {
    Program program(path);
    if (!program.started()) return Fail("cannot-start-the-program");
    if (!program.WaitShown()) return Fail("no-window-shown-in-time");
    if (!program.Fades() || !program.WaitFadeEnd()) return Fail("the-fade-did-not-end-in-time");
    const HWND form = program.window();
    program.Drain();
    Print("program=%s\n", Narrow(FileNameOf(path)).c_str());
    ReportObjects(program, "start");

    std::vector<HWND> boxes;
    std::vector<bool> ticked;
    for (const auto& control : selvaro::kControls) {
        if (control.driveLetter == 0) continue;
        boxes.push_back(selvaro::testing::ControlWindow(form, control.name));
        if (boxes.back() == nullptr) return Fail("a-drive-box-is-missing");
        ticked.push_back(SendMessageW(boxes.back(), BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    if (boxes.empty()) return Fail("no-drive-boxes");
    for (int click = 0; click < kDriveBoxClicks; ++click) {
        const std::size_t box = static_cast<std::size_t>(click) % boxes.size();
        Click(boxes[box]);
        ticked[box] = !ticked[box];
    }
    program.Drain();
    bool asExpected = true;
    for (std::size_t box = 0; box < boxes.size(); ++box) {
        asExpected &= (SendMessageW(boxes[box], BM_GETCHECK, 0, 0) == BST_CHECKED) == ticked[box];
    }
    Print("drive_box_clicks=%d boxes_as_expected=%s\n", kDriveBoxClicks, asExpected ? "yes" : "no");
    ReportObjects(program, "drive_box_clicks");

    const HWND hide = selvaro::testing::ControlWindow(form, "Command1");
    const HWND show = selvaro::testing::ControlWindow(form, "Command2");
    const HWND refresh = selvaro::testing::ControlWindow(form, "Command4");
    if (hide == nullptr || show == nullptr || refresh == nullptr) {
        return Fail("a-button-is-missing");
    }
    {
        const std::wstring counter = DirectoryOf(OwnPath()) + L"\\bench-opened.count";
        DeleteFileW(counter.c_str());
        const RegFileOpenCommand opener(L"\"" + OwnPath() + L"\" --opened \"" + counter +
                                        L"\" \"%1\"");
        if (!opener.set()) return Fail("cannot-point-regfile-open-at-the-stand-in");
        for (int pair = 0; pair < kHideShowPairs; ++pair) {
            Click(hide);
            Click(show);
            if (pair == 0) {
                // What the shell sets up once on its first use, apart from any growth after.
                PollUntil([&] { return FileSize(counter) >= 2; }, 30000);
                program.Drain();
                ReportObjects(program, "first_hide_show_pair");
            }
        }
        // Every script handed to the shell has been opened by the stand-in.
        PollUntil([&] { return FileSize(counter) >= 2ull * kHideShowPairs; }, 180000);
        program.Drain();
        Print("hide_show_pairs=%d scripts_opened=%llu\n", kHideShowPairs, FileSize(counter));
        DeleteFileW(counter.c_str());
    }
    ReportObjects(program, "hide_show_pairs");

    const unsigned explorersBefore = ProcessCountByName(L"explorer.exe");
    for (int click = 0; click < kRefreshClicks; ++click) Click(refresh);
    program.Drain();
    Print("refresh_clicks=%d explorer_exe_before=%u explorer_exe_after=%u\n", kRefreshClicks,
          explorersBefore, ProcessCountByName(L"explorer.exe"));
    ReportObjects(program, "refresh_clicks");
    if (WaitForSingleObject(program.process(), 0) == WAIT_OBJECT_0) return Fail("selvaro-ended");
    return 0;
}

int RecordOpened(const std::wstring& counter) {
    const HANDLE file = CreateFileW(counter.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, "o", 1, &written, nullptr);
    CloseHandle(file);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const int count = __argc;
    wchar_t** const arguments = __wargv;
    const std::wstring first = count > 1 ? arguments[1] : L"";
    if (first == L"--opened" && count > 2) return RecordOpened(arguments[2]);
    // The desktop is up before any clock starts.
    GetDesktopWindow();
    if (first == L"--objects" && count == 3) return MeasureObjects(arguments[2]);
    if (count == 2 && first.rfind(L"--", 0) != 0) return MeasureStart(first);
    Print("usage: bench_probe PROGRAM | --objects SELVARO | --opened COUNTER [FILE]\n");
    return 2;
}
