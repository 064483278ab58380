#pragma once

#include "DialogueLog.h"
#include "LineBuffer.h"
#include "SearchPlan.h"
#include "SearchReports.h"
#include "config/EngineConfig.h"
#include "config/InstallPaths.h"
#include "platform/EngineProcess.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace ferrule {

// Runs one engine for one connection: starts it, sends it each search as a whole game,
// reads its output on a thread of its own and turns it into reports. Search blocks its
// caller; Stop, ponderHit, reset and the status calls may come from other threads.
class EngineDriver {
public:
    explicit EngineDriver(SearchReports& reports) : m_reports(reports) {}
    ~EngineDriver() { shutdown(); }
    EngineDriver(const EngineDriver&) = delete;
    EngineDriver& operator=(const EngineDriver&) = delete;

    // Starts the engine named by `paths` with `config` and its reader thread, then sends
    // "zelta" and "xboard". On failure returns false with the system's text in `error`
    // and leaves nothing running.
    bool start(const InstallPaths& paths, const EngineConfig& config, std::string& error);

    // Runs one search and returns when it has ended: by the engine's move, a stop that
    // ended an analysis, a position without legal moves, or the end of the engine.
    void search(const SearchRequest& request);

    // Makes the engine move now (or ends analysis); acts once until the next search.
    void stop();
    // Hands the pending ponder move to the engine, if there is one.
    void ponderHit();
    void reset() { send("reset\n"); }

    // Ends the dialogue and the engine, leaving no process behind. Safe to call twice.
    void shutdown();

    bool searchRunning() const { return m_searchRunning.load(); }

private:
    void send(std::string_view command);
    void sendAll(const std::vector<std::string>& commands);
    void startCommand(const SearchRequest& request);
    void waitForMove();
    void readerLoop();
    void handleLine(std::string_view line);
    std::string takePonderMove();

    SearchReports& m_reports;
    EngineConfig m_config;
    std::unique_ptr<EngineProcess> m_process;
    std::mutex m_sendMutex; // one command and its log line at a time
    DialogueLog m_log;
    std::thread m_reader;
    LineBuffer m_buffer; // reader thread only

    std::atomic<bool> m_readerRun{false};
    std::atomic<bool> m_readerAlive{false};
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
