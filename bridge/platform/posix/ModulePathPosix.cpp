#include "platform/ModulePath.h"

#include <dlfcn.h>

namespace ferrule {

namespace {
void anchor() {}
} // namespace

std::string ownModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return info.dli_fname;
}

} // namespace ferrule
