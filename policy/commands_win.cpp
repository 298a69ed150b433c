#include "policy/commands_win.h"

#include <string>

#include "base/shell_execute_win.h"
#include "base/text_win.h"
#include "policy/policy_script_win.h"

namespace selvaro {

void WriteAndOpenPolicyScript(HWND form, std::string_view script) {
    const std::wstring path = PolicyScriptPath(ApplicationDirectory());
    WritePolicyScript(path, script);
    CallShellExecute(form, L"open", path.c_str(), L"", L"", SW_SHOWNORMAL);
}

}  // namespace selvaro
