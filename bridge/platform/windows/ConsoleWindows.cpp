#include "platform/Console.h"

#include <windows.h>

#include <mutex>

namespace ferrule {

namespace {

// The echo goes to a screen buffer of the library's own, in a console it creates itself and
// releases again. A host that has a console of its own gets no echo: a screen buffer made
// active there would hide the host's own output.
struct ConsoleState {
    std::mutex mutex;
    HANDLE screen = nullptr;
    bool allocated = false;
};

ConsoleState& state() {
    static ConsoleState console;
    return console;
}

// Ctrl+C, Ctrl+Break and closing a console end every process attached to it: the host
// attached to the library's console must live on. Ctrl+C and Ctrl+Break are taken here;
// closing is taken away from the window (see openConsole), since the system ends a process
// after its handler for a close has returned, whatever the handler answers.
BOOL WINAPI keepHostAlive(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

} // namespace

void openConsole(const std::string& title) {
    ConsoleState& console = state();
    std::lock_guard lock(console.mutex);
    if (console.screen != nullptr || !AllocConsole()) {
        return;
    }
    console.allocated = true;
    SetConsoleCtrlHandler(&keepHostAlive, TRUE);
    // The console goes when the connection closes; its window cannot be closed before,
    // which would end the host with it.
    if (const HWND window = GetConsoleWindow()) {
        if (const HMENU menu = GetSystemMenu(window, FALSE)) {
            DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
        }
    }
    const HANDLE screen = CreateConsoleScreenBuffer(GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                                    CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (screen == INVALID_HANDLE_VALUE || !SetConsoleActiveScreenBuffer(screen)) {
        if (screen != INVALID_HANDLE_VALUE) {
            CloseHandle(screen);
        }
        SetConsoleCtrlHandler(&keepHostAlive, FALSE);
        FreeConsole();
        console.allocated = false;
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
    CloseHandle(console.screen);
    console.screen = nullptr;
    if (console.allocated) {
        SetConsoleCtrlHandler(&keepHostAlive, FALSE);
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
