// Measures one program started from here, for scripts/bench; prints key=value lines.
//
//   bench_probe PROGRAM             the time from process start to a shown window, to its first
//                                   complete paint and to the end of the fade, the peak working
//                                   set, read after the fade just before the window is closed,
//                                   and the start-up marks of a timed build (base/startup_marks.h)
//   bench_probe --without-fade PROGRAM   the same for a program that does not fade in
//   bench_probe --objects SELVARO   Selvaro's GDI and USER objects after start and after long runs
//                                   of clicks of the drive boxes, hide and show, and refresh
//   bench_probe --objects-quick SELVARO   the same with a hundredth of the clicks
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
#include <vector>

#include "app/controls.h"
#include "base/text_win.h"
#include "tests/win/harness.h"

#include <winternl.h>

namespace selvaro::testing {
namespace {

// The kernel handles a process holds, or nothing where the system does not tell.
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

constexpr DWORD kTimeoutMs = 60000;
constexpr DWORD kPollMs = 1;  // a coarser poll would show in the times measured
constexpr BYTE kFadeEndAlpha = 252;
// How many clicks of each kind the object counts follow: a long run, or a quick one that only
// shows every stage still works.
struct ObjectRuns {
    int driveBoxClicks, hideShowPairs, refreshClicks;
};
constexpr ObjectRuns kLongRuns{1000, 200, 200};
constexpr ObjectRuns kQuickRuns{10, 2, 2};

void Print(const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    const int length = vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    if (length <= 0) return;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line,
              std::min<DWORD>(static_cast<DWORD>(length), sizeof(line) - 1), &written, nullptr);
}

int Fail(const char* what) {
    Print("error=%s\n", what);
    return 1;
}

double CountToMs(LONGLONG count) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

LONGLONG NowCount() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

// The program's file name, as printed.
std::string FileNameOf(const std::wstring& path) {
    return NarrowToAnsi(path.substr(path.find_last_of(L"\\/") + 1));
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

BOOL CALLBACK CollectShown(HWND window, LPARAM parameter) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
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
// Starts a program; its process handle, or nullptr.
HANDLE StartProgram(const std::wstring& path) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

// The window of a control of Selvaro's main window, found by the control's name.
HWND ControlWindow(HWND form, std::string_view name) {
    const ControlSpec* entry = FindControl(name);
    if (entry == nullptr) return nullptr;
    const HWND container =
        entry->container == kFormName ? form : ControlWindow(form, entry->container);
    return GetDlgItem(container, ControlId(*entry));
}

class Program {
  public:
    explicit Program(const std::wstring& path)
        : startCount_(NowCount()), process_(StartProgram(path)), id_(GetProcessId(process_)) {}
    ~Program() { Close(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return process_ != nullptr; }
    HANDLE process() const { return process_; }
    DWORD id() const { return id_; }
    HWND window() const { return window_; }
    // Milliseconds from the start to a moment read from the performance counter.
    double MsSinceStart(LONGLONG count) const { return CountToMs(count - startCount_); }

    // Closes the window as the close box does and waits for the end (ends the process if it does
    // not go).
    void Close() {
        if (process_ == nullptr) return;
        if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
        CloseHandle(process_);
        process_ = nullptr;
    }

    // Milliseconds from the start until a visible top-level window of the program exists.
    std::optional<double> WaitShown() {
        const bool shown = WaitFor(
            [&] {
                window_ = ShownWindowOf(id_);
                return window_ != nullptr || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
            },
            kTimeoutMs, kPollMs);
        if (!shown || window_ == nullptr) return std::nullopt;
        return MsSinceStart(NowCount());
    }

    // Milliseconds from the start until the shown window and every control shown in it have been
    // painted once: none of them has anything left to paint. Called as soon as it is shown, when
    // all of it waits to be painted.
    std::optional<double> WaitPainted() {
        std::vector<HWND> waiting{window_};
        EnumChildWindows(window_, CollectShown, reinterpret_cast<LPARAM>(&waiting));
        paintedWindows_ = static_cast<unsigned>(waiting.size());
        const auto painted = [&] {
            std::erase_if(waiting,
                          [](HWND window) { return !GetUpdateRect(window, nullptr, FALSE); });
            return waiting.empty();
        };
        if (!WaitFor(painted, kTimeoutMs, kPollMs)) return std::nullopt;
        return MsSinceStart(NowCount());
    }
    unsigned paintedWindows() const { return paintedWindows_; }

    // Whether the shown window fades in: it is layered.
    bool Fades() const { return (GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }

    // Milliseconds from the start until the window's opacity has reached the end of the fade.
    std::optional<double> WaitFadeEnd() const {
        const auto faded = [&] {
            BYTE alpha = 0;
            DWORD flags = 0;
            return GetLayeredWindowAttributes(window_, nullptr, &alpha, &flags) &&
                   (flags & LWA_ALPHA) && alpha == kFadeEndAlpha;
        };
        if (!WaitFor(faded, kTimeoutMs, kPollMs)) return std::nullopt;
        return MsSinceStart(NowCount());
    }

    PROCESS_MEMORY_COUNTERS Memory() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        GetProcessMemoryInfo(process_, &counters, sizeof(counters));
        return counters;
    }

    // Returns once the program has taken everything sent and posted to it so far, as far as can
    // be seen from outside: its thread is waiting for input again and answers a message.
    void Drain() const {
        WaitForInputIdle(process_, 10000);
        Sleep(250);
        SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
        WaitForInputIdle(process_, 10000);
    }

  private:
    LONGLONG startCount_;  // read just before the process is created
    HANDLE process_;
    DWORD id_;
    HWND window_ = nullptr;
    unsigned paintedWindows_ = 0;
};

// The file a timed build writes its start-up marks to, named to it through its environment.
std::wstring MarksFile() {
    return ApplicationDirectory() + L"\\startup-marks.txt";
}

// Prints each start-up mark of a timed build as milliseconds from the start: name_ms=...
void PrintStartupMarks(const Program& program) {
    const std::string marks = ReadFileBytes(MarksFile());
    std::size_t begin = 0;
    for (std::size_t end; (end = marks.find('\n', begin)) != std::string::npos; begin = end + 1) {
        const std::string line = marks.substr(begin, end - begin);
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const LONGLONG count = std::stoll(line.substr(equals + 1));
        Print("%s_ms=%.1f\n", line.substr(0, equals).c_str(),
              count == 0 ? 0.0 : program.MsSinceStart(count));
    }
}

// fades: whether the program fades in (Selvaro does; a baseline stays as it was shown).
int MeasureStart(const std::wstring& path, bool fades) {
    DeleteFileW(MarksFile().c_str());
    SetEnvironmentVariableW(L"SELVARO_STARTUP_MARKS", MarksFile().c_str());
    Program program(path);
    if (!program.started()) return Fail("cannot-start-the-program");
    const std::optional<double> shown = program.WaitShown();
    if (!shown) return Fail("no-window-shown-in-time");
    const std::optional<double> painted = program.WaitPainted();
    if (!painted) return Fail("no-complete-paint-in-time");
    std::optional<double> fadeEnd;
    if (fades) {
        fadeEnd = program.WaitFadeEnd();
        if (!fadeEnd) return Fail("the-fade-did-not-end-in-time");
    } else {
        WaitForInputIdle(program.process(), 10000);
    }
    Sleep(100);
    const PROCESS_MEMORY_COUNTERS memory = program.Memory();

    Print("program=%s\n", FileNameOf(path).c_str());
    Print("start_to_shown_ms=%.1f\n", *shown);
    Print("start_to_painted_ms=%.1f\n", *painted);
    Print("painted_windows=%u\n", program.paintedWindows());
    if (fadeEnd) {
        Print("start_to_fade_end_ms=%.1f\n", *fadeEnd);
    } else {
        Print("start_to_fade_end_ms=n/a\n");
    }
    Print("peak_working_set_bytes=%llu\n",
          static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    program.Close();
    PrintStartupMarks(program);
    DeleteFileW(MarksFile().c_str());
    return 0;
}

// A click through the control's own message: the button presses and releases itself and tells
// the window, as for a mouse click, without the mouse.
void Click(HWND control) {
    SendMessageW(control, BM_CLICK, 0, 0);
}

void ReportObjects(const Program& program, const char* stage) {
    Print("objects stage=%s gdi=%s user=%s windows=%u kernel_handles=%s\n", stage,
          CountText(GuiObjectCount(program.process(), GR_GDIOBJECTS)).c_str(),
          CountText(GuiObjectCount(program.process(), GR_USEROBJECTS)).c_str(),
          WindowCountOf(program.id()), CountText(KernelHandleCountOf(program.id())).c_str());
}

unsigned long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int MeasureObjects(const std::wstring& path, const ObjectRuns& runs) {
    Program program(path);
    if (!program.started()) return Fail("cannot-start-the-program");
    if (!program.WaitShown()) return Fail("no-window-shown-in-time");
    if (!program.Fades() || !program.WaitFadeEnd()) return Fail("the-fade-did-not-end-in-time");
    const HWND form = program.window();
    program.Drain();
    Print("program=%s\n", FileNameOf(path).c_str());
    ReportObjects(program, "start");

    std::vector<HWND> boxes;
    std::vector<bool> ticked;
    for (const auto& control : kControls) {
        if (control.driveLetter == 0) continue;
        boxes.push_back(ControlWindow(form, control.name));
        if (boxes.back() == nullptr) return Fail("a-drive-box-is-missing");
        ticked.push_back(SendMessageW(boxes.back(), BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    if (boxes.empty()) return Fail("no-drive-boxes");
    for (int click = 0; click < runs.driveBoxClicks; ++click) {
        const std::size_t box = static_cast<std::size_t>(click) % boxes.size();
        Click(boxes[box]);
        ticked[box] = !ticked[box];
    }
    program.Drain();
    bool asExpected = true;
    for (std::size_t box = 0; box < boxes.size(); ++box) {
        asExpected &= (SendMessageW(boxes[box], BM_GETCHECK, 0, 0) == BST_CHECKED) == ticked[box];
    }
    Print("drive_box_clicks=%d boxes_as_expected=%s\n", runs.driveBoxClicks,
          asExpected ? "yes" : "no");
    ReportObjects(program, "drive_box_clicks");

    const HWND hide = ControlWindow(form, "Command1");
    const HWND show = ControlWindow(form, "Command2");
    const HWND refresh = ControlWindow(form, "Command4");
    if (hide == nullptr || show == nullptr || refresh == nullptr) {
        return Fail("a-button-is-missing");
    }
    {
        const std::wstring counter = ApplicationDirectory() + L"\\bench-opened.count";
        DeleteFileW(counter.c_str());
        // The shell's "open" of .reg files runs the stand-in while this lives.
        const ScopedRegistryValue opener(
            HKEY_CLASSES_ROOT, L"regfile\\shell\\open\\command", nullptr,
            (L"\"" + ExecutablePath() + L"\" --opened \"" + counter + L"\" \"%1\"").c_str());
        for (int pair = 0; pair < runs.hideShowPairs; ++pair) {
            Click(hide);
            Click(show);
            if (pair == 0) {
                // What the shell sets up once on its first use, apart from any growth after.
                WaitFor([&] { return FileSize(counter) >= 2; }, 30000, kPollMs);
                program.Drain();
                ReportObjects(program, "first_hide_show_pair");
            }
        }
        // Every script handed to the shell has been opened by the stand-in.
        WaitFor([&] { return FileSize(counter) >= 2ull * runs.hideShowPairs; }, 180000, kPollMs);
        program.Drain();
        Print("hide_show_pairs=%d scripts_opened=%llu\n", runs.hideShowPairs, FileSize(counter));
        DeleteFileW(counter.c_str());
    }
    ReportObjects(program, "hide_show_pairs");

    const unsigned explorersBefore = ProcessCountByName(L"explorer.exe");
    for (int click = 0; click < runs.refreshClicks; ++click) Click(refresh);
    program.Drain();
    Print("refresh_clicks=%d explorer_exe_before=%u explorer_exe_after=%u\n", runs.refreshClicks,
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

int Run(int count, wchar_t** arguments) {
    const std::wstring first = count > 1 ? arguments[1] : L"";
    if (first == L"--opened" && count > 2) return RecordOpened(arguments[2]);
    // The desktop is up before any clock starts.
    GetDesktopWindow();
    if (first == L"--objects" && count == 3) return MeasureObjects(arguments[2], kLongRuns);
    if (first == L"--objects-quick" && count == 3) return MeasureObjects(arguments[2], kQuickRuns);
    if (count == 2 && first.rfind(L"--", 0) != 0) return MeasureStart(first, true);
    if (first == L"--without-fade" && count == 3) return MeasureStart(arguments[2], false);
    Print(
        "usage: bench_probe [--without-fade] PROGRAM | --objects[-quick] SELVARO | --opened "
        "COUNTER "
        "[FILE]\n");
    return 2;
}

}  // namespace
}  // namespace selvaro::testing

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return selvaro::testing::Run(__argc, __wargv);
}
