#include "platform/Console.h"

#include <windows.h>

namespace ferrule {

// A console never blocks its writer for long; a pipe or file behind the host's standard
// error might, so only a console or a disk file is written to.
void writeToConsole(std::string_view text) {
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    if (console == nullptr || console == INVALID_HANDLE_VALUE || text.empty()) {
        return;
    }
    DWORD written = 0;
    switch (GetFileType(console)) {
    case FILE_TYPE_CHAR:
        WriteConsoleA(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        break;
    case FILE_TYPE_DISK:
        WriteFile(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        break;
    default:
        break;
    }
}

} // namespace ferrule
