// Engine output of any kind, in reads of any sizes, into the plug-in's line buffer: lines
// come out whole and in order, never longer than the buffer, with their line ends merged
// exactly as a byte-by-byte reading of the whole output merges them.

#include "driver/LineBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The merging rule on the whole output at once: CR LF and LF CR become one LF, comparing
// every byte with the byte before it even when that one was merged away.
std::string Merged(std::string_view output) {
    std::string merged;
    char last = 0;
    for (const char c : output) {
        const bool pairEnd = (c == '\n' && last == '\r') || (c == '\r' && last == '\n');
        last = c;
        if (pairEnd && !merged.empty() && (merged.back() == '\r' || merged.back() == '\n')) {
            merged.back() = '\n';
        } else if (!pairEnd) {
            merged += c;
        }
    }
    return merged;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte sets the largest read, so that pairs split between reads are tried.
    const std::size_t largestRead = 1 + data[0] % 64;
    const std::string_view output(reinterpret_cast<const char*>(data + 1), size - 1);

    ferrule::LineBuffer buffer;
    std::string handedOut;
    bool fullLine = false;
    const auto take = [&](std::string_view line) {
        Require(!line.empty() && line.size() <= ferrule::LineBuffer::kCapacity);
        Require(line.find('\n') == std::string_view::npos || line.find('\n') == line.size() - 1);
        fullLine = fullLine || line.size() == ferrule::LineBuffer::kCapacity;
        handedOut += line;
    };
    std::size_t at = 0;
    while (at < output.size()) {
        Require(buffer.freeSize() > 0);
        const std::size_t count =
            std::min({largestRead, buffer.freeSize(), output.size() - at, 1 + at % largestRead});
        std::copy_n(output.data() + at, count, buffer.freeSpace());
        buffer.commit(count);
        at += count;
        buffer.takeLines([&](std::string_view line) {
            Require(line.back() == '\n' || line.size() == ferrule::LineBuffer::kCapacity);
            take(line);
        });
        Require(buffer.held().find('\n') == std::string_view::npos);
        Require(buffer.held().size() + buffer.freeSize() == ferrule::LineBuffer::kCapacity);
    }
    buffer.takeRest(take);
    Require(buffer.held().empty());
    // A line handed out because it filled the buffer may lose the LF of a pair that it
    // split; every other output comes out exactly merged.
    if (!fullLine) {
        Require(handedOut == Merged(output));
    }
    return 0;
}
