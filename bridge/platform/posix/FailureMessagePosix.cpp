#include "platform/FailureMessage.h"

#include <cstdio>

namespace ferrule {

void showFailureMessage(const std::string& title, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

} // namespace ferrule
