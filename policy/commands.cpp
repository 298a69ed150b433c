#include "policy/commands.h"

#include "policy/drive_mask.h"
#include "policy/policy_script.h"

namespace selvaro {

std::optional<std::string> PolicyScriptForClick(PolicyCommand command,
                                                const PolicyCommandInputs& inputs) {
    if (inputs.helpPanelVisible) return std::nullopt;
    const std::string value =
        command == PolicyCommand::Hide ? HexText(MaskValue(inputs.maskText)) : "0";
    return PolicyScriptText(inputs.quote, value);
}

}  // namespace selvaro
