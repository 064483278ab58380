#include "platform/Console.h"

#include <windows.h>

#include <mutex>

namespace ferrule {

namespace {

// The echo goes to a screen buffer of the library's own, in a console it creates when the
// host has none (and then releases again).
struct ConsoleState {
    std::mutex mutex;
    HANDLE screen = nullptr;
    bool allocated = false;
};

ConsoleState& state() {
    static ConsoleState console;
    return console;
}

} // namespace

void openConsole(const std::string& title) {
    ConsoleState& console = state();
    std::lock_guard lock(console.mutex);
    if (console.screen != nullptr) {
        return;
    }
    console.allocated = AllocConsole() != 0;
    const HANDLE screen = CreateConsoleScreenBuffer(GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                                    CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (screen == INVALID_HANDLE_VALUE || !SetConsoleActiveScreenBuffer(screen)) {
        if (screen != INVALID_HANDLE_VALUE) {
            CloseHandle(screen);
        }
        if (console.allocated) {
            FreeConsole();
            console.allocated = false;
        }
        return;
    }
    console.screen = screen;
    if (!title.empty()) {
        SetConsoleTitleA(title.c_str());
    }
}

void closeConsole() {
    ConsoleState& console = state();
    std::lock_guard lock(console.mutex);
    if (console.screen == nullptr) {
        return;
    }
    // The host's own screen buffer, if it has one, becomes the active one again.
    const HANDLE hostScreen = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!console.allocated && hostScreen != nullptr && hostScreen != INVALID_HANDLE_VALUE) {
        SetConsoleActiveScreenBuffer(hostScreen);
    }
    CloseHandle(console.screen);
    console.screen = nullptr;
    if (console.allocated) {
        FreeConsole();
        console.allocated = false;
    }
}

// A console write never waits for a reader, unlike a pipe: only the library's own screen
// buffer is written to, and nothing while none is open.
void writeToConsole(std::string_view text) {
    ConsoleState& console = state();
    std::lock_guard lock(console.mutex);
    if (console.screen == nullptr || text.empty()) {
        return;
    }
    DWORD written = 0;
    WriteConsoleA(console.screen, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace ferrule
