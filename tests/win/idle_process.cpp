// Waits until it is ended: a process with whatever image name the test copies it to.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(INFINITE);
    return 0;
}
