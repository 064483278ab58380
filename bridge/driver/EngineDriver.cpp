#include "EngineDriver.h"

#include "LineBuffer.h"
#include "LineParser.h"
#include "platform/EngineProcess.h"

#include <chrono>
#include <utility>

namespace ferrule {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWaitStep(100);
constexpr int kStepsBetweenStatusRequests = 10;
// How long an engine told to move may take to answer before shutdown ends the wait itself.
constexpr milliseconds kStopGrace(1000);
// How long a search may take to return once its wait is ended: a command being written
// (kWriteBound) and one wait step.
constexpr milliseconds kSearchEnd(3000);
constexpr milliseconds kQuitGrace(1000);
constexpr milliseconds kReaderFinish(1000);
constexpr milliseconds kReadRetry(10);
// A command the engine does not take in this time counts as sent into a broken pipe.
constexpr milliseconds kWriteBound(2000);
// Reads that keep failing are taken for the end of the output rather than retried forever.
constexpr int kMaxReadFailures = 20;

bool waitUntil(const std::atomic<bool>& flag, bool value, milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (flag.load() != value) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

} // namespace

// What one connection's engine needs. The driver, a running search and the reader thread
// each hold it, so it lives until the last of them lets go.
struct EngineDriver::Session {
    EngineProcess process;
    LineBuffer buffer; // reader thread only
    std::atomic<bool> readerRun{true};
    std::atomic<bool> readerAlive{true};
    std::atomic<bool> inputBroken{false};     // a command could not be written
    std::atomic<bool> closing{false};         // shutdown has ended the search's wait
    std::atomic<bool> shutdownClaimed{false}; // one shutdown per session
};

EngineDriver::~EngineDriver() {
    shutdown();
    // A reader let go of inside its own notification may still be on its way out of this
    // library's code.
    const auto deadline = std::chrono::steady_clock::now() + kReaderFinish;
    while (m_liveReaders.load() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(5));
    }
}

std::shared_ptr<EngineDriver::Session> EngineDriver::session() const {
    std::lock_guard lock(m_sessionMutex);
    return m_session;
}

bool EngineDriver::onSearchThread() const {
    std::lock_guard lock(m_sessionMutex);
    return m_searchRunning && m_searchThread == std::this_thread::get_id();
}

bool EngineDriver::onReaderThread() const {
    std::lock_guard lock(m_sessionMutex);
    return m_reader.isCurrent();
}

bool EngineDriver::start(const InstallPaths& paths, const EngineConfig& config,
                         std::string& error) {
    m_config = config;
    m_analyzeMode = config.analyzeMode;
    m_analysis = false;
    m_periodicStatus = false;
    m_statusRequests = 1;
    m_timeControl = {};
    m_reports.setEvaluationWhite(config.evaluationWhite);

    std::vector<std::string> arguments{paths.executable()};
    for (std::string& word : splitCommandLine(config.commandLine)) {
        arguments.push_back(std::move(word));
    }
    auto session = std::make_shared<Session>();
    if (!session->process.start(arguments, paths.engineFolder, error)) {
        return false;
    }
    ReaderThread reader;
    ++m_liveReaders;
    const bool readerStarted = reader.start(
        [this, session]() mutable {
            readerLoop(*session);
            session.reset();
            --m_liveReaders;
        },
        error);
    if (!readerStarted) {
        --m_liveReaders;
        session->process.terminate();
        return false;
    }
    {
        std::lock_guard lock(m_sessionMutex);
        m_session = session;
        m_reader = std::move(reader);
    }

    if (config.debug) {
        m_log.openConsole(config.engine);
    }
    if (config.logfile) {
        m_log.openFile(paths.logFile());
    }
    m_reports.setUnreadableLineSink(
        [this](std::string_view text) { m_log.unreadableMainLine(text); });
    send("zelta\n");
    send("xboard\n");
    return true;
}

void EngineDriver::send(std::string_view command) {
    const std::shared_ptr<Session> current = session();
    if (!current || current->inputBroken) {
        return;
    }
    {
        std::lock_guard lock(m_sendMutex);
        if (!current->process.write(command, kWriteBound)) {
            // An engine that has ended or no longer reads gets nothing more, and a search
            // waiting for it ends.
            current->inputBroken = true;
            return;
        }
        m_log.sent(command);
    }
    // Let the engine read the command at once.
    std::this_thread::yield();
}

void EngineDriver::sendAll(const std::vector<std::string>& commands) {
    for (const std::string& command : commands) {
        send(command);
    }
}

std::string EngineDriver::takePonderMove() {
    std::lock_guard lock(m_ponderMutex);
    return std::exchange(m_ponderMove, std::string());
}

void EngineDriver::search(const SearchRequest& request) {
    std::shared_ptr<Session> current;
    {
        std::lock_guard lock(m_sessionMutex);
        if (!m_session || m_session->closing || m_searchRunning) {
            return;
        }
        current = m_session;
        m_searchRunning = true;
        m_searchThread = std::this_thread::get_id();
    }
    m_reports.liftStop();
    takePonderMove();

    EngineConfig config = m_config;
    config.analyzeMode = m_analyzeMode;
    SearchPlan plan = planSearch(request, config, m_timeControl);
    m_targetDepth = plan.targetDepth;
    m_periodicStatus = plan.periodicStatus;
    m_analysis = plan.analysis;
    {
        std::lock_guard lock(m_ponderMutex);
        m_ponderMove = plan.ponderMove;
    }
    sendAll(plan.commands);
    m_reports.startSearch(plan.position);

    m_waiting = false;
    if (!m_reports.stopInForce()) {
        m_reports.clearReportedMainLine();
        send("post\n");
        send(plan.whiteToMove ? "white\n" : "black\n");
        if (!m_reports.stopInForce()) {
            m_waiting = true;
            startCommand(request);
        }
    }
    waitForMove(*current);
    m_reports.endSearch();
    std::lock_guard lock(m_sessionMutex);
    m_searchThread = {};
    m_searchRunning = false;
}

void EngineDriver::startCommand(const SearchRequest& request) {
    if (m_reports.hasNoLegalMove()) {
        m_waiting = false;
        return;
    }
    if (m_analyzeMode && m_analysis) {
        send("analyze\n");
        return;
    }
    std::string ponderMove;
    if (m_config.ponderMode && request.ponder) {
        std::lock_guard lock(m_ponderMutex);
        ponderMove = m_ponderMove;
    }
    if (!ponderMove.empty()) {
        send("ponder " + ponderMove + "\n");
        m_reports.showDepthAndNodes(1, 0);
        return;
    }
    send("go\n");
}

void EngineDriver::waitForMove(Session& session) {
    // The first check of a search may always ask for a status.
    int stepsSinceRequest = kStepsBetweenStatusRequests;
    while (m_waiting && !session.closing && !session.inputBroken) {
        if (session.process.hasEnded()) {
            // Whatever else still holds the output open, an ended engine ends the search:
            // the reader is woken to finish with what it has.
            session.process.wake();
            waitUntil(session.readerAlive, false, kReaderFinish);
            break;
        }
        if (m_periodicStatus && m_statusRequests != 0 &&
            stepsSinceRequest >= kStepsBetweenStatusRequests) {
            --m_statusRequests;
            send(".\n");
            stepsSinceRequest = 0;
        }
        std::this_thread::sleep_for(kWaitStep);
        ++stepsSinceRequest;
    }
    m_waiting = false;
}

void EngineDriver::stop() {
    if (!m_reports.putStop()) {
        return;
    }
    if (m_waiting) {
        if (m_analysis.exchange(false)) {
            send("exit\n");
            m_waiting = false;
            return;
        }
        const std::string ponderMove = takePonderMove();
        if (!ponderMove.empty()) {
            send(ponderMove + "\n");
            send("easy\n");
        }
        send("?\n");
    } else if (m_analysis.exchange(false)) {
        send("exit\n");
        m_waiting = false;
    }
}

void EngineDriver::ponderHit() {
    const std::string ponderMove = takePonderMove();
    if (!ponderMove.empty()) {
        send(ponderMove + "\n");
        send("easy\n");
    }
}

void EngineDriver::shutdown() {
    const std::shared_ptr<Session> current = session();
    if (!current || current->shutdownClaimed.exchange(true)) {
        return;
    }
    // The search ends first, while the reader still reads the engine's answer to the stop;
    // an engine that does not answer has its wait ended for it. A shutdown from inside a
    // notification of the search itself cannot wait for it: the search returns after it.
    // One from inside the reader's notification cannot wait for the answer it would read.
    const bool fromSearch = onSearchThread();
    stop();
    if (!fromSearch && !onReaderThread()) {
        waitUntil(m_searchRunning, false, kStopGrace);
    }
    current->closing = true;
    if (!fromSearch) {
        waitUntil(m_searchRunning, false, kSearchEnd);
    }

    send("new\n");
    send("quit\n");
    m_log.close();
    current->process.waitForEnd(kQuitGrace);
    endReader(*current);
    m_reports.setUnreadableLineSink(nullptr);
}

void EngineDriver::endReader(Session& session) {
    session.readerRun = false;
    session.process.terminate();
    session.process.wake();
    ReaderThread reader;
    {
        std::lock_guard lock(m_sessionMutex);
        reader = std::move(m_reader);
        m_session.reset();
    }
    // A reader that is this thread (shutdown from inside its notification), or one held
    // up in a host's handler, finishes on its own: it holds what it uses.
    if (!reader.isCurrent() && waitUntil(session.readerAlive, false, kReaderFinish)) {
        reader.join();
    } else {
        reader.detach();
    }
}

void EngineDriver::readerLoop(Session& session) {
    int failures = 0;
    while (session.readerRun) {
        const EngineProcess::ReadResult result =
            session.process.read(session.buffer.freeSpace(), session.buffer.freeSize());
        if (!session.readerRun) {
            break;
        }
        bool ended = false;
        switch (result.kind) {
        case EngineProcess::ReadResult::Kind::kData:
            session.buffer.commit(result.count);
            failures = 0;
            break;
        case EngineProcess::ReadResult::Kind::kEnd:
            ended = true;
            break;
        case EngineProcess::ReadResult::Kind::kWoken:
            ended = session.process.hasEnded();
            break;
        case EngineProcess::ReadResult::Kind::kFailed:
            ended = ++failures >= kMaxReadFailures;
            std::this_thread::sleep_for(kReadRetry);
            break;
        }
        const auto handle = [&](std::string_view line) { handleLine(session, line); };
        session.buffer.takeLines(handle);
        if (ended) {
            session.buffer.takeRest(handle);
            if (session.readerRun) {
                m_waiting = false;
            }
            break;
        }
    }
    session.readerAlive = false;
}

void EngineDriver::handleLine(Session& session, std::string_view line) {
    // A reader whose connection has closed has nothing more to say to the host.
    if (!session.readerRun) {
        return;
    }
    m_log.received(line);
    const ParsedLine parsed = parseEngineLine(line);
    if (parsed.kind == ParsedLine::Kind::kAnalyzeUnknown) {
        m_analyzeMode = false;
        m_analysis = false;
    } else if (parsed.kind == ParsedLine::Kind::kStatus) {
        m_statusRequests = -1;
    }
    if (m_reports.handle(parsed)) {
        m_waiting = false;
    }
    const bool hasDepth =
        parsed.kind == ParsedLine::Kind::kThinking || parsed.kind == ParsedLine::Kind::kStatus;
    if (hasDepth && parsed.depth > m_targetDepth) {
        stop();
    }
}

} // namespace ferrule
