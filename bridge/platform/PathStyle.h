#pragma once

namespace ferrule {

// How the system writes paths: the folder separator, and what an executable's file name
// ends in ("" where executables have no extension).
extern const char kFolderSeparator;
extern const char kExecutableSuffix[];

} // namespace ferrule
