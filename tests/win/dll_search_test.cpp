// Run from a folder that holds DLLs named like system ones, as a Downloads folder may.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <span>

#include "app/controls.h"
#include "base/handles_win.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

// What the program, Common Controls and the shell load. Wine's own libraries load some of them in
// ways that pass over the program's DLL search: user32 loads version.dll before the program's
// first line, and what its libraries load late (imm32 loads ole32 when the window is activated,
// Common Controls msimg32 when it paints) is looked for beside the program first. On Windows
// these are known DLLs or follow the process's search. ole32 is planted all the same: the program
// binds it for the web link, which a planted one would fail with run-time error 53.
constexpr const wchar_t* kPlanted[] = {L"uxtheme", L"dwmapi",  L"comctl32", L"shell32", L"shlwapi",
                                       L"shcore",  L"combase", L"rpcrt4",   L"ole32"};

// While it lives, Wine prefers a DLL found on the search path to its own for every planted name
// in Selvaro.exe, as Windows does for all but the known DLLs. (A child process gets Wine's own
// WINEDLLOVERRIDES, whatever environment its parent passes.)
class PreferPlantedDlls {
  public:
    PreferPlantedDlls() {
        for (const wchar_t* name : kPlanted) {
            RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, name, REG_SZ, L"native,builtin",
                            sizeof(L"native,builtin"));
        }
    }
    ~PreferPlantedDlls() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kApplication);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults");  // only when empty
    }

  private:
    static constexpr wchar_t kApplication[] = L"Software\\Wine\\AppDefaults\\Selvaro.exe";
    static constexpr wchar_t kOverrides[] =
        L"Software\\Wine\\AppDefaults\\Selvaro.exe\\DllOverrides";
};

// The path of a module of the process that owns window, or "" when it has none of that name.
std::wstring ModulePath(HWND window, const wchar_t* name) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process));
    MODULEENTRY32W module{};
    module.dwSize = sizeof(module);
    for (BOOL more = Module32FirstW(snapshot.get(), &module); more;
         more = Module32NextW(snapshot.get(), &module)) {
        if (_wcsicmp(module.szModule, name) == 0) return module.szExePath;
    }
    return {};
}

TEST(DllSearch, NoDllBesideTheProgramIsLoadedAndEveryCommandWorks) {
    const ScopedRegistryValue policy(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", DWORD{0x5A5});
    const RecordedBrowser browser;
    const PreferPlantedDlls preferPlanted;
    const std::wstring directory = FreshDirectory();
    for (const wchar_t* name : kPlanted)
        CopyBuiltProgram(L"recording_dll.dll", directory + L"\\" + name + L".dll");
    {
        RunningSelvaro selvaro(directory);
        EXPECT_NE(ModulePath(selvaro.form(), L"comctl32.dll").find(L"common-controls"),
                  std::wstring::npos);
        selvaro.Click("Check1");
        selvaro.Click("Command1");
        EXPECT_TRUE(WaitFor([] { return NoDrivesPolicy() == 1u; }));
        selvaro.Click("Command2");
        EXPECT_TRUE(WaitFor([] { return NoDrivesPolicy() == 0u; }));
        selvaro.Click("Label8");
        EXPECT_EQ(RecordedBrowser::Calls(directory).find(kWebAddress), 0u);
        EXPECT_EQ(selvaro.MessageBoxCount(), 0);
        selvaro.Close();
        EXPECT_EQ(selvaro.ExitCode(), 0u);
        EXPECT_FALSE(PathExists(selvaro.script()));
    }
    for (const wchar_t* name : std::span(kPlanted).first(std::size(kPlanted) - 1))
        EXPECT_FALSE(PathExists(directory + L"\\" + name + L".dll.loaded")) << name;
    std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace selvaro::testing
