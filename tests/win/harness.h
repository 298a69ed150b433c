// Drives the real Selvaro.exe from outside, as a user would: starts a copy in a directory of its
// own, finds its window, clicks and types, and reads back what it shows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace selvaro::testing {

// A new empty directory under the temporary directory; name gives its last part.
std::wstring FreshDirectory(const std::wstring& name = L"");
std::string ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);
std::string Utf8(const std::wstring& text);
// The kernel handles a process holds, or nothing where the system does not tell.
std::optional<unsigned> KernelHandleCountOf(DWORD processId);

// The window of a control of Selvaro's main window, found by the control's name.
HWND ControlWindow(HWND form, std::string_view name);

// A copy of one of the programs built beside the tests, under another name; false if it failed.
bool CopyBuiltProgram(const std::wstring& program, const std::wstring& destination);
// Starts a program; its process handle, or nullptr.
HANDLE StartProgram(const std::wstring& path, const std::wstring& arguments = L"");

// The per-user NoDrives policy value.
std::optional<DWORD> NoDrivesPolicy();
void SetNoDrivesPolicy(std::optional<DWORD> value);

// Sets the default value of a key under HKEY_CLASSES_ROOT for as long as it lives, then puts back
// what was there (or removes the value where there was none).
class ClassesRootDefault {
  public:
    ClassesRootDefault(const std::wstring& key, const std::wstring& value);
    ~ClassesRootDefault();
    ClassesRootDefault(const ClassesRootDefault&) = delete;
    ClassesRootDefault& operator=(const ClassesRootDefault&) = delete;

    bool set() const { return set_; }

  private:
    std::wstring key_;
    std::wstring saved_;  // with its terminating null
    DWORD type_ = REG_SZ;
    bool had_ = false;
    bool set_ = false;
};

// Checks done() every pollMs until it holds or timeoutMs have passed; returns whether it held.
template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs = 10000, DWORD pollMs = 20) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        Sleep(pollMs);
    }
    return true;
}

class RunningSelvaro {
  public:
    // Copies Selvaro.exe into directory, unless it is there already, and starts it there; waits
    // until its window is shown and faded in.
    explicit RunningSelvaro(const std::wstring& directory = FreshDirectory());
    ~RunningSelvaro();
    RunningSelvaro(const RunningSelvaro&) = delete;
    RunningSelvaro& operator=(const RunningSelvaro&) = delete;

    const std::wstring& directory() const { return directory_; }
    HWND form() const { return form_; }
    HANDLE process() const { return process_; }
    HWND Control(std::string_view name) const;
    std::wstring Text(std::string_view name) const;
    bool Ticked(std::string_view name) const;
    std::string FocusedControl() const;
    BYTE Alpha() const;
    // The opacity the window had when it was first seen shown.
    BYTE FirstAlpha() const { return firstAlpha_; }
    bool WaitForFadeEnd() const;

    // A left click in the middle of a control's visible part, through the mouse.
    void Click(std::string_view name) const;
    void PressKey(WORD key) const;
    // Returns once the program has taken the input sent so far.
    void Settle() const;
    // Sets the mask field's text as if the user had typed it.
    void TypeInto(std::string_view name, const std::wstring& text) const;

    void Close() const;  // the close message, as the close box sends it
    bool WaitForExit(DWORD timeoutMs = 10000) const;
    DWORD ExitCode() const;
    // The text of the message box the program shows, or empty when there is none in time.
    std::wstring WaitForMessageBox(DWORD timeoutMs = 10000) const;
    void DismissMessageBox() const;

  private:
    HWND FindMessageBox() const;

    std::wstring directory_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND form_ = nullptr;
    BYTE firstAlpha_ = 255;
};

}  // namespace selvaro::testing
