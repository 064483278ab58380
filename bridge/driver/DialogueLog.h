#pragma once

#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace ferrule {

// The optional record of the engine dialogue: a log file ("-> " before every command
// sent) and a console echo of the engine's output on the host's standard error.
// Both are off until opened; failing to open the file leaves it off without a word.
class DialogueLog {
public:
    void openFile(const std::string& path);
    void openConsole(const std::string& title);
    void close();

    void sent(std::string_view command);
    void received(std::string_view line);
    void unreadableMainLine(std::string_view text);
    // A line of the plug-in's own (ending in "\n"), such as the protocol it chose.
    void note(std::string_view text);

private:
    void toConsole(std::string_view text);

    std::mutex m_mutex;
    std::ofstream m_file;
    bool m_console = false;
};

} // namespace ferrule
