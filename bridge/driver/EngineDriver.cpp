#include "EngineDriver.h"

#include "LineBuffer.h"
#include "LineParser.h"
#include "platform/EngineProcess.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace ferrule {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWaitStep(100);
constexpr int kStepsBetweenStatusRequests = 10;
// Shutdown as a whole: a host's Eng2 returns within two seconds, whatever the engine and
// the host's own handler do; the rest of the two is the host's call itself.
constexpr milliseconds kShutdownBound(1800);
// How long an engine told to move may take to answer before shutdown ends the wait itself.
constexpr milliseconds kStopGrace(500);
// How long an engine told to quit may take before it is ended by force.
constexpr milliseconds kQuitGrace(300);
// Kept back from the bound for ending the engine by force.
constexpr milliseconds kKillReserve(700);
constexpr milliseconds kReaderFinish(1000);
// How long a protocol version 2 engine has to announce its features: all it sends within
// the first bound counts; once it has said "done=0", until "done=1" or the second bound.
constexpr milliseconds kFeatureBound(2000);
constexpr milliseconds kFeatureDoneBound(10000);
// How long a search waits for the engine's "pong" before it goes on without.
constexpr milliseconds kPongBound(2000);
constexpr milliseconds kReadRetry(10);
// A command the engine does not take in this time counts as sent into a broken pipe.
constexpr milliseconds kWriteBound(2000);
// Reads that keep failing are taken for the end of the output rather than retried forever.
constexpr int kMaxReadFailures = 20;

using Clock = std::chrono::steady_clock;

bool waitUntil(const std::atomic<bool>& flag, bool value, Clock::time_point deadline) {
    while (flag.load() != value) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

// Takes `mutex` by `deadline`, trying in short steps; false if it could not. (A timed mutex
// would do the same, but it locks through a call that the thread sanitizer cannot see.)
bool lockBy(std::mutex& mutex, Clock::time_point deadline) {
    while (!mutex.try_lock()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

milliseconds left(Clock::time_point deadline) {
    return std::max(milliseconds(0),
                    std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
}

} // namespace

EngineDriver::~EngineDriver() {
    shutdown();
}

bool EngineDriver::onSearchThread() const {
    std::lock_guard lock(m_threadsMutex);
    return m_searchRunning && m_searchThread == std::this_thread::get_id();
}

bool EngineDriver::onReaderThread() const {
    std::lock_guard lock(m_threadsMutex);
    return m_reader.isCurrent();
}

bool EngineDriver::engineEnded() {
    return m_inputBroken || m_process.hasEnded();
}

bool EngineDriver::start(const InstallPaths& paths, const EngineConfig& config,
                         std::string& error) {
    m_config = config;
    m_analyzeMode = config.analyzeMode;
    m_reports.setEvaluationWhite(config.evaluationWhite);

    std::vector<std::string> arguments{paths.executable()};
    for (std::string& word : splitCommandLine(config.commandLine)) {
        arguments.push_back(std::move(word));
    }
    if (!m_process.start(arguments, paths.engineFolder, error)) {
        m_shutdownClaimed = true;
        return false;
    }
    m_readerRun = true;
    m_readerAlive = true;
    bool readerStarted = false;
    {
        std::lock_guard lock(m_threadsMutex);
        readerStarted = m_reader.start(
            [self = shared_from_this()] {
                self->readerLoop();
                self->m_readerAlive = false;
            },
            error);
    }
    if (!readerStarted) {
        m_readerRun = false;
        m_readerAlive = false;
        m_shutdownClaimed = true;
        m_process.terminate();
        return false;
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
    m_protoverSent = Clock::now();
    m_featureDeadline = (m_protoverSent + kFeatureBound).time_since_epoch().count();
    send("protover 2\n");
    return true;
}

std::string EngineDriver::engineOwnName() {
    std::lock_guard lock(m_featuresMutex);
    return m_features.myname;
}

void EngineDriver::takeFeatures(std::string_view text) {
    for (const FeaturePair& pair : readFeaturePairs(text)) {
        bool accepted = false;
        bool done = false;
        bool doneAwaited = false;
        {
            std::lock_guard lock(m_featuresMutex);
            accepted = m_features.take(pair);
            done = m_features.done;
            doneAwaited = m_features.doneAwaited;
        }
        send((accepted ? "accepted " : "rejected ") + std::string(pair.name) + "\n");
        if (done) {
            m_featuresSettled = true;
        } else if (doneAwaited) {
            m_featureDeadline = (m_protoverSent + kFeatureDoneBound).time_since_epoch().count();
        }
    }
    wakeSearch();
}

// The first search starts once the engine has said what it can, or is known to say
// nothing (a version 1 engine), so that engine and reader agree on the dialogue.
EngineFeatures EngineDriver::awaitFeatures() {
    while (!m_featuresSettled && !m_closing && !m_inputBroken && !m_process.hasEnded()) {
        const Clock::time_point deadline{Clock::duration(m_featureDeadline.load())};
        if (Clock::now() >= deadline) {
            break;
        }
        std::unique_lock lock(m_waitMutex);
        m_waitChanged.wait_for(lock, std::min(kWaitStep, left(deadline)));
    }
    m_featuresSettled = true;
    std::lock_guard lock(m_featuresMutex);
    return m_features;
}

// Output that arrives before the answer to this ping is not credited to the new search,
// which starts only afterwards.
void EngineDriver::awaitPong(int ping) {
    const auto deadline = Clock::now() + kPongBound;
    while (m_pong != ping && !m_closing && !m_inputBroken && Clock::now() < deadline) {
        std::unique_lock lock(m_waitMutex);
        m_waitChanged.wait_for(lock, std::min(kWaitStep, left(deadline)));
    }
}

std::string EngineDriver::moveCommand(const std::string& move) const {
    return (m_usermove ? "usermove " : "") + move + "\n";
}

void EngineDriver::send(std::string_view command) {
    sendBy(command, Clock::now() + kWriteBound);
}

void EngineDriver::sendBy(std::string_view command, Clock::time_point deadline) {
    if (m_inputBroken) {
        return;
    }
    {
        if (!lockBy(m_sendMutex, deadline)) {
            return;
        }
        std::lock_guard lock(m_sendMutex, std::adopt_lock);
        if (!m_process.write(command, std::min(kWriteBound, left(deadline)))) {
            // An engine that has ended or no longer reads gets nothing more, and a search
            // waiting for it ends.
            m_inputBroken = true;
            wakeSearch();
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
    {
        std::lock_guard start(m_startMutex);
        std::lock_guard lock(m_threadsMutex);
        if (m_shutdownClaimed || m_searchRunning || engineEnded()) {
            return;
        }
        // With the stop lifted in the same step, a host that sees the search running (Eng4)
        // and stops it cannot have its stop lifted after the fact.
        m_searchRunning = true;
        m_reports.liftStop();
        m_searchThread = std::this_thread::get_id();
    }
    takePonderMove();

    const EngineFeatures features = awaitFeatures();
    m_usermove = features.usermove;
    if (features.noAnalyze) {
        m_analyzeMode = false;
    }
    EngineConfig config = m_config;
    config.analyzeMode = m_analyzeMode;
    SearchPlan plan = planSearch(request, config, m_timeControl, features);
    m_targetDepth = plan.targetDepth;
    m_periodicStatus = plan.periodicStatus;
    m_analysis = plan.analysis;
    {
        std::lock_guard lock(m_ponderMutex);
        m_ponderMove = plan.ponderMove;
    }
    sendAll(plan.commands);
    if (features.ping) {
        // Everything the engine says before its answer belongs to what came before: an
        // earlier search, or the set-up itself.
        const int ping = ++m_pings;
        send("ping " + std::to_string(ping) + "\n");
        awaitPong(ping);
    }
    m_thinkingSeen = false;
    m_reports.startSearch(plan.position);

    bool pondering = false;
    {
        // A stop either comes before this, and nothing is started, or after the start
        // command, which it then answers.
        std::lock_guard start(m_startMutex);
        m_waiting = false;
        if (!m_reports.stopInForce()) {
            m_reports.clearReportedMainLine();
            send("post\n");
            send(plan.whiteToMove ? "white\n" : "black\n");
            m_waiting = true;
            pondering = startCommand(request);
        }
    }
    if (pondering) {
        m_reports.showDepthAndNodes(1, 0);
    }
    waitForMove();
    m_reports.endSearch();
    std::lock_guard lock(m_threadsMutex);
    m_searchThread = {};
    m_searchRunning = false;
}

bool EngineDriver::startCommand(const SearchRequest& request) {
    if (m_reports.hasNoLegalMove()) {
        endWait();
        return false;
    }
    if (m_analyzeMode && m_analysis) {
        send("analyze\n");
        return false;
    }
    std::string ponderMove;
    if (m_config.ponderMode && request.ponder) {
        std::lock_guard lock(m_ponderMutex);
        ponderMove = m_ponderMove;
    }
    if (!ponderMove.empty()) {
        send("ponder " + ponderMove + "\n");
        return true;
    }
    send("go\n");
    return false;
}

void EngineDriver::waitForMove() {
    // The first check of a search may always ask for a status.
    int stepsSinceRequest = kStepsBetweenStatusRequests;
    while (m_waiting && !m_closing && !m_inputBroken) {
        if (m_process.hasEnded()) {
            // Whatever else still holds the output open, an ended engine ends the search:
            // the reader is woken to finish with what it has.
            m_process.wake();
            waitUntil(m_readerAlive, false, Clock::now() + kReaderFinish);
            break;
        }
        if (m_periodicStatus && m_statusRequests != 0 &&
            stepsSinceRequest >= kStepsBetweenStatusRequests) {
            --m_statusRequests;
            send(".\n");
            stepsSinceRequest = 0;
        }
        {
            std::unique_lock lock(m_waitMutex);
            m_waitChanged.wait_for(lock, kWaitStep,
                                   [this] { return !m_waiting || m_closing || m_inputBroken; });
        }
        ++stepsSinceRequest;
    }
    m_waiting = false;
}

void EngineDriver::endWait() {
    m_waiting = false;
    wakeSearch();
}

// The search's wait looks again at once rather than at its next step.
void EngineDriver::wakeSearch() {
    { std::lock_guard lock(m_waitMutex); }
    m_waitChanged.notify_all();
}

void EngineDriver::stop() {
    stopBy(Clock::now() + kWriteBound);
}

void EngineDriver::stopBy(Clock::time_point deadline) {
    if (!lockBy(m_startMutex, deadline)) {
        return;
    }
    std::lock_guard start(m_startMutex, std::adopt_lock);
    if (!m_reports.putStop()) {
        return;
    }
    if (m_waiting) {
        if (m_analysis.exchange(false)) {
            sendBy("exit\n", deadline);
            endWait();
            return;
        }
        const std::string ponderMove = takePonderMove();
        if (!ponderMove.empty()) {
            sendBy(moveCommand(ponderMove), deadline);
            sendBy("easy\n", deadline);
        }
        sendBy("?\n", deadline);
    } else if (m_analysis.exchange(false)) {
        sendBy("exit\n", deadline);
        endWait();
    }
}

void EngineDriver::ponderHit() {
    const std::string ponderMove = takePonderMove();
    if (!ponderMove.empty()) {
        send(moveCommand(ponderMove));
        send("easy\n");
    }
}

void EngineDriver::shutdown() {
    if (m_shutdownClaimed.exchange(true)) {
        return;
    }
    const auto deadline = Clock::now() + kShutdownBound;
    // The search ends first, while the reader still reads the engine's answer to the stop;
    // an engine that does not answer has its wait ended for it. A shutdown from inside a
    // notification of the search itself cannot wait for it: the search returns after it.
    // One from inside the reader's notification cannot wait for the answer it would read.
    const bool fromSearch = onSearchThread();
    const bool fromReader = onReaderThread();
    stopBy(deadline);
    if (!fromSearch && !fromReader) {
        waitUntil(m_searchRunning, false, std::min(deadline, Clock::now() + kStopGrace));
    }
    m_closing = true;
    m_readerRun = false;
    wakeSearch();

    sendBy("new\n", deadline);
    sendBy("quit\n", deadline);
    m_log.close();
    m_process.waitForEnd(std::min(kQuitGrace, left(deadline - kKillReserve)));
    m_process.terminate(std::min(kKillReserve / 2, left(deadline - kKillReserve / 2)));
    endReader(deadline);
    m_reports.setUnreadableLineSink(nullptr);
}

void EngineDriver::endReader(Clock::time_point deadline) {
    m_process.wake();
    ReaderThread reader;
    {
        std::lock_guard lock(m_threadsMutex);
        reader = std::move(m_reader);
    }
    // A reader that is this thread (shutdown from inside its notification), or one held up
    // in a host's handler, finishes on its own: it holds its share of the connection.
    if (!reader.isCurrent() && waitUntil(m_readerAlive, false, deadline)) {
        reader.join();
    } else {
        reader.detach();
    }
}

void EngineDriver::readerLoop() {
    int failures = 0;
    while (m_readerRun) {
        const EngineProcess::ReadResult result =
            m_process.read(m_buffer.freeSpace(), m_buffer.freeSize());
        if (!m_readerRun) {
            break;
        }
        bool ended = false;
        switch (result.kind) {
        case EngineProcess::ReadResult::Kind::kData:
            m_buffer.commit(result.count);
            failures = 0;
            break;
        case EngineProcess::ReadResult::Kind::kEnd:
            ended = true;
            break;
        case EngineProcess::ReadResult::Kind::kWoken:
            ended = m_process.hasEnded();
            break;
        case EngineProcess::ReadResult::Kind::kFailed:
            ended = ++failures >= kMaxReadFailures;
            std::this_thread::sleep_for(kReadRetry);
            break;
        }
        const auto handle = [this](std::string_view line) { handleLine(line); };
        m_buffer.takeLines(handle);
        if (ended) {
            m_buffer.takeRest(handle);
            if (m_readerRun) {
                endWait();
            }
            break;
        }
    }
}

void EngineDriver::handleLine(std::string_view line) {
    // A reader whose connection has closed has nothing more to say to the host.
    if (!m_readerRun) {
        return;
    }
    m_log.received(line);
    const ParsedLine parsed = parseEngineLine(line);
    switch (parsed.kind) {
    case ParsedLine::Kind::kFeature:
        takeFeatures(parsed.text);
        return;
    case ParsedLine::Kind::kProtoverUnknown:
        m_featuresSettled = true;
        wakeSearch();
        return;
    case ParsedLine::Kind::kPong:
        m_pong = parsed.pong;
        wakeSearch();
        return;
    default:
        break;
    }
    if (parsed.kind == ParsedLine::Kind::kAnalyzeUnknown) {
        m_analyzeMode = false;
        m_analysis = false;
    } else if (parsed.kind == ParsedLine::Kind::kStatus) {
        m_statusRequests = -1;
    }
    const bool ends = m_reports.handle(parsed);
    // The host's handler may have held this thread while the connection closed.
    if (!m_readerRun) {
        return;
    }
    if (ends) {
        endWait();
    }
    // A status answer before the search's first thinking line may still give the depth the
    // engine reached in its previous search (Phalanx does): it stops nothing yet.
    const bool thinking = parsed.kind == ParsedLine::Kind::kThinking;
    m_thinkingSeen = m_thinkingSeen || thinking;
    const bool hasDepth = thinking || (parsed.kind == ParsedLine::Kind::kStatus && m_thinkingSeen);
    if (hasDepth && parsed.depth > m_targetDepth) {
        stop();
    }
}

} // namespace ferrule
