#include "platform/ModulePath.h"

#include <dlfcn.h>
#include <filesystem>

namespace ferrule {

namespace {
void anchor() {}
} // namespace

std::string ownModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    // The loader keeps the name the host gave, which may be relative ("engines/knight.eng").
    // It is completed against the current folder, not resolved through links: a plug-in
    // linked into a host's engines folder must keep the name it has there.
    std::error_code failed;
    const std::filesystem::path path = std::filesystem::absolute(info.dli_fname, failed);
    return failed ? std::string() : path.lexically_normal().string();
}

} // namespace ferrule
