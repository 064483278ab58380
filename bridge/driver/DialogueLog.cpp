#include "DialogueLog.h"

#include "config/RegularFile.h"
#include "platform/Console.h"

namespace ferrule {

void DialogueLog::openFile(const std::string& path) {
    std::lock_guard lock(m_mutex);
    // Opening a named pipe for writing would wait for a reader.
    if (isFileOrFree(path)) {
        m_file.open(path, std::ios::binary | std::ios::trunc | std::ios::out);
    }
}

void DialogueLog::openConsole(const std::string& title) {
    std::lock_guard lock(m_mutex);
    ferrule::openConsole(title);
    m_console = true;
    if (!title.empty()) {
        toConsole("== " + title + " ==\n");
    }
}

void DialogueLog::close() {
    std::lock_guard lock(m_mutex);
    if (m_file.is_open()) {
        m_file.close();
    }
    if (m_console) {
        closeConsole();
    }
    m_console = false;
}

void DialogueLog::sent(std::string_view command) {
    std::lock_guard lock(m_mutex);
    if (m_file.is_open()) {
        m_file << "-> " << command;
        m_file.flush();
    }
}

void DialogueLog::received(std::string_view line) {
    std::lock_guard lock(m_mutex);
    if (!m_file.is_open() && !m_console) {
        return;
    }
    const std::size_t start = line.find_first_not_of(" \t");
    line = start == std::string_view::npos ? std::string_view() : line.substr(start);
    if (m_console) {
        toConsole(line);
        toConsole("\r");
    }
    if (m_file.is_open()) {
        m_file << line;
        m_file.flush();
    }
}

void DialogueLog::unreadableMainLine(std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (m_console) {
        toConsole("Move illegal: ");
        toConsole(text);
        toConsole("\r");
    }
    if (m_file.is_open()) {
        m_file << "Move illegal: " << text;
        m_file.flush();
    }
}

void DialogueLog::note(std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (m_console) {
        toConsole(text);
        toConsole("\r");
    }
    if (m_file.is_open()) {
        m_file << text;
        m_file.flush();
    }
}

void DialogueLog::toConsole(std::string_view text) {
    writeToConsole(text);
}

} // namespace ferrule
