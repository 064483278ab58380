#include "EngineDriver.h"

#include "LineBuffer.h"
#include "UciDialogue.h"
#include "UciLineParser.h"
#include "XboardDialogue.h"
#include "platform/EngineProcess.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace ferrule {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWaitStep(100);
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
// How long "auto" waits for the engine's answer to "uci" ("uciok" or an error line); with
// the engine's start, Eng1 returns within three seconds.
constexpr milliseconds kProbeBound(2000);
// An engine that has already named itself with "id" lines is a UCI engine on its way to
// "uciok" (PolyGlot says it once its own engine has): it is given a little longer.
constexpr milliseconds kProbeIdGrace(700);
// How long a stopped engine has to send its move ("move", "bestmove") before it is ended,
// so that a search the host has stopped always returns, whatever the engine does.
constexpr milliseconds kStopAnswerBound(5000);
// How long an engine that did not answer a stop in time has to end when told to.
constexpr milliseconds kUnansweredStopGrace(300);
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
    return m_inputBroken || m_unready || m_process.hasEnded();
}

Dialogue* EngineDriver::dialogue() const {
    return m_probing ? nullptr : m_dialogue.get();
}

bool EngineDriver::start(const InstallPaths& paths, const EngineConfig& config,
                         std::string& error) {
    m_reports.setEvaluationWhite(config.evaluationWhite);

    std::vector<std::string> arguments{paths.executable()};
    for (std::string& word : splitCommandLine(config.commandLine)) {
        arguments.push_back(std::move(word));
    }
    if (!m_process.start(arguments, paths.engineFolder, error)) {
        m_shutdownClaimed = true;
        return false;
    }
    if (config.protocol == Protocol::kXboard) {
        m_dialogue = std::make_unique<XboardDialogue>(link(), config);
    } else if (config.protocol == Protocol::kUci) {
        m_dialogue = std::make_unique<UciDialogue>(link(), config);
        m_protocol = Protocol::kUci;
    } else {
        m_probing = true;
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
    if (m_probing) {
        chooseDialogue(config);
    }
    m_dialogue->open();
    return true;
}

// Engines print banners first, so only an answer counts: "uciok" makes it a UCI engine; an
// error line, a "feature" line or silence an xboard engine, which then gets its dialogue
// from the start, as if "uci" had never been sent.
void EngineDriver::chooseDialogue(const EngineConfig& config) {
    const auto started = Clock::now();
    send("uci\n");
    await(
        [this, started] {
            return m_probeVerdict.load() != 0 ||
                   (!m_probeIdSeen && Clock::now() >= started + kProbeBound);
        },
        started + kProbeBound + kProbeIdGrace);
    const bool uci = m_probeVerdict.load() == static_cast<int>(ProbeVerdict::kUci);
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - started);
    if (uci) {
        std::lock_guard lock(m_probeMutex);
        m_dialogue =
            std::make_unique<UciDialogue>(link(), config, true, m_probeName, m_probeAuthor);
        m_protocol = Protocol::kUci;
    } else {
        m_dialogue = std::make_unique<XboardDialogue>(link(), config);
    }
    const std::string reason = uci                          ? "it answered \"uciok\""
                               : m_probeVerdict.load() != 0 ? "it did not know \"uci\""
                                                            : "it did not answer \"uci\"";
    m_log.note("Protocol: " + std::string(uci ? "uci" : "xboard") + " (" + reason + ", " +
               std::to_string(took.count()) + " ms)\n");
    // From here the reader hands every line to the dialogue.
    m_probing = false;
}

std::string EngineDriver::engineOwnName() {
    Dialogue* const current = dialogue();
    return current ? current->ownName() : std::string();
}

std::string EngineDriver::engineOwnAuthor() {
    Dialogue* const current = dialogue();
    return current ? current->ownAuthor() : std::string();
}

bool EngineDriver::await(const std::function<bool()>& done, Clock::time_point deadline) {
    while (!done()) {
        if (m_closing || m_inputBroken || m_process.hasEnded() || Clock::now() >= deadline) {
            return false;
        }
        std::unique_lock lock(m_waitMutex);
        m_waitChanged.wait_for(lock, std::min(kWaitStep, left(deadline)));
    }
    return true;
}

void EngineDriver::send(std::string_view command) {
    sendBy(command, Clock::now() + kWriteBound);
}

void EngineDriver::sendBy(std::string_view command, Clock::time_point deadline) {
    if (write(command, deadline)) {
        // Let the engine read the command at once.
        std::this_thread::yield();
    }
}

void EngineDriver::nudge() {
    write("\n", Clock::now() + kWriteBound);
}

bool EngineDriver::write(std::string_view command, Clock::time_point deadline) {
    if (m_inputBroken || !lockBy(m_sendMutex, deadline)) {
        return false;
    }
    std::lock_guard lock(m_sendMutex, std::adopt_lock);
    if (!m_process.write(command, std::min(kWriteBound, left(deadline)))) {
        // An engine that has ended or no longer reads gets nothing more, and a search
        // waiting for it ends.
        m_inputBroken = true;
        wakeSearch();
        return false;
    }
    m_log.sent(command);
    return true;
}

void EngineDriver::search(const SearchRequest& request) {
    {
        std::lock_guard start(m_startMutex);
        std::lock_guard lock(m_threadsMutex);
        if (m_shutdownClaimed || m_searchRunning || engineEnded() || dialogue() == nullptr) {
            return;
        }
        // With the stop lifted in the same step, a host that sees the search running (Eng4)
        // and stops it cannot have its stop lifted after the fact.
        m_searchRunning = true;
        m_reports.liftStop();
        m_searchThread = std::this_thread::get_id();
    }
    m_ponder.take();
    m_stopSentAt = 0;

    if (const std::optional<Position> position = m_dialogue->prepare(request)) {
        m_reports.startSearch(*position);
        if (m_dialogue->ponders() && !m_reports.hasNoLegalMove()) {
            // Told before the start command, while the engine has nothing to say yet: once
            // it thinks, only the reader notifies, so a host's handler never runs on two
            // threads at once.
            m_reports.showDepthAndNodes(1, 0);
        }
        {
            // A stop either comes before this, and nothing is started, or after the start
            // command, which it then answers.
            std::lock_guard start(m_startMutex);
            m_waiting = false;
            if (!m_reports.stopInForce()) {
                m_reports.clearReportedMainLine();
                if (!m_dialogue->begin(request, [this] { m_waiting = true; })) {
                    endWait();
                }
            }
        }
        waitForMove();
        m_reports.endSearch();
    } else if (!m_closing && !m_inputBroken && !m_process.hasEnded()) {
        // An engine that cannot get ready is of no use to the host: the connection counts
        // as ended, and the next Eng1 starts afresh.
        m_unready = true;
    }
    std::lock_guard lock(m_threadsMutex);
    m_searchThread = {};
    m_searchRunning = false;
}

void EngineDriver::waitForMove() {
    while (m_waiting && !m_closing && !m_inputBroken) {
        if (m_process.hasEnded()) {
            // Whatever else still holds the output open, an ended engine ends the search:
            // the reader is woken to finish with what it has.
            m_process.wake();
            waitUntil(m_readerAlive, false, Clock::now() + kReaderFinish);
            break;
        }
        const Clock::rep stopSentAt = m_stopSentAt.load();
        if (stopSentAt != 0 &&
            Clock::now() - Clock::time_point(Clock::duration(stopSentAt)) > kStopAnswerBound) {
            // The engine would not end its search: it is ended, and the search with it.
            m_log.note("No answer to the stop in time: the engine is ended.\n");
            m_process.terminate(kUnansweredStopGrace);
            break;
        }
        m_dialogue->whileWaiting();
        std::unique_lock lock(m_waitMutex);
        m_waitChanged.wait_for(lock, kWaitStep,
                               [this] { return !m_waiting || m_closing || m_inputBroken; });
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
    Dialogue* const current = dialogue();
    if (current == nullptr || !lockBy(m_startMutex, deadline)) {
        return;
    }
    std::lock_guard start(m_startMutex, std::adopt_lock);
    if (!m_reports.putStop()) {
        return;
    }
    const bool waiting = m_waiting;
    if (current->stop(waiting, deadline)) {
        endWait();
    } else if (waiting) {
        m_stopSentAt = Clock::now().time_since_epoch().count();
    }
}

void EngineDriver::ponderHit() {
    Dialogue* const current = dialogue();
    if (current == nullptr || !lockBy(m_startMutex, Clock::now() + kWriteBound)) {
        return;
    }
    std::lock_guard start(m_startMutex, std::adopt_lock);
    current->ponderHit();
}

void EngineDriver::reset() {
    if (Dialogue* const current = dialogue()) {
        current->reset();
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

    if (Dialogue* const current = dialogue()) {
        current->quit(deadline);
    }
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
    if (m_probing) {
        probeLine(line);
        return;
    }
    const Dialogue::LineEffect effect = m_dialogue->handle(line);
    // The host's handler may have held this thread while the connection closed.
    if (!m_readerRun) {
        return;
    }
    if (effect.endsWait) {
        endWait();
    }
    if (effect.stops) {
        stop();
    }
}

void EngineDriver::probeLine(std::string_view line) {
    if (m_probeVerdict.load() != 0) {
        return;
    }
    const UciLine parsed = parseUciLine(line);
    if (parsed.kind == UciLine::Kind::kIdName || parsed.kind == UciLine::Kind::kIdAuthor) {
        std::lock_guard lock(m_probeMutex);
        (parsed.kind == UciLine::Kind::kIdName ? m_probeName : m_probeAuthor) = parsed.text;
        m_probeIdSeen = true;
        return;
    }
    const ProbeVerdict verdict = probeVerdict(line);
    if (verdict != ProbeVerdict::kUndecided) {
        m_probeVerdict = static_cast<int>(verdict);
        wakeSearch();
    }
}

} // namespace ferrule
