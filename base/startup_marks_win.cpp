// The start-up marks of the benchmark's timed builds: each mark keeps the performance counter of
// the moment it was reached; at the end they are written, one "name=count" a line, to the file
// that the environment variable SELVARO_STARTUP_MARKS names. bench_probe sets it and reads them.
// Only the timed builds compile this file (bench/CMakeLists.txt); everywhere else the marks are
// the empty inline functions of startup_marks.h.
#include "base/startup_marks.h"

#include <windows.h>

#include <array>
#include <cstdio>

namespace selvaro {
namespace {

constexpr std::array<const char*, static_cast<int>(StartupMark::Count)> kMarkNames{
    "win_main_entered", "form_created", "controls_created", "shown"};

std::array<LONGLONG, static_cast<int>(StartupMark::Count)> marks{};

}  // namespace

void MarkStartup(StartupMark mark) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    LONGLONG& kept = marks[static_cast<std::size_t>(mark)];
    if (kept == 0) kept = now.QuadPart;
}

void WriteStartupMarks() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"SELVARO_STARTUP_MARKS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    for (std::size_t index = 0; index < marks.size(); ++index) {
        char line[64];
        const int size =
            std::snprintf(line, sizeof(line), "%s=%lld\n", kMarkNames[index], marks[index]);
        DWORD written = 0;
        if (size > 0) WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    }
    CloseHandle(file);
}

}  // namespace selvaro
