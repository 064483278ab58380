#pragma once

#include <string>
#include <string_view>

namespace ferrule {

// Case folding for names and keys of the configuration and the install folder: ASCII
// letters only, whatever locale the host has set.
inline char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = lowerAscii(c);
    }
    return lower;
}

} // namespace ferrule
