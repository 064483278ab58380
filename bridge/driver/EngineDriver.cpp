#include "EngineDriver.h"

#include "LineParser.h"

#include <chrono>
#include <utility>

namespace ferrule {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWaitStep(100);
constexpr int kStepsBetweenStatusRequests = 10;
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
    auto process = std::make_unique<EngineProcess>();
    if (!process->start(arguments, paths.engineFolder, error)) {
        return false;
    }
    {
        std::lock_guard lock(m_sendMutex);
        m_process = std::move(process);
    }
    m_buffer = LineBuffer();
    m_readerRun = true;
    m_readerAlive = true;
    m_reader = std::thread([this] { readerLoop(); });

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
    {
        std::lock_guard lock(m_sendMutex);
        if (!m_process) {
            return;
        }
        m_process->write(command, kWriteBound);
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
    m_searchRunning = true;
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
    waitForMove();
    m_reports.endSearch();
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
        m_reports.showDepth(1, 0);
        m_reports.showNodes(0, 0);
        return;
    }
    send("go\n");
}

void EngineDriver::waitForMove() {
    // The first check of a search may always ask for a status.
    int stepsSinceRequest = kStepsBetweenStatusRequests;
    while (m_waiting) {
        if (m_process->hasEnded()) {
            // Whatever else still holds the output open, an ended engine ends the search:
            // the reader is woken to finish with what it has.
            m_process->wake();
            waitUntil(m_readerAlive, false, kReaderFinish);
            m_waiting = false;
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
    if (!m_process) {
        return;
    }
    m_readerRun = false;
    stop();
    send("new\n");
    send("quit\n");
    m_log.close();
    waitUntil(m_searchRunning, false, kQuitGrace);
    m_process->waitForEnd(kQuitGrace);
    m_process->terminate();
    m_process->wake();
    if (m_reader.joinable()) {
        m_reader.join();
    }
    m_reports.setUnreadableLineSink(nullptr);
    std::lock_guard lock(m_sendMutex);
    m_process.reset();
}

void EngineDriver::readerLoop() {
    int failures = 0;
    while (m_readerRun) {
        const EngineProcess::ReadResult result =
            m_process->read(m_buffer.freeSpace(), m_buffer.freeSize());
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
            ended = m_process->hasEnded();
            break;
        case EngineProcess::ReadResult::Kind::kFailed:
            ended = ++failures >= kMaxReadFailures;
            std::this_thread::sleep_for(kReadRetry);
            break;
        }
        m_buffer.takeLines([this](std::string_view line) { handleLine(line); });
        if (ended) {
            m_buffer.takeRest([this](std::string_view line) { handleLine(line); });
            m_waiting = false;
            break;
        }
    }
    m_readerAlive = false;
}

void EngineDriver::handleLine(std::string_view line) {
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
