#pragma once

#include "SearchReports.h"
#include "SearchRequest.h"
#include "core/Position.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ferrule {

// The expected reply a pondering search holds back until the host says it was played (or
// not). Shared by the threads of a connection.
class PendingPonder {
public:
    void set(std::string move) {
        std::lock_guard lock(m_mutex);
        m_move = std::move(move);
    }
    std::string peek() {
        std::lock_guard lock(m_mutex);
        return m_move;
    }
    // The move, which is pending no more; empty when none was.
    std::string take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_move, std::string());
    }

private:
    std::mutex m_mutex;
    std::string m_move;
};

// What a dialogue may use of the connection it runs on: the engine's input, the bounded
// waits of the search thread and the host's reports.
class DialogueLink {
public:
    using Clock = std::chrono::steady_clock;

    // Writes one command (ending in "\n"); one the engine does not take by `deadline` (or
    // within the connection's write bound) counts as lost and ends the dialogue.
    virtual void send(std::string_view command) = 0;
    virtual void sendBy(std::string_view command, Clock::time_point deadline) = 0;
    // Writes an empty line and keeps the processor: an engine that must be nudged through
    // its start wins its own race far more often when the writer does not yield.
    virtual void nudge() = 0;
    // Waits until `done()` holds; false when it did not by `deadline`, or once the engine has
    // ended, stopped taking commands or the connection is closing. `done` is looked at
    // whenever wake() is called and at least every 100 ms.
    virtual bool await(const std::function<bool()>& done, Clock::time_point deadline) = 0;
    virtual void wake() = 0;
    virtual SearchReports& reports() = 0;
    virtual PendingPonder& ponder() = 0;
    // A line for the dialogue log (and the console), when either is open.
    virtual void note(std::string_view text) = 0;

protected:
    ~DialogueLink() = default;
};

// One engine protocol, behind the connection that runs it. The connection owns the engine
// process, the reader thread, the search's wait, stops and shutdown; a dialogue only says
// which commands go when, and what the engine's lines mean. Called on the search thread
// (prepare, begin, whileWaiting), the reader thread (handle) and host threads (the rest);
// stop, begin and ponderHit never run at the same time.
class Dialogue {
public:
    // What one output line asks of the connection.
    struct LineEffect {
        bool endsWait = false; // the search has its move
        bool stops = false;    // the search is to be stopped (a depth beyond its target)
    };

    virtual ~Dialogue() = default;

    // The opening lines, sent once the engine runs.
    virtual void open() = 0;
    // Sends everything before the host hears that the search starts, waiting (bounded) for
    // the engine to be ready first. Returns the searched position, or nothing when the
    // engine did not answer in time and will not be sent a search.
    virtual std::optional<Position> prepare(const SearchRequest& request) = 0;
    // Whether the prepared search is to ponder on an expected reply.
    virtual bool ponders() = 0;
    // Sends the start command unless the position has no legal move (false: nothing was
    // started); calls `armWait` just before it, so that the engine's answer ends the wait.
    virtual bool begin(const SearchRequest& request, const std::function<void()>& armWait) = 0;
    // Once every step of the search's wait.
    virtual void whileWaiting() {}
    // A stop has just been put in force; `waiting` says whether a search waits for its move.
    // Returns true when the wait is over at once (nothing more will come).
    virtual bool stop(bool waiting, DialogueLink::Clock::time_point deadline) = 0;
    virtual void ponderHit() = 0;
    virtual void reset() = 0;
    // The last words to the engine before the connection closes.
    virtual void quit(DialogueLink::Clock::time_point deadline) = 0;
    // One line of the engine's output, on the reader thread.
    virtual LineEffect handle(std::string_view line) = 0;
    // The engine's own name and author, empty while unknown.
    virtual std::string ownName() = 0;
    virtual std::string ownAuthor() = 0;
};

} // namespace ferrule
