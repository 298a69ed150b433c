// The entry of Selvaro's timed build: marks the moment wWinMain is entered, runs Selvaro's own
// wWinMain (compiled under the name SelvaroWinMain for this build only; the system headers declare
// it, so it keeps C linkage) and writes the marks.
#undef wWinMain
#include <windows.h>

#include "base/startup_marks.h"

extern "C" int WINAPI SelvaroWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine,
                                     int showCommand);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int showCommand) {
    selvaro::MarkStartup(selvaro::StartupMark::WinMainEntered);
    const int exitCode = SelvaroWinMain(instance, previous, commandLine, showCommand);
    selvaro::WriteStartupMarks();
    return exitCode;
}
