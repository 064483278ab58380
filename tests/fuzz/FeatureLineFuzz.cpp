// A version 2 engine's "feature" lines, whatever an engine prints, into the line parser and
// the feature reader: nothing is read past the line, every pair stays inside it, and taking
// the pairs leaves an engine name no longer than its bound.

#include "driver/EngineFeatures.h"
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
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const ferrule::ParsedLine parsed = ferrule::parseEngineLine(line);
    const std::string_view text =
        parsed.kind == ferrule::ParsedLine::Kind::kFeature ? parsed.text : line;
    Require(Inside(text, line));
    ferrule::EngineFeatures features;
    for (const ferrule::FeaturePair& pair : ferrule::readFeaturePairs(text)) {
        Require(!pair.name.empty());
        Require(Inside(pair.name, text) && Inside(pair.value, text));
        features.take(pair);
    }
    Require(features.myname.size() <= ferrule::EngineFeatures::kMaxName);
    return 0;
}
