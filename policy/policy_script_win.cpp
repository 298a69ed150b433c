#include "policy/policy_script_win.h"

#include <windows.h>

#include "app/handles_win.h"
#include "app/run_time_error.h"
#include "app/text_win.h"
#include "policy/policy_script.h"

namespace selvaro {
namespace {

RunTimeError FileError(DWORD systemError) {
    switch (systemError) {
        case ERROR_PATH_NOT_FOUND:
            return RunTimeError(76, "Path not found");
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return RunTimeError(70, "Permission denied");
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return RunTimeError(61, "Disk full");
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return RunTimeError(52, "Bad file name or number");
        default:
            return RunTimeError(75, "Path/File access error");
    }
}

}  // namespace

std::wstring PolicyScriptPath(const std::wstring& applicationDirectory) {
    return applicationDirectory + L'\\' + WidenFromCodePage(kPolicyScriptName, CP_ACP);
}

void WritePolicyScript(const std::wstring& path, std::string_view text) {
    unique_handle file =
        OwnFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FileError(GetLastError());
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(text.size());
    const BOOL wrote = WriteFile(file.get(), text.data(), size, &written, nullptr);
    if (!wrote || written != size) {
        const DWORD error = wrote ? ERROR_DISK_FULL : GetLastError();
        file.reset();
        DeleteFileW(path.c_str());
        throw FileError(error);
    }
}

void DeletePolicyScript() {
    try {
        DeleteFileW(PolicyScriptPath(ApplicationDirectory()).c_str());
    } catch (...) {
        // The window closes whatever happens here.
    }
}

}  // namespace selvaro
