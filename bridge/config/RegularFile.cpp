#include "RegularFile.h"

#include <filesystem>
#include <fstream>

namespace ferrule {

namespace fs = std::filesystem;

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit) {
    std::error_code failed;
    if (!fs::is_regular_file(path, failed)) {
        return std::nullopt;
    }
    const std::uintmax_t size = fs::file_size(path, failed);
    if (failed || size > limit) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // One byte more than expected tells a file that grew while it was read.
    std::string content(static_cast<std::size_t>(size) + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<std::size_t>(in.gcount()));
    if (content.size() > limit) {
        return std::nullopt;
    }
    return content;
}

bool isFileOrFree(const std::string& path) {
    std::error_code failed;
    const fs::file_status status = fs::status(path, failed);
    return status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular;
}

} // namespace ferrule
