#include "InitFile.h"

#include "RegularFile.h"

#include "AsciiCase.h"

namespace ferrule {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string entryName(std::string_view section, std::string_view key) {
    return lowerAscii(trimmed(section)) + '\n' + lowerAscii(trimmed(key));
}

} // namespace

InitFile InitFile::load(const std::string& path) {
    const std::optional<std::string> text = readRegularFile(path, kMaxSize);
    return text ? parse(*text) : InitFile();
}

InitFile InitFile::parse(std::string_view text) {
    InitFile file;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        std::string_view value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        if (file.m_values.emplace(entryName(section, key), value).second) {
            file.m_entries.push_back(
                {lowerAscii(trimmed(section)), {std::string(key), std::string(value)}});
        }
    }
    return file;
}

std::string InitFile::value(std::string_view section, std::string_view key) const {
    const auto found = m_values.find(entryName(section, key));
    return found == m_values.end() ? std::string() : found->second;
}

std::vector<std::pair<std::string, std::string>> InitFile::section(std::string_view name) const {
    const std::string wanted = lowerAscii(trimmed(name));
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& [section, entry] : m_entries) {
        if (section == wanted) {
            entries.push_back(entry);
        }
    }
    return entries;
}

} // namespace ferrule
