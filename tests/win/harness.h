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
// Copies one of the programs built beside the tests, unless the destination exists already.
void CopyBuiltProgram(const std::wstring& program, const std::wstring& destination);
// Starts a program, shown as showCommand asks unless it is -1; its process handle, or nullptr.
HANDLE StartProgram(const std::wstring& path, int showCommand = -1);

// The per-user NoDrives policy value.
std::optional<DWORD> NoDrivesPolicy();
void SetNoDrivesPolicy(DWORD value);

// Sets a registry value for as long as it lives, then puts back what was there (or removes it).
class ScopedRegistryValue {
  public:
    ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name,
                        const std::wstring& text)
        : ScopedRegistryValue(root, key, name, REG_SZ, text.c_str(), (text.size() + 1) * 2) {}
    ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD number)
        : ScopedRegistryValue(root, key, name, REG_DWORD, &number, sizeof(number)) {}
    ~ScopedRegistryValue();
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

  private:
    ScopedRegistryValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type,
                        const void* data, std::size_t size);
    HKEY root_;
    const wchar_t *key_, *name_;
    DWORD savedType_ = REG_NONE;  // REG_NONE: there was no value
    std::string saved_;
};

// Checks done() every pollMs until it holds or timeoutMs have passed; returns whether it held.
template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs = 10000, DWORD pollMs = 20) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !done(); Sleep(pollMs)) {
        if (GetTickCount64() >= end) return false;
    }
    return true;
}

class RunningSelvaro {
  public:
    // Copies Selvaro.exe into directory, unless it is there already, and starts it there. Started
    // the usual way, it is waited for until it is in front and faded in; started with a show
    // command, until its window exists.
    explicit RunningSelvaro(const std::wstring& directory = FreshDirectory(), int showCommand = -1);
    ~RunningSelvaro();
    RunningSelvaro(const RunningSelvaro&) = delete;
    RunningSelvaro& operator=(const RunningSelvaro&) = delete;

    const std::wstring& directory() const { return directory_; }
    std::wstring script() const { return directory_ + L"\\Drive.reg"; }
    HWND form() const { return form_; }
    HANDLE process() const { return process_; }
    HWND Control(std::string_view name) const;
    std::wstring Text(std::string_view name) const;
    bool Ticked(std::string_view name) const;
    std::string FocusedControl() const;
    BYTE Alpha() const;
    BYTE FirstAlpha() const { return firstAlpha_; }  // the moment it was first seen shown

    // A left click in the middle of a control's visible part, through the mouse.
    void Click(std::string_view name) const;
    void PressKeys(std::initializer_list<WORD> keys) const;  // pressed in order, released backwards
    // Returns once the program has taken the input sent so far.
    void Settle() const;
    // Sets a text field's text as if the user had typed it.
    void TypeInto(std::string_view name, const std::wstring& text) const;

    void Close() const;  // the close message, as the close box sends it
    bool WaitForExit() const;
    DWORD ExitCode() const;
    int MessageBoxCount() const;
    // The text of the message box the program shows, or empty when there is none in time.
    std::wstring WaitForMessageBox() const;
    void DismissMessageBox() const;

  private:
    std::wstring directory_;
    HANDLE process_;
    HWND form_ = nullptr;
    BYTE firstAlpha_ = 0;
};

}  // namespace selvaro::testing
