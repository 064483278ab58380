#pragma once

#include "DialogueLog.h"
#include "SearchPlan.h"
#include "SearchReports.h"
#include "config/EngineConfig.h"
#include "config/InstallPaths.h"
#include "platform/ReaderThread.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace ferrule {

// Runs one engine for one connection: starts it, sends it each search as a whole game,
// reads its output on a thread of its own and turns it into reports. Search blocks its
// caller; stop, ponderHit, reset, shutdown and the status calls may come from other
// threads, and from inside a notification. What a search and the reader use is shared
// with them, so nothing they hold is freed under them, whatever order the calls come in.
class EngineDriver {
public:
    explicit EngineDriver(SearchReports& reports) : m_reports(reports) {}
    ~EngineDriver();
    EngineDriver(const EngineDriver&) = delete;
    EngineDriver& operator=(const EngineDriver&) = delete;

    // Starts the engine named by `paths` with `config` and its reader thread, then sends
    // "zelta" and "xboard". On failure returns false with the system's text in `error`
    // and leaves nothing running.
    bool start(const InstallPaths& paths, const EngineConfig& config, std::string& error);

    // Runs one search and returns when it has ended: by the engine's move, a stop that
    // ended an analysis, a position without legal moves, the end of the engine, a command
    // the engine would not take, or shutdown. Returns at once without an engine or while
    // another search runs.
    void search(const SearchRequest& request);

    // Makes the engine move now (or ends analysis); acts once until the next search.
    void stop();
    // Hands the pending ponder move to the engine, if there is one.
    void ponderHit();
    void reset() { send("reset\n"); }

    // Ends the search (the engine is told to move, and the wait ends even if it does not),
    // then the dialogue and the engine, leaving no process behind. Every wait is bounded.
    // Callable from inside a notification on the search or the reader thread.
    void shutdown();

    bool searchRunning() const { return m_searchRunning.load(); }

private:
    struct Session;

    std::shared_ptr<Session> session() const;
    bool onSearchThread() const;
    bool onReaderThread() const;
    void send(std::string_view command);
    void sendAll(const std::vector<std::string>& commands);
    void startCommand(const SearchRequest& request);
    void waitForMove(Session& session);
    void endReader(Session& session);
    void readerLoop(Session& session);
    void handleLine(Session& session, std::string_view line);
    std::string takePonderMove();

    SearchReports& m_reports;
    EngineConfig m_config;
    DialogueLog m_log;

    mutable std::mutex m_sessionMutex; // guards m_session, m_reader and the search's start
    std::shared_ptr<Session> m_session;
    ReaderThread m_reader;
    std::thread::id m_searchThread;
    std::mutex m_sendMutex; // one command and its log line at a time
    std::atomic<int> m_liveReaders{0};

    std::atomic<bool> m_searchRunning{false};
    std::atomic<bool> m_waiting{false};
    std::atomic<bool> m_analyzeMode{false};
    std::atomic<bool> m_analysis{false};
    std::atomic<int> m_targetDepth{100};
    std::atomic<int> m_statusRequests{1};
    bool m_periodicStatus = false;  // search thread only
    TimeControlCache m_timeControl; // search thread only

    std::mutex m_ponderMutex;
    std::string m_ponderMove;
};

} // namespace ferrule
