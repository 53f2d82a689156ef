// Modal message boxes with an OK button, as start-up failures and fatal
// errors show them (MessageBoxWindow draws them; Return and Escape answer
// them). Without a display the text goes to standard error.
#pragma once

#include <functional>
#include <string_view>

namespace plat {

void ShowMessageBox(std::string_view caption, std::string_view text);

// Tests replace the box to see what would have been shown (null restores).
using MessageBoxHook = std::function<void(std::string_view caption, std::string_view text)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

} // namespace plat
