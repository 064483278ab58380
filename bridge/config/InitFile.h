#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    // Every key of the section with its value, in the file's order and spelling; a key
    // given twice counts once, with its first value (as value() reads it).
    std::vector<std::pair<std::string, std::string>> section(std::string_view name) const;

private:
    std::map<std::string, std::string> m_values; // "section\nkey" in lower case -> value
    // Section name in lower case, key as written, value; in the file's order.
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> m_entries;
};

} // namespace ferrule
