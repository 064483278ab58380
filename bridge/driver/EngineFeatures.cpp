#include "EngineFeatures.h"

#include "core/Words.h"

#include <array>

namespace ferrule {

namespace {

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

std::vector<FeaturePair> readFeaturePairs(std::string_view text) {
    std::vector<FeaturePair> pairs;
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && Words::isSpace(text[at])) {
            ++at;
        }
        const std::size_t nameStart = at;
        while (at < text.size() && isNameCharacter(text[at])) {
            ++at;
        }
        if (at == nameStart || at >= text.size() || text[at] != '=') {
            return pairs;
        }
        FeaturePair pair{text.substr(nameStart, at - nameStart), {}};
        ++at;
        if (at < text.size() && text[at] == '"') {
            const std::size_t close = text.find('"', at + 1);
            if (close == std::string_view::npos) {
                return pairs;
            }
            pair.value = text.substr(at + 1, close - at - 1);
            at = close + 1;
        } else {
            const std::size_t valueStart = at;
            while (at < text.size() && !Words::isSpace(text[at])) {
                ++at;
            }
            pair.value = text.substr(valueStart, at - valueStart);
        }
        pairs.push_back(pair);
    }
}

bool EngineFeatures::take(const FeaturePair& pair) {
    const std::string_view name = pair.name;
    const bool on = pair.value == "1";
    if (name == "setboard") {
        setboard = on;
    } else if (name == "ping") {
        ping = on;
    } else if (name == "usermove") {
        usermove = on;
    } else if (name == "analyze") {
        noAnalyze = pair.value == "0";
    } else if (name == "colors") {
        noColors = pair.value == "0";
    } else if (name == "myname") {
        myname = std::string(pair.value.substr(0, kMaxName));
    } else if (name == "done") {
        done = done || on;
        doneAwaited = !on;
    } else if (name == "sigint" || name == "sigterm") {
        return pair.value == "0";
    } else {
        constexpr std::array<std::string_view, 3> kHarmless{"time", "draw", "reuse"};
        for (const std::string_view harmless : kHarmless) {
            if (name == harmless) {
                return true;
            }
        }
        return false;
    }
    return true;
}

} // namespace ferrule
