#include "InstallPaths.h"

#include "AsciiCase.h"

#include <algorithm>

namespace ferrule {

namespace {

std::size_t findLastIgnoringCase(std::string_view text, std::string_view needle) {
    const auto found = std::find_end(text.begin(), text.end(), needle.begin(), needle.end(),
                                     [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
    return found == text.end() ? std::string_view::npos
                               : static_cast<std::size_t>(found - text.begin());
}

} // namespace

std::optional<InstallPaths> derivePaths(std::string_view libraryPath) {
    constexpr std::string_view kEngines = "/engines/";
    const std::size_t at = findLastIgnoringCase(libraryPath, kEngines);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    InstallPaths paths;
    paths.library = libraryPath;
    paths.pluginName = libraryPath.substr(at + kEngines.size());
    if (paths.pluginName.size() <= 4 || paths.pluginName.find('/') != std::string::npos) {
        return std::nullopt;
    }
    paths.engineFolder = std::string(libraryPath.substr(0, libraryPath.size() - 4)) + "/";
    paths.base = paths.engineFolder + paths.engineName();
    for (const std::string& path :
         {paths.library, paths.configuration(), paths.logo(), paths.logFile()}) {
        if (path.size() > kMaxPathLength) {
            return std::nullopt;
        }
    }
    return paths;
}

} // namespace ferrule
