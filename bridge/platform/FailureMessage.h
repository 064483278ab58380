#pragma once

#include <string>

namespace ferrule {

// Shows a failure to the person at the host with `title` (the plug-in name). The host's
// standard error is this library's console, so that is where it goes.
void showFailureMessage(const std::string& title, const std::string& text);

} // namespace ferrule
