#include "UciDialogue.h"

#include "SearchPlan.h"
#include "UciCommands.h"
#include "UciLineParser.h"

#include <algorithm>

namespace ferrule {

namespace {

using std::chrono::milliseconds;

// How long an engine has to answer "uci" and "isready". An engine that does not answer in
// time is taken for one that cannot play: it gets no search.
constexpr milliseconds kUciOkBound(5000);
constexpr milliseconds kReadyBound(10000);
constexpr std::size_t kMaxName = 125;

std::string limitedName(std::string_view text) {
    return std::string(text.substr(0, std::min(text.size(), kMaxName)));
}

// An option's name and value as one line: a line end in them would start another command.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

} // namespace

UciDialogue::UciDialogue(DialogueLink& link, const EngineConfig& config, bool answered,
                         std::string name, std::string author)
    : m_link(link), m_config(config), m_uciSent(Clock::now()), m_uciOk(answered),
      m_name(limitedName(name)), m_author(limitedName(author)) {}

void UciDialogue::open() {
    if (m_uciOk) {
        m_optionsSent = true;
        sendOptions();
        return;
    }
    m_uciSent = Clock::now();
    m_link.send("uci\n");
}

void UciDialogue::sendOptions() {
    for (const auto& [name, value] : m_config.options) {
        m_link.send("setoption name " + oneLine(name) +
                    (value.empty() ? std::string() : " value " + oneLine(value)) + "\n");
    }
    askReady();
}

void UciDialogue::askReady() {
    ++m_readyAsked;
    m_link.send("isready\n");
}

bool UciDialogue::awaitReady() {
    const int asked = m_readyAsked;
    return m_link.await([this, asked] { return m_readyAnswered >= asked; },
                        Clock::now() + kReadyBound);
}

std::string UciDialogue::ownName() {
    std::lock_guard lock(m_namesMutex);
    return m_name;
}

std::string UciDialogue::ownAuthor() {
    std::lock_guard lock(m_namesMutex);
    return m_author;
}

bool UciDialogue::continuesLastGame(const Position& start,
                                    const std::vector<MoveCode>& moves) const {
    const auto same = [](const Position& a, const Position& b) {
        return a.squares == b.squares && a.sideToMove == b.sideToMove && a.castling == b.castling &&
               a.enPassant == b.enPassant;
    };
    return m_lastStart && same(*m_lastStart, start) && moves.size() >= m_lastMoves.size() &&
           std::equal(m_lastMoves.begin(), m_lastMoves.end(), moves.begin());
}

std::optional<Position> UciDialogue::prepare(const SearchRequest& request) {
    if (!m_link.await([this] { return m_uciOk.load(); }, m_uciSent + kUciOkBound)) {
        m_link.note("The engine did not answer \"uci\" with \"uciok\": no search is sent.\n");
        return std::nullopt;
    }
    const Position start = requestedStart(request, m_config.castleAndEP);
    if (m_newGame.exchange(false) || !continuesLastGame(start, request.moves)) {
        m_link.send("ucinewgame\n");
        askReady();
    }
    if (!awaitReady()) {
        m_link.note("The engine did not answer \"isready\" with \"readyok\": no search is sent.\n");
        return std::nullopt;
    }
    m_lastStart = start;
    m_lastMoves = request.moves;

    m_ponders = m_config.ponderMode && request.ponder && !request.moves.empty();
    m_ponderSearch = false;
    m_link.ponder().set(m_ponders ? moveText(request.moves.back()) : std::string());
    m_link.send(uciPositionCommand(request, start));
    Position searched = start;
    for (const MoveCode move : request.moves) {
        searched.apply(move);
    }
    return searched;
}

bool UciDialogue::ponders() {
    return m_ponders && !m_link.ponder().peek().empty();
}

bool UciDialogue::begin(const SearchRequest& request, const std::function<void()>& armWait) {
    armWait();
    if (m_link.reports().hasNoLegalMove()) {
        return false;
    }
    // A ponder hit that came before the start leaves an ordinary search of the same position.
    const bool pondering = ponders();
    m_link.send(uciGoCommand(request, pondering));
    m_ponderSearch = pondering;
    return true;
}

bool UciDialogue::stop(bool waiting, Clock::time_point deadline) {
    if (!waiting) {
        return false;
    }
    // Stopped while still pondering: the expected reply was not played, and the engine's
    // "bestmove", found for a position that never came, goes nowhere (a stop is in force).
    if (!m_link.ponder().take().empty()) {
        m_link.note("The expected reply was not played: the ponder search's move is dropped.\n");
    }
    m_link.sendBy("stop\n", deadline);
    return false;
}

void UciDialogue::ponderHit() {
    // Before the ponder search has started, taking the move is enough: begin() then starts
    // an ordinary search of the same position.
    if (!m_link.ponder().take().empty() && m_ponderSearch) {
        m_link.send("ponderhit\n");
    }
}

void UciDialogue::quit(Clock::time_point deadline) {
    m_link.sendBy("quit\n", deadline);
}

Dialogue::LineEffect UciDialogue::handle(std::string_view line) {
    const UciLine parsed = parseUciLine(line);
    switch (parsed.kind) {
    case UciLine::Kind::kUciOk:
        // The options and their "isready" are on their way before a search sees the answer.
        if (!m_optionsSent.exchange(true)) {
            sendOptions();
        }
        m_uciOk = true;
        m_link.wake();
        return {};
    case UciLine::Kind::kReadyOk:
        ++m_readyAnswered;
        m_link.wake();
        return {};
    case UciLine::Kind::kIdName:
    case UciLine::Kind::kIdAuthor: {
        std::lock_guard lock(m_namesMutex);
        (parsed.kind == UciLine::Kind::kIdName ? m_name : m_author) = limitedName(parsed.text);
        return {};
    }
    case UciLine::Kind::kInfo:
        m_link.reports().handleInfo(parsed.info);
        return {};
    case UciLine::Kind::kBestMove: {
        ParsedLine move;
        move.kind = ParsedLine::Kind::kMove;
        move.move = parsed.text;
        LineEffect effect;
        effect.endsWait = m_link.reports().handle(move);
        return effect;
    }
    default:
        return {};
    }
}

} // namespace ferrule
