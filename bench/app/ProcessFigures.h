#pragma once

// Figures a start-up benchmark reads about its own process.
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

inline double secondsSinceBoot() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// When the kernel started this process, in seconds since boot (clock-tick resolution).
inline double processStartSinceBoot() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses and may hold blanks.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    return std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The kilobytes of `field` ("VmRSS:", "Anonymous:") in a /proc/self file, in MB.
inline double megabytesOf(const char* file, const std::string& field) {
    std::ifstream figures(file);
    std::string line;
    while (std::getline(figures, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stod(line.substr(field.size())) / 1024.0;
    }
    return 0;
}

inline double residentMegabytes() {
    return megabytesOf("/proc/self/status", "VmRSS:");
}

// The resident pages that are the process's own writing (heap, stacks, relocated data), as
// against pages of files (code, fonts) that the system shares and can read again.
inline double anonymousMegabytes() {
    return megabytesOf("/proc/self/smaps_rollup", "Anonymous:");
}
