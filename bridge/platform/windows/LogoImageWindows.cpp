#include "platform/LogoImage.h"

#include <windows.h>

namespace ferrule {

// The host draws the logo with GDI, so it gets a bitmap handle of the system's own, in
// the file's size. The file has been checked already; the system reads it once more.
void* logoHandle(const Bitmap&, const std::string& path) {
    return LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

void releaseLogoHandle(void* handle) {
    DeleteObject(static_cast<HGDIOBJ>(handle));
}

} // namespace ferrule
