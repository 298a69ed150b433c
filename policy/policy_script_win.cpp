#include "policy/policy_script_win.h"

#include "base/handles_win.h"
#include "base/run_time_error.h"
#include "base/text_win.h"
#include "policy/policy_script.h"

namespace selvaro {
namespace {

RunTimeError FileError(DWORD systemError) {
    switch (systemError) {
        case ERROR_PATH_NOT_FOUND:
            return RunTimeError(ErrorNumber::PathNotFound);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return RunTimeError(ErrorNumber::PermissionDenied);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return RunTimeError(ErrorNumber::DiskFull);
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return RunTimeError(ErrorNumber::BadFileName);
        default:
            return RunTimeError(ErrorNumber::PathFileAccess);
    }
}

// The system error of a write that failed, or of one that wrote less than it was given.
DWORD WriteAll(HANDLE file, std::string_view text) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(text.size());
    if (!WriteFile(file, text.data(), size, &written, nullptr)) return GetLastError();
    return written == size ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

}  // namespace

std::wstring PolicyScriptPath(const std::wstring& applicationDirectory) {
    // Appended, not joined with +: see ReportRunTimeErrorAndExit (app/error_win.cpp).
    std::wstring path = applicationDirectory;
    path += L'\\';
    path += WidenFromCodePage(kPolicyScriptName, CP_ACP);
    return path;
}

void WritePolicyScript(const std::wstring& path, std::string_view text, CloseFileFn closeFile) {
    unique_handle file =
        OwnFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FileError(GetLastError());
    DWORD error = WriteAll(file.get(), text);
    if (!closeFile(file.release()) && error == ERROR_SUCCESS) error = GetLastError();
    if (error != ERROR_SUCCESS) {
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
