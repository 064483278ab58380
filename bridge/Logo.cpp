#include "Logo.h"

#include "LittleEndian.h"
#include "config/RegularFile.h"

#include <cstdint>
#include <cstdlib>

namespace ferrule {

namespace {

constexpr std::size_t kFileHeader = 14;
// Far more than any logo; a larger file is not loaded whole into the host.
constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;
constexpr std::size_t kInfoHeader = 40;

} // namespace

std::unique_ptr<Bitmap> Bitmap::load(const std::string& path) {
    const std::optional<std::string> content = readRegularFile(path, kMaxFileSize);
    if (!content) {
        return nullptr;
    }
    std::vector<unsigned char> bytes(content->begin(), content->end());
    if (bytes.size() < kFileHeader + kInfoHeader || bytes[0] != 'B' || bytes[1] != 'M' ||
        getLe32(bytes.data(), kFileHeader) < kInfoHeader) {
        return nullptr;
    }
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->width = static_cast<std::int32_t>(getLe32(bytes.data(), 18));
    bitmap->height = static_cast<std::int32_t>(getLe32(bytes.data(), 22));
    bitmap->bitsPerPixel = getLe16(bytes.data(), 28);
    const std::uint32_t pixelsAt = getLe32(bytes.data(), 10);
    const int bits = bitmap->bitsPerPixel;
    if (bitmap->width <= 0 || bitmap->height == 0 || bitmap->height == INT32_MIN ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        return nullptr;
    }
    const std::uint64_t rowBytes =
        ((static_cast<std::uint64_t>(bitmap->width) * bits + 31) / 32) * 4;
    const std::uint64_t pixelBytes =
        rowBytes * static_cast<std::uint64_t>(std::abs(bitmap->height));
    const bool compressed = getLe32(bytes.data(), 30) != 0;
    if (pixelsAt > bytes.size() || (!compressed && pixelBytes > bytes.size() - pixelsAt)) {
        return nullptr;
    }
    bitmap->file = std::move(bytes);
    return bitmap;
}

void* Logo::handle(const std::string& path) {
    std::lock_guard lock(m_mutex);
    if (!m_bitmap) {
        m_bitmap = Bitmap::load(path);
    }
    return m_bitmap.get();
}

} // namespace ferrule
