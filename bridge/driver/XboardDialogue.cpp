#include "XboardDialogue.h"

#include "LineParser.h"

#include <algorithm>

namespace ferrule {

namespace {

using std::chrono::milliseconds;

constexpr int kStepsBetweenStatusRequests = 10;
// How long a protocol version 2 engine has to announce its features: all it sends within
// the first bound counts; once it has said "done=0", until "done=1" or the second bound.
constexpr milliseconds kFeatureBound(2000);
constexpr milliseconds kFeatureDoneBound(10000);
// How long a search waits for the engine's "pong" before it goes on without.
constexpr milliseconds kPongBound(2000);
// With StartNudge, the pause between two empty lines while the features are awaited.
constexpr milliseconds kNudgeInterval(20);

} // namespace

XboardDialogue::XboardDialogue(DialogueLink& link, const EngineConfig& config)
    : m_link(link), m_config(config), m_analyzeMode(config.analyzeMode) {}

void XboardDialogue::open() {
    m_link.send("xboard\n");
    startFeatureWait(Clock::now());
    m_link.send("protover 2\n");
}

void XboardDialogue::startFeatureWait(Clock::time_point start) {
    std::lock_guard lock(m_featuresMutex);
    m_featureWaitStart = start.time_since_epoch().count();
    const milliseconds bound = m_features.doneAwaited ? kFeatureDoneBound : kFeatureBound;
    m_featureDeadline = (start + bound).time_since_epoch().count();
}

XboardDialogue::Clock::time_point XboardDialogue::featureWaitStart() const {
    return Clock::time_point(Clock::duration(m_featureWaitStart.load()));
}

std::string XboardDialogue::ownName() {
    std::lock_guard lock(m_featuresMutex);
    return m_features.myname;
}

void XboardDialogue::takeFeatures(std::string_view text) {
    m_featureSeen = true;
    for (const FeaturePair& pair : readFeaturePairs(text)) {
        bool accepted = false;
        bool done = false;
        {
            std::lock_guard lock(m_featuresMutex);
            accepted = m_features.take(pair);
            done = m_features.done;
            if (!done && m_features.doneAwaited) {
                m_featureDeadline =
                    (featureWaitStart() + kFeatureDoneBound).time_since_epoch().count();
            }
        }
        m_link.send((accepted ? "accepted " : "rejected ") + std::string(pair.name) + "\n");
        if (done) {
            m_featuresSettled = true;
        }
    }
    m_link.wake();
}

// The first search starts once the engine has said what it can, or is known to say
// nothing (a version 1 engine), so that engine and reader agree on the dialogue.
EngineFeatures XboardDialogue::awaitFeatures() {
    const auto settled = [this] {
        const Clock::time_point deadline{Clock::duration(m_featureDeadline.load())};
        return m_featuresSettled || Clock::now() >= deadline;
    };
    if (m_config.startNudge && !m_featuresSettled) {
        nudgeUntilSettled();
    } else {
        m_link.await(settled, featureWaitStart() + kFeatureDoneBound);
    }
    m_featuresSettled = true;
    if (!m_openingEnded) {
        m_openingEnded = true;
        // "zelta" has always opened the dialogue of engines that know no features. A
        // version 2 engine is not sent it: one that ends at the first command it does not
        // know (HoiChess reading a pipe does) would end before its first search.
        if (!m_featureSeen) {
            m_link.send("zelta\n");
        }
    }
    std::lock_guard lock(m_featuresMutex);
    return m_features;
}

// GNU Chess 6 reads its input on a thread that holds the standard input while it waits for
// a line, and each of its engine threads must take that input once while starting: only in
// the moment between two lines read can one of them, and until then the engine says nothing
// at all. Empty lines, which it answers with a complaint and otherwise ignores, see it
// through its start; on a busy machine it may take a hundred. An engine configured so is one
// that announces its features, only late: it has the longer bound from the first empty line
// on, "done=1" or not.
void XboardDialogue::nudgeUntilSettled() {
    if (!m_featureSeen) {
        startFeatureWait(Clock::now());
    }
    const Clock::time_point limit = featureWaitStart() + kFeatureDoneBound;
    const auto settled = [this] { return m_featuresSettled.load(); };
    for (;;) {
        const Clock::time_point stepEnd = std::min(limit, Clock::now() + kNudgeInterval);
        // The wait also gives up early once the engine has ended or the connection closes.
        if (m_link.await(settled, stepEnd) || Clock::now() < stepEnd || stepEnd >= limit) {
            return;
        }
        m_link.nudge();
    }
}

std::string XboardDialogue::moveCommand(const std::string& move) const {
    return (m_usermove ? "usermove " : "") + move + "\n";
}

std::optional<Position> XboardDialogue::prepare(const SearchRequest& request) {
    const EngineFeatures features = awaitFeatures();
    m_usermove = features.usermove;
    m_noColors = features.noColors;
    if (features.noAnalyze) {
        m_analyzeMode = false;
    }
    EngineConfig config = m_config;
    config.analyzeMode = m_analyzeMode;
    const SearchPlan plan = planSearch(request, config, m_timeControl, features);
    m_targetDepth = plan.targetDepth;
    m_periodicStatus = plan.periodicStatus;
    m_analysis = plan.analysis;
    m_ponders = m_config.ponderMode && request.ponder;
    m_link.ponder().set(plan.ponderMove);
    for (const std::string& command : plan.commands) {
        m_link.send(command);
    }
    if (features.ping) {
        // Everything the engine says before its answer belongs to what came before: an
        // earlier search, or the set-up itself. Output that arrives before the answer is
        // not credited to the new search, which starts only afterwards.
        const int ping = ++m_pings;
        m_link.send("ping " + std::to_string(ping) + "\n");
        m_link.await([this, ping] { return m_pong == ping; }, Clock::now() + kPongBound);
    }
    m_thinkingSeen = false;
    m_whiteToMove = plan.whiteToMove;
    // The first check of a search may always ask for a status.
    m_stepsSinceRequest = kStepsBetweenStatusRequests;
    return plan.position;
}

bool XboardDialogue::ponders() {
    return m_ponders && !(m_analyzeMode && m_analysis) && !m_link.ponder().peek().empty();
}

bool XboardDialogue::begin(const SearchRequest&, const std::function<void()>& armWait) {
    m_link.send("post\n");
    if (!m_noColors) {
        m_link.send(m_whiteToMove ? "white\n" : "black\n");
    }
    armWait();
    if (m_link.reports().hasNoLegalMove()) {
        return false;
    }
    if (m_analyzeMode && m_analysis) {
        m_link.send("analyze\n");
        return true;
    }
    const std::string ponderMove = m_ponders ? m_link.ponder().peek() : std::string();
    m_link.send(ponderMove.empty() ? std::string("go\n") : "ponder " + ponderMove + "\n");
    return true;
}

void XboardDialogue::whileWaiting() {
    if (m_periodicStatus && m_statusRequests != 0 &&
        m_stepsSinceRequest >= kStepsBetweenStatusRequests) {
        --m_statusRequests;
        m_link.send(".\n");
        m_stepsSinceRequest = 0;
    }
    ++m_stepsSinceRequest;
}

bool XboardDialogue::stop(bool waiting, Clock::time_point deadline) {
    if (m_analysis.exchange(false)) {
        m_link.sendBy("exit\n", deadline);
        return true;
    }
    if (!waiting) {
        return false;
    }
    const std::string ponderMove = m_link.ponder().take();
    if (!ponderMove.empty()) {
        m_link.sendBy(moveCommand(ponderMove), deadline);
        m_link.sendBy("easy\n", deadline);
    }
    m_link.sendBy("?\n", deadline);
    return false;
}

void XboardDialogue::ponderHit() {
    const std::string ponderMove = m_link.ponder().take();
    if (!ponderMove.empty()) {
        m_link.send(moveCommand(ponderMove));
        m_link.send("easy\n");
    }
}

void XboardDialogue::quit(Clock::time_point deadline) {
    m_link.sendBy("new\n", deadline);
    m_link.sendBy("quit\n", deadline);
}

Dialogue::LineEffect XboardDialogue::handle(std::string_view line) {
    const ParsedLine parsed = parseEngineLine(line);
    switch (parsed.kind) {
    case ParsedLine::Kind::kFeature:
        takeFeatures(parsed.text);
        return {};
    case ParsedLine::Kind::kProtoverUnknown:
        m_featuresSettled = true;
        m_link.wake();
        return {};
    case ParsedLine::Kind::kPong:
        m_pong = parsed.pong;
        m_link.wake();
        return {};
    case ParsedLine::Kind::kAnalyzeUnknown:
        m_analyzeMode = false;
        m_analysis = false;
        break;
    case ParsedLine::Kind::kStatus:
        m_statusRequests = -1;
        break;
    default:
        break;
    }
    LineEffect effect;
    effect.endsWait = m_link.reports().handle(parsed);
    // A status answer before the search's first thinking line may still give the depth the
    // engine reached in its previous search (Phalanx does): it stops nothing yet.
    const bool thinking = parsed.kind == ParsedLine::Kind::kThinking;
    m_thinkingSeen = m_thinkingSeen || thinking;
    const bool hasDepth = thinking || (parsed.kind == ParsedLine::Kind::kStatus && m_thinkingSeen);
    effect.stops = hasDepth && parsed.depth > m_targetDepth;
    return effect;
}

} // namespace ferrule
