#pragma once

#include "DialogueLog.h"
#include "EngineFeatures.h"
#include "LineBuffer.h"
#include "SearchPlan.h"
#include "SearchReports.h"
#include "config/EngineConfig.h"
#include "config/InstallPaths.h"
#include "platform/EngineProcess.h"
#include "platform/ReaderThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace ferrule {

// One connection to one engine, with everything that connection knows: the engine process,
// its reports into the host's record, the search under way and the reader thread. It starts
// the engine, sends it each search as a whole game, reads its output on the reader thread and
// turns it into reports. Search blocks its caller; stop, ponderHit, reset, shutdown and the
// status calls may come from other threads, and from inside a notification.
//
// Made with std::make_shared: the reader thread holds a share of its connection, so a reader
// held up in the host's handler after shutdown finds its own connection intact, whose record
// has been let go and whose engine has gone, and acts on nothing else.
class EngineDriver : public std::enable_shared_from_this<EngineDriver> {
public:
    EngineDriver() = default;
    ~EngineDriver();
    EngineDriver(const EngineDriver&) = delete;
    EngineDriver& operator=(const EngineDriver&) = delete;

    SearchReports& reports() { return m_reports; }

    // Starts the engine named by `paths` with `config` and its reader thread, then sends
    // "zelta" and "xboard". On failure returns false with the system's text in `error` and
    // leaves nothing running. Called once.
    bool start(const InstallPaths& paths, const EngineConfig& config, std::string& error);

    // Runs one search and returns when it has ended: by the engine's move, a stop that
    // ended an analysis, a position without legal moves, the end of the engine, a command
    // the engine would not take, or shutdown. Returns at once once the engine has ended,
    // after shutdown, or while another search runs.
    void search(const SearchRequest& request);

    // Makes the engine move now (or ends analysis); acts once until the next search. A stop
    // and the start of a search exclude each other, so a stop is never lost between them.
    void stop();
    // Hands the pending ponder move to the engine, if there is one.
    void ponderHit();
    void reset() { send("reset\n"); }

    // Ends the search (the engine is told to move, and the wait ends even if it does not),
    // the dialogue and the engine, leaving no process behind, and returns within about two
    // seconds whatever the engine and the host's handler do: a reader held in a handler
    // finishes by itself afterwards. Callable from inside a notification on the search or
    // the reader thread. Acts once.
    void shutdown();

    bool searchRunning() const { return m_searchRunning.load(); }
    // The name a protocol version 2 engine gave itself ("myname"); empty without one.
    std::string engineOwnName();
    // True once the engine has ended by itself or stopped taking commands.
    bool engineEnded();

private:
    using Clock = std::chrono::steady_clock;

    bool onSearchThread() const;
    bool onReaderThread() const;
    void send(std::string_view command);
    void sendBy(std::string_view command, Clock::time_point deadline);
    void sendAll(const std::vector<std::string>& commands);
    void stopBy(Clock::time_point deadline);
    bool startCommand(const SearchRequest& request);
    void waitForMove();
    void endWait();
    void wakeSearch();
    void endReader(Clock::time_point deadline);
    void readerLoop();
    void handleLine(std::string_view line);
    std::string takePonderMove();
    void takeFeatures(std::string_view text);
    EngineFeatures awaitFeatures();
    void awaitPong(int ping);
    std::string moveCommand(const std::string& move) const;

    SearchReports m_reports;
    EngineConfig m_config;
    DialogueLog m_log;
    EngineProcess m_process;
    LineBuffer m_buffer; // reader thread only

    mutable std::mutex m_threadsMutex; // guards m_reader and m_searchThread
    ReaderThread m_reader;
    std::thread::id m_searchThread;
    std::mutex m_sendMutex;  // one command and its log line at a time
    std::mutex m_startMutex; // the start command of a search, and a stop

    std::atomic<bool> m_readerRun{false};
    std::atomic<bool> m_readerAlive{false};
    std::atomic<bool> m_inputBroken{false};     // a command could not be written
    std::atomic<bool> m_closing{false};         // shutdown has ended the search's wait
    std::atomic<bool> m_shutdownClaimed{false}; // one shutdown per connection

    std::atomic<bool> m_searchRunning{false};
    std::atomic<bool> m_waiting{false};
    std::mutex m_waitMutex;
    std::condition_variable m_waitChanged; // m_waiting, m_closing or m_inputBroken changed
    std::atomic<bool> m_analyzeMode{false};
    std::atomic<bool> m_analysis{false};
    std::atomic<int> m_targetDepth{100};
    std::atomic<bool> m_thinkingSeen{false}; // a thinking line of this search has been read
    std::atomic<int> m_statusRequests{1};
    bool m_periodicStatus = false;  // search thread only
    TimeControlCache m_timeControl; // search thread only

    std::mutex m_ponderMutex;
    std::string m_ponderMove;

    // What the engine answered to "protover 2"; settled before the first search.
    std::mutex m_featuresMutex;
    EngineFeatures m_features;
    std::atomic<bool> m_featuresSettled{false};
    Clock::time_point m_protoverSent;
    std::atomic<Clock::rep> m_featureDeadline{0};
    std::atomic<bool> m_usermove{false};
    std::atomic<int> m_pong{0};
    int m_pings = 0; // search thread only
};

} // namespace ferrule
