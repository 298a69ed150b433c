// The hide and show commands' decision: which script a click writes, if any.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace selvaro {

enum class PolicyCommand { Hide, Show };

// What a click reads from the window, in this order.
struct PolicyCommandInputs {
    bool helpPanelVisible;      // the commands act only while it is not
    std::string_view maskText;  // the mask field, read by the hide command
    std::string_view quote;     // the quote field, around the value name
};

// The bytes of Drive.reg for a click of the command, or nothing while the help panel is visible.
// The hide command writes the mask in hexadecimal and raises Overflow, before anything is
// written, for a mask that is not a whole number from 0 to 4294967295; the show command writes 0.
std::optional<std::string> PolicyScriptForClick(PolicyCommand command,
                                                const PolicyCommandInputs& inputs);

}  // namespace selvaro
