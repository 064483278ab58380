#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ferrule {

// The whole content of the regular file at `path` (links followed), or nothing when it is
// missing, unreadable, larger than `limit` bytes, or not a regular file: a named pipe or a
// device beside the engine must not hold the host's call.
std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit);

// True when `path` does not exist or is a regular file: a place a file may be written to
// without waiting for a reader.
bool isFileOrFree(const std::string& path);

} // namespace ferrule
