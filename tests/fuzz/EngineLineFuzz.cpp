// Engine output, whatever an engine prints, into the plug-in's line parser: it never
// reads past the line, and what it reports stays inside the line and its ranges.

#include "driver/LineParser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool Inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const ferrule::ParsedLine parsed = ferrule::parseEngineLine(line);
    Require(Inside(parsed.move, line));
    Require(Inside(parsed.text, line));
    Require(parsed.nodes >= 0);
    return 0;
}
