#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ferrule {

// A Windows bitmap file as loaded, in its own size.
struct Bitmap {
    int width = 0;
    int height = 0; // negative for a top-down bitmap, as in the file
    int bitsPerPixel = 0;
    std::vector<unsigned char> file;

    // Returns nothing when the file is missing, is not a bitmap or is cut short.
    static std::unique_ptr<Bitmap> load(const std::string& path);
};

// The plug-in's logo: loaded on first request; once loaded, every request returns the
// same handle; a failed load is tried again next time.
class Logo {
public:
    Logo() = default;
    ~Logo();
    Logo(const Logo&) = delete;
    Logo& operator=(const Logo&) = delete;

    // The host's handle of the bitmap (see platform/LogoImage.h), or null when the
    // bitmap cannot be loaded.
    void* handle(const std::string& path);

private:
    std::mutex m_mutex;
    std::unique_ptr<Bitmap> m_bitmap;
    void* m_handle = nullptr;
};

} // namespace ferrule
