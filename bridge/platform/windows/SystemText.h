#pragma once

#include <windows.h>

#include <string>

namespace ferrule {

// The system's own words for an error code, without the line end it adds.
std::string systemText(DWORD error);

} // namespace ferrule
