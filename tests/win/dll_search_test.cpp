// Run from a folder that holds DLLs named like system ones, as a Downloads folder may.
#include <gtest/gtest.h>

#include <span>

#include "app/controls.h"
#include "tests/win/harness.h"

namespace selvaro::testing {
namespace {

// What the program, Common Controls and the shell load. Wine's libraries pass over the program's
// DLL search for some loads (user32's of version.dll before the program starts, imm32's of ole32
// and Common Controls' of msimg32 later), looking beside the program first; on Windows these
// are known DLLs or follow the search. ole32 is planted all the same, last: the program binds it
// for the web link, which a planted one fails with run-time error 53.
constexpr const wchar_t* kPlanted[] = {L"uxtheme", L"dwmapi",  L"comctl32", L"shell32", L"shlwapi",
                                       L"shcore",  L"combase", L"rpcrt4",   L"ole32"};
constexpr wchar_t kSelvaroSettings[] = L"Software\\Wine\\AppDefaults\\Selvaro.exe";

// While it lives, Wine prefers a DLL found on the search path to its own for every planted name in
// Selvaro.exe, as Windows does but for the known DLLs. (WINEDLLOVERRIDES cannot do this for one
// child: Wine gives every process its own.)
struct PreferPlantedDlls {
    PreferPlantedDlls() {
        const std::wstring key = kSelvaroSettings + std::wstring(L"\\DllOverrides");
        for (const wchar_t* name : kPlanted)
            RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, L"n,b", sizeof(L"n,b"));
    }
    ~PreferPlantedDlls() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSelvaroSettings);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults");  // only when empty
    }
};

TEST(DllSearch, NoDllBesideTheProgramIsLoadedAndEveryCommandWorks) {
    const ScopedRegistryValue policy(HKEY_CURRENT_USER, kPolicyKey, L"NoDrives", kUntouched);
    const RecordedBrowser browser;
    const PreferPlantedDlls preferPlanted;
    const std::wstring directory = FreshDirectory();
    for (const wchar_t* name : kPlanted)
        CopyBuiltProgram(L"recording_dll.dll", directory + L"\\" + name + L".dll");
    {
        RunningSelvaro selvaro(directory);
        selvaro.Click("Check1");
        selvaro.Click("Command1");
        EXPECT_TRUE(PolicyBecomes(1));
        selvaro.Click("Command2");
        EXPECT_TRUE(PolicyBecomes(0));
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
