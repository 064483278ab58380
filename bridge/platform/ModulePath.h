#pragma once

#include <string>

namespace ferrule {

// The absolute file name of the shared library this code was loaded from, or an empty
// text. A host that loaded the library by a relative name gets it completed against the
// current folder of the moment, so it must be called while the library is being loaded.
std::string ownModulePath();

} // namespace ferrule
