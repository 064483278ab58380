#pragma once

#include "Dialogue.h"
#include "DialogueLog.h"
#include "LineBuffer.h"
#include "SearchReports.h"
#include "config/EngineConfig.h"
#include "config/InstallPaths.h"
#include "platform/EngineProcess.h"
#include "platform/ReaderThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace ferrule {

// One connection to one engine, with everything that connection knows: the engine process,
// its reports into the host's record, the search under way and the reader thread. It starts
// the engine, runs the engine's dialogue (xboard or UCI, see Dialogue) for each search, reads
// its output on the reader thread and turns it into reports. Search blocks its caller; stop,
// ponderHit, reset, shutdown and the status calls may come from other threads, and from inside a
// notification.
//
// Made with std::make_shared: the reader thread holds a share of its connection, so a reader
// held up in the host's handler after shutdown finds its own connection intact, whose record
// has been let go and whose engine has gone, and acts on nothing else.
class EngineDriver : public std::enable_shared_from_this<EngineDriver>, private DialogueLink {
public:
    EngineDriver() = default;
    ~EngineDriver();
    EngineDriver(const EngineDriver&) = delete;
    EngineDriver& operator=(const EngineDriver&) = delete;

    SearchReports& reports() override { return m_reports; }

    // Starts the engine named by `paths` with `config` and its reader thread, finds out its
    // protocol when the configuration says "auto" (within three seconds) and opens the
    // dialogue. On failure returns false with the system's text in `error` and leaves
    // nothing running. Called once.
    bool start(const InstallPaths& paths, const EngineConfig& config, std::string& error);

    // The protocol the dialogue speaks; xboard until start() has chosen.
    Protocol protocol() const { return m_protocol.load(); }

    // Runs one search and returns when it has ended: by the engine's move, a stop that
    // ended an analysis, a position without legal moves, the end of the engine, a command
    // the engine would not take, an engine that did not get ready in time or did not answer
    // a stop within five seconds (it is then ended), or shutdown. Returns at once once
    // the engine has ended, after shutdown, or while another search runs.
    void search(const SearchRequest& request);

    // Makes the engine move now (or ends analysis); acts once until the next search. A stop
    // and the start of a search exclude each other, so a stop is never lost between them.
    void stop();
    // Hands the pending ponder move to the engine, if there is one.
    void ponderHit();
    void reset();

    // Ends the search (the engine is told to move, and the wait ends even if it does not),
    // the dialogue and the engine, leaving no process behind, and returns within about two
    // seconds whatever the engine and the host's handler do: a reader held in a handler
    // finishes by itself afterwards. Callable from inside a notification on the search or
    // the reader thread. Acts once.
    void shutdown();

    bool searchRunning() const { return m_searchRunning.load(); }
    // The name and author the engine gave itself ("myname", "id name", "id author"); empty
    // without one.
    std::string engineOwnName();
    std::string engineOwnAuthor();
    // True once the engine has ended by itself, stopped taking commands or failed to get
    // ready for a search.
    bool engineEnded();

private:
    using Clock = std::chrono::steady_clock;

    // DialogueLink
    void send(std::string_view command) override;
    void sendBy(std::string_view command, Clock::time_point deadline) override;
    void nudge() override;
    bool write(std::string_view command, Clock::time_point deadline);
    bool await(const std::function<bool()>& done, Clock::time_point deadline) override;
    void wake() override { wakeSearch(); }
    PendingPonder& ponder() override { return m_ponder; }
    void note(std::string_view text) override { m_log.note(text); }

    DialogueLink& link() { return *this; }
    bool onSearchThread() const;
    bool onReaderThread() const;
    Dialogue* dialogue() const;
    void chooseDialogue(const EngineConfig& config);
    void stopBy(Clock::time_point deadline);
    void waitForMove();
    void endWait();
    void wakeSearch();
    void endReader(Clock::time_point deadline);
    void readerLoop();
    void handleLine(std::string_view line);
    void probeLine(std::string_view line);

    SearchReports m_reports;
    DialogueLog m_log;
    EngineProcess m_process;
    LineBuffer m_buffer; // reader thread only
    PendingPonder m_ponder;
    // Set before the reader hands it a line (m_probing cleared) and never changed after.
    std::unique_ptr<Dialogue> m_dialogue;
    std::atomic<Protocol> m_protocol{Protocol::kXboard};

    // While "auto" waits for the engine's answer to "uci": the reader's verdict and the
    // "id" lines it saw on the way.
    std::atomic<bool> m_probing{false};
    std::atomic<int> m_probeVerdict{0};
    std::atomic<bool> m_probeIdSeen{false};
    std::mutex m_probeMutex;
    std::string m_probeName;
    std::string m_probeAuthor;

    mutable std::mutex m_threadsMutex; // guards m_reader and m_searchThread
    ReaderThread m_reader;
    std::thread::id m_searchThread;
    std::mutex m_sendMutex;  // one command and its log line at a time
    std::mutex m_startMutex; // the start command of a search, a stop and a ponder hit

    std::atomic<bool> m_readerRun{false};
    std::atomic<bool> m_readerAlive{false};
    std::atomic<bool> m_inputBroken{false};     // a command could not be written
    std::atomic<bool> m_unready{false};         // the engine did not get ready for a search
    std::atomic<bool> m_closing{false};         // shutdown has ended the search's wait
    std::atomic<bool> m_shutdownClaimed{false}; // one shutdown per connection

    std::atomic<bool> m_searchRunning{false};
    std::atomic<bool> m_waiting{false};
    std::atomic<Clock::rep> m_stopSentAt{0}; // when a stop reached a waiting search; 0: none
    std::mutex m_waitMutex;
    std::condition_variable m_waitChanged; // m_waiting, m_closing or m_inputBroken changed
};

} // namespace ferrule
