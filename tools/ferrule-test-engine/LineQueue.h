#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace ferrule_test_engine {

// The engine's standard input, read on a thread of its own so that a search can look for
// "?" between its steps. Lines are cut at kMaxLine bytes; the end of the input reads as
// "quit".
class LineQueue {
public:
    static constexpr std::size_t kMaxLine = 4096;

    LineQueue() : m_reader([this] { readAll(); }) { m_reader.detach(); }

    // The next line, waiting at most `limit`; nothing when none came in time.
    std::optional<std::string> next(std::chrono::milliseconds limit) {
        std::unique_lock lock(m_mutex);
        if (!m_ready.wait_for(lock, limit, [this] { return !m_lines.empty(); })) {
            return std::nullopt;
        }
        std::string line = std::move(m_lines.front());
        m_lines.pop_front();
        return line;
    }

    // Puts a line back in front, to be handled by whoever asks next.
    void putBack(std::string line) {
        std::lock_guard lock(m_mutex);
        m_lines.push_front(std::move(line));
    }

private:
    void readAll() {
        char buffer[kMaxLine];
        while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
            std::string line(buffer);
            const bool whole = !line.empty() && line.back() == '\n';
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
                line.pop_back();
            }
            // The rest of an overlong line is dropped, not taken for further lines.
            for (int c = whole ? '\n' : 0; c != '\n' && c != EOF;) {
                c = std::fgetc(stdin);
            }
            push(std::move(line));
        }
        push("quit");
    }

    void push(std::string line) {
        {
            std::lock_guard lock(m_mutex);
            m_lines.push_back(std::move(line));
        }
        m_ready.notify_one();
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::string> m_lines;
    std::thread m_reader;
};

} // namespace ferrule_test_engine
