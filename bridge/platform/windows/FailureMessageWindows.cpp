#include "platform/FailureMessage.h"

#include <windows.h>

namespace ferrule {

void showFailureMessage(const std::string& title, const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK);
}

} // namespace ferrule
