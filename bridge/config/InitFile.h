#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ferrule {

// A read-only initialisation file: "[Section]" headers and "Key=Value" lines. Section
// and key names match ignoring ASCII case; values lose surrounding blanks and one pair
// of enclosing quotes. Lines starting with ";" or "#" are comments.
class InitFile {
public:
    // A file that cannot be read, is not a regular file or is larger than kMaxSize gives
    // an empty InitFile.
    static InitFile load(const std::string& path);
    static constexpr std::size_t kMaxSize = 64 * 1024;
    static InitFile parse(std::string_view text);

    // The value, or an empty text when the section or key is missing.
    std::string value(std::string_view section, std::string_view key) const;

private:
    std::map<std::string, std::string> m_values; // "section\nkey" in lower case -> value
};

} // namespace ferrule
