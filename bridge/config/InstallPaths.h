#pragma once

#include "platform/PathStyle.h"

#include <optional>
#include <string>
#include <string_view>

namespace ferrule {

// Where the library finds its engine, worked out from its own file name: a library
// .../engines/knight.eng drives .../engines/knight/knight with knight.init beside it.
// Every path keeps the case it has on disk.
struct InstallPaths {
    std::string library;      // the library's own file name
    std::string pluginName;   // the part after the last "/engines/": "knight.eng"
    std::string engineFolder; // the library path without ".eng", plus "/"
    std::string base;         // engineFolder + pluginName without ".eng"

    std::string executable() const { return base + kExecutableSuffix; }
    std::string configuration() const { return base + ".init"; }
    std::string logo() const { return base + ".bmp"; }
    std::string logFile() const { return engineFolder + "logfile.text"; }
    // The plug-in name without its four-letter extension: "knight".
    std::string engineName() const { return pluginName.substr(0, pluginName.size() - 4); }
};

// The longest path the library works with.
constexpr std::size_t kMaxPathLength = 509;

// Returns nothing when the path has no "/engines/" (found ignoring ASCII case), names no
// file longer than its four-letter extension after it, or when any derived path would be
// longer than kMaxPathLength.
std::optional<InstallPaths> derivePaths(std::string_view libraryPath);

} // namespace ferrule
