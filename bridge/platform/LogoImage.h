#pragma once

#include <string>

namespace ferrule {

struct Bitmap;

// The handle the host gets for the logo, made from a bitmap file that Bitmap::load has
// checked (`path` is where it was read). Null when the system cannot make one. The bitmap
// outlives the handle.
void* logoHandle(const Bitmap& bitmap, const std::string& path);

// Gives back what logoHandle made.
void releaseLogoHandle(void* handle);

} // namespace ferrule
