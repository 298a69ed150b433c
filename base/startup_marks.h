// Points of the start-up that the benchmark's timed builds record (startup_marks_win.cpp, which
// only they compile). In every other build the marks are empty and compile to nothing.
#pragma once

namespace selvaro {

enum class StartupMark { WinMainEntered, FormCreated, ControlsCreated, Shown, Count };

#ifdef SELVARO_STARTUP_MARKS
// Records the moment (the performance counter) the start-up reached mark.
void MarkStartup(StartupMark mark);
// Writes the recorded moments to the file that SELVARO_STARTUP_MARKS names, if it names one.
void WriteStartupMarks();
#else
inline void MarkStartup(StartupMark) {}
inline void WriteStartupMarks() {}
#endif

}  // namespace selvaro
