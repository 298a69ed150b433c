#include "shell/terminator_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include "app/handles_win.h"
#include "shell/image_name.h"

namespace selvaro {
namespace {

// The 8-bit process entry, larger on 64-bit Windows by its pointer-sized heap field.
static_assert(sizeof(PROCESSENTRY32) == (sizeof(void*) == 8 ? 304 : 296),
              "the 8-bit process entry");

// The platform's lower-case mapping for text in the system's 8-bit code page.
std::string LowerCaseAnsi(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

void Terminate(DWORD processId) {
    unique_handle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (process) TerminateProcess(process.get(), 0);
}

}  // namespace

void TerminateProcessesByName(const std::string& imageName) {
    unique_handle snapshot = OwnFileHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        const std::string_view name = EntryName(entry.szExeFile, sizeof(entry.szExeFile));
        if (SameImageName(name, imageName, LowerCaseAnsi)) Terminate(entry.th32ProcessID);
    }
}

}  // namespace selvaro
