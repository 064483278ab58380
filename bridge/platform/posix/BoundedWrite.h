#pragma once

#include <chrono>
#include <string_view>

namespace ferrule {

// Writes all of `text` to `fd` within `limit`, in pieces no larger than a pipe takes at
// once, so that a pipe reported writable never blocks the write. Returns false when the
// time runs out, the reader has gone or the write fails. A write to a pipe without a
// reader raises no SIGPIPE (that signal would end the host); the host's own handling of
// SIGPIPE is left as it was.
bool writeWithin(int fd, std::string_view text, std::chrono::milliseconds limit);

} // namespace ferrule
