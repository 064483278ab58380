#pragma once

#include <string>

namespace ferrule {

// The full file name of the shared library this code was loaded from, or an empty text.
std::string ownModulePath();

} // namespace ferrule
