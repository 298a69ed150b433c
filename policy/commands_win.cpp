#include "policy/commands_win.h"

#include <string>

#include "app/shell_win.h"
#include "app/text_win.h"
#include "policy/drive_mask.h"
#include "policy/policy_script.h"
#include "policy/policy_script_win.h"

namespace selvaro {
namespace {

// What counts is the panel's own visibility flag, not whether it can be seen.
bool HelpPanelVisible(HWND panel) {
    return (GetWindowLongW(panel, GWL_STYLE) & WS_VISIBLE) != 0;
}

void WriteAndOpenScript(const PolicyCommandControls& controls, const std::string& value) {
    const std::wstring path = PolicyScriptPath(ApplicationDirectory());
    const std::string quote = NarrowToAnsi(WindowText(controls.quoteField));
    WritePolicyScript(path, PolicyScriptText(quote, value));
    CallShellExecute(controls.form, L"open", path.c_str(), L"", L"", SW_SHOWNORMAL);
}

}  // namespace

void RunHideCommand(const PolicyCommandControls& controls) {
    if (HelpPanelVisible(controls.helpPanel)) return;
    const std::uint32_t mask = MaskValue(NarrowForNumber(WindowText(controls.maskField)));
    WriteAndOpenScript(controls, HexText(mask));
}

void RunShowCommand(const PolicyCommandControls& controls) {
    if (HelpPanelVisible(controls.helpPanel)) return;
    WriteAndOpenScript(controls, "0");
}

}  // namespace selvaro
