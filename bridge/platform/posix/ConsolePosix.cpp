#include "platform/Console.h"

#include "BoundedWrite.h"

#include <unistd.h>

namespace ferrule {

namespace {
// Long enough for a terminal that is being scrolled, short enough not to stall the engine.
constexpr std::chrono::milliseconds kConsoleBound(500);
} // namespace

void writeToConsole(std::string_view text) {
    writeWithin(STDERR_FILENO, text, kConsoleBound);
}

} // namespace ferrule
