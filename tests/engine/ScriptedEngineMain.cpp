// scripted-engine: a stand-in for an xboard engine that plays a script, for the tests of
// the engine link. It takes no arguments, as engines are started: the environment names
// the script (ROOKVALE_ENGINE_SCRIPT) and a file that receives every byte read from
// standard input, as read (ROOKVALE_ENGINE_LOG, optional). Script lines:
//
//   say TEXT      write TEXT to standard output (\n, \r and \\ as escapes), flushed
//   err TEXT      the same on standard error
//   sleep MS      wait, reading input meanwhile
//   await TEXT    wait until the input read since the last await holds TEXT (escapes as
//                 for say); after 20 s without it, exit with 3
//   flood BYTES   write that many 'x' without a line feed
//   closein       close standard input
//   stubborn      from now on ignore SIGTERM, "quit" and the end of input
//   exit          end now
//
// After the last line it reads until "quit" or the end of its input, then ends.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string g_received; // input not yet matched by an await
bool g_inputOpen = true;
bool g_stubborn = false;
std::FILE* g_log = nullptr;

std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

void writeAll(const std::string& text, int fd = STDOUT_FILENO) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            std::exit(4);
        done += static_cast<size_t>(n);
    }
}

// Reads what arrives until `deadline`, or only what is waiting when it has passed.
void pump(Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!g_inputOpen) {
            if (left.count() > 0)
                std::this_thread::sleep_for(left);
            return;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, std::max<int>(0, static_cast<int>(left.count())));
        if (ready <= 0)
            return;
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            g_inputOpen = false;
            continue;
        }
        g_received.append(buffer, static_cast<size_t>(n));
        if (g_log) {
            std::fwrite(buffer, 1, static_cast<size_t>(n), g_log);
            std::fflush(g_log);
        }
    }
}

void await(const std::string& text) {
    const auto giveUp = Clock::now() + std::chrono::seconds(20);
    size_t found;
    while ((found = g_received.find(text)) == std::string::npos) {
        if (Clock::now() > giveUp || !g_inputOpen)
            std::exit(3);
        pump(Clock::now() + std::chrono::milliseconds(20));
    }
    g_received.erase(0, found + text.size());
}

void run(const std::string& command, const std::string& argument) {
    if (command == "say") {
        writeAll(unescape(argument));
    } else if (command == "err") {
        writeAll(unescape(argument), STDERR_FILENO);
    } else if (command == "sleep") {
        pump(Clock::now() + std::chrono::milliseconds(std::atol(argument.c_str())));
    } else if (command == "await") {
        await(unescape(argument));
    } else if (command == "flood") {
        const std::string block(1 << 20, 'x');
        for (long long left = std::atoll(argument.c_str()); left > 0; left -= block.size())
            writeAll(left >= static_cast<long long>(block.size()) ? block : block.substr(0, left));
    } else if (command == "closein") {
        ::close(STDIN_FILENO);
        g_inputOpen = false;
    } else if (command == "stubborn") {
        g_stubborn = true;
        ::signal(SIGTERM, SIG_IGN);
    } else if (command == "exit") {
        std::exit(0);
    }
}

} // namespace

int main() {
    ::signal(SIGPIPE, SIG_IGN);
    const char* script = std::getenv("ROOKVALE_ENGINE_SCRIPT");
    if (const char* log = std::getenv("ROOKVALE_ENGINE_LOG"))
        g_log = std::fopen(log, "ab");
    std::ifstream lines(script ? script : "");
    for (std::string line; std::getline(lines, line);) {
        const size_t blank = line.find(' ');
        run(line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank + 1));
    }
    for (;;) {
        const bool quit = g_received.find("quit\n") != std::string::npos;
        if (!g_stubborn && (quit || !g_inputOpen))
            return 0;
        pump(Clock::now() + std::chrono::milliseconds(50));
    }
}
