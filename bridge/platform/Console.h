#pragma once

#include <string>
#include <string_view>

namespace ferrule {

// Writes `text` to the host's console (the engine echo and the failure message). The
// console belongs to the host and may be a pipe nobody reads or one already closed: the
// write gives up after a short bound and never raises a signal; what is not written is lost.
void writeToConsole(std::string_view text);

// Where the system has consoles of its own, the library opens one for the echo, titled
// `title` when that is not empty, and closes it again; elsewhere the host's standard
// error is the console and these do nothing.
void openConsole(const std::string& title);
void closeConsole();

} // namespace ferrule
