#include "platform/FailureMessage.h"

#include "platform/Console.h"

namespace ferrule {

void showFailureMessage(const std::string& title, const std::string& text) {
    writeToConsole(title + ": " + text + "\n");
}

} // namespace ferrule
