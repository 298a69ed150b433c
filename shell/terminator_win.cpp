#include "shell/terminator_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include "base/handles_win.h"
#include "shell/image_name.h"

namespace selvaro {
namespace {

// The 8-bit entry: nine 32-bit fields (two of them pointer-sized in a 64-bit process) and the
// 260-byte name.
static_assert(sizeof(PROCESSENTRY32) == (sizeof(void*) == 4 ? 296 : 304));

// The policy is per user, so only the caller's own shell needs to start again: a process of
// another session (another signed-in user), or one whose session cannot be told, is left alone.
bool InCallersSession(DWORD processId) {
    DWORD ours = 0, theirs = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &ours) &&
           ProcessIdToSessionId(processId, &theirs) && theirs == ours;
}

void Terminate(DWORD processId) {
    unique_handle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (process) TerminateProcess(process.get(), 0);
}

}  // namespace

std::string LowerCaseAnsi(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

void TerminateProcessesByName(const std::string& imageName) {
    unique_handle snapshot = OwnFileHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        const std::string_view name = EntryName(entry.szExeFile, sizeof(entry.szExeFile));
        if (SameImageName(name, imageName, LowerCaseAnsi) &&
            InCallersSession(entry.th32ProcessID)) {
            Terminate(entry.th32ProcessID);
        }
    }
}

}  // namespace selvaro
