#include "platform/LogoImage.h"

#include "Logo.h"

namespace ferrule {

// Without a graphics system of the library's own, the host gets the checked file itself.
void* logoHandle(const Bitmap& bitmap, const std::string&) {
    return const_cast<Bitmap*>(&bitmap);
}

void releaseLogoHandle(void*) {}

} // namespace ferrule
