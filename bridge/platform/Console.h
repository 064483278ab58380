#pragma once

#include <string_view>

namespace ferrule {

// Writes `text` to the host's console (the engine echo and the failure message). The
// console belongs to the host and may be a pipe nobody reads or one already closed: the
// write gives up after a short bound and never raises a signal; what is not written is lost.
void writeToConsole(std::string_view text);

} // namespace ferrule
