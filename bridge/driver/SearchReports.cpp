#include "SearchReports.h"

#include "RecordLayout.h"
#include "core/MainLineReader.h"
#include "core/MoveGenerator.h"
#include "quill/Quill32.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace ferrule {

namespace {

constexpr int kNodesNoticeDepth = 5;
constexpr int kMoveNoticeDepth = 6;
constexpr int kMillisecondsPerSecond = 1000;

int legalMoveCount(const Position& position) {
    MoveList list;
    generateMoves(position, list);
    int count = 0;
    for (const MoveCode move : list) {
        Position next = position;
        next.apply(move);
        count += isLegal(next) ? 1 : 0;
    }
    return count;
}

} // namespace

int hostScore(long long engineScore, bool negate) {
    int score = static_cast<int>(std::clamp<long long>(engineScore, -32768, 32767));
    if (score > 32000 && score < 32768) {
        score -= 2767;
    } else if (score < -32000 && score > -32768) {
        score += 2767;
    }
    return negate ? -score : score;
}

void SearchReports::attach(unsigned char* record, std::int32_t hostValue) {
    std::lock_guard lock(m_mutex);
    m_record = record;
    putLe32(m_record, report::kHostValue, static_cast<std::uint32_t>(hostValue));
}

void SearchReports::detach() {
    std::lock_guard lock(m_mutex);
    m_record = nullptr;
}

bool SearchReports::holdsRecord() const {
    std::lock_guard lock(m_mutex);
    return m_record != nullptr;
}

void SearchReports::setEvaluationWhite(bool evaluationWhite) {
    std::lock_guard lock(m_mutex);
    m_evaluationWhite = evaluationWhite;
}

void SearchReports::setUnreadableLineSink(std::function<void(std::string_view)> sink) {
    std::lock_guard lock(m_mutex);
    m_unreadableLineSink = std::move(sink);
}

void SearchReports::startSearch(const Position& position) {
    {
        std::lock_guard lock(m_mutex);
        m_greatestDepth = 0;
        m_position = position;
        m_lineCount = 0;
        m_score = 0;
        m_time = 0;
        m_searchOn = true;
    }
    Notices notices;
    notices.add(kNotifySearchStart);
    deliver(notices);
}

void SearchReports::endSearch() {
    std::lock_guard lock(m_mutex);
    m_searchOn = false;
}

void SearchReports::clearReportedMainLine() {
    std::lock_guard lock(m_mutex);
    m_mainLineReported = false;
    m_lineCount = 0;
}

Position SearchReports::searchedPosition() const {
    std::lock_guard lock(m_mutex);
    return m_position;
}

bool SearchReports::hasNoLegalMove() const {
    std::lock_guard lock(m_mutex);
    return ferrule::hasNoLegalMove(m_position);
}

bool SearchReports::putStop() {
    return !m_stop.exchange(true);
}

std::int32_t SearchReports::deliver(const Notices& notices) {
    std::int32_t result = 0;
    for (int i = 0; i < notices.count; ++i) {
        unsigned char* record = nullptr;
        std::int32_t second = 0;
        std::int32_t third = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_record == nullptr) {
                return 0;
            }
            record = m_record;
            second = static_cast<std::int32_t>(getLe32(record, report::kNotifySecond));
            third = static_cast<std::int32_t>(getLe32(record, report::kNotifyThird));
        }
        // Nothing of the record is touched after the call: the host may let go of it as
        // soon as the connection is closed, even while this handler still runs.
        result = Func3(notices.codes[i], second, third, record);
    }
    return result;
}

void SearchReports::depth(int depth, int secondDepth, Notices& notices) {
    if (m_stop || m_record == nullptr || depth <= m_greatestDepth) {
        return;
    }
    m_greatestDepth = depth;
    putLe16(m_record, report::kDepth, depth);
    putLe16(m_record, report::kSecondDepth, secondDepth);
    notices.add(kNotifyDepth);
}

void SearchReports::nodes(std::uint64_t count, Notices& notices) {
    if (m_stop || m_record == nullptr) {
        return;
    }
    putLe16(m_record, report::kNodesMark, 0);
    putLe32(m_record, report::kNodesLow, static_cast<std::uint32_t>(count));
    putLe32(m_record, report::kNodesHigh, static_cast<std::uint32_t>(count >> 32));
    if (m_greatestDepth >= kNodesNoticeDepth) {
        notices.add(kNotifyNodes);
    }
}

void SearchReports::depthAndNodes(int depth, std::uint64_t count, Notices& notices) {
    this->depth(depth, 0, notices);
    nodes(count, notices);
}

std::int32_t SearchReports::showDepth(int depth, int secondDepth) {
    Notices notices;
    {
        std::lock_guard lock(m_mutex);
        this->depth(depth, secondDepth, notices);
    }
    return deliver(notices);
}

std::int32_t SearchReports::showNodes(std::uint32_t low, std::uint32_t high) {
    Notices notices;
    {
        std::lock_guard lock(m_mutex);
        nodes((static_cast<std::uint64_t>(high) << 32) | low, notices);
    }
    return deliver(notices);
}

void SearchReports::rootMove(int move, int number, int total, Notices& notices) {
    if (m_stop || m_record == nullptr) {
        return;
    }
    putLe16(m_record, report::kCurrentMove, move);
    putLe16(m_record, report::kMoveNumber, number);
    putLe16(m_record, report::kMoveTotal, total);
    if (m_greatestDepth >= kMoveNoticeDepth) {
        notices.add(kNotifyRootMove);
    }
}

std::int32_t SearchReports::showDepthAndNodes(int depth, std::uint64_t count) {
    Notices notices;
    {
        std::lock_guard lock(m_mutex);
        depthAndNodes(depth, count, notices);
    }
    return deliver(notices);
}

std::int32_t SearchReports::showMove(int move, int number, int total) {
    Notices notices;
    {
        std::lock_guard lock(m_mutex);
        rootMove(move, number, total, notices);
    }
    return deliver(notices);
}

std::int32_t SearchReports::showMainline(const std::uint16_t* moves, int count, int score) {
    Notices notices;
    {
        std::lock_guard lock(m_mutex);
        if (m_stop || m_record == nullptr) {
            return 0;
        }
        count = moves == nullptr ? 0 : std::clamp(count, 0, kMaxMainLine);
        putLe32(m_record, report::kMainLineMark, 2);
        putLe16(m_record, report::kMainLineCount, count);
        for (int i = 0; i < count; ++i) {
            putLe16(m_record, report::kMainLine + 2 * i, moves[i]);
        }
        putLe16(m_record, report::kScore, m_evaluationWhite && blackToMove() ? -score : score);
        notices.add(kNotifyMainLine);
    }
    return deliver(notices);
}

void SearchReports::reportMainLine(std::string_view text, int score, int time, Notices& notices) {
    if (m_stop) {
        return;
    }
    std::array<MoveCode, kMaxMainLine> moves{};
    const int read = readMainLine(m_position, text, moves);
    const int kept = std::min(read, kMaxMainLine);
    if (read == 0) {
        m_lineCount = 0;
        if (m_unreadableLineSink) {
            m_unreadableLineSink(text);
        }
        return;
    }
    const bool isNew =
        kept != m_lineCount || !std::equal(moves.begin(), moves.begin() + kept, m_line.begin());
    if (m_record == nullptr || !isNew) {
        return;
    }
    putLe32(m_record, report::kMainLineMark, 2);
    m_time = time;
    putLe32(m_record, report::kTime, static_cast<std::uint32_t>(time));
    m_score = score;
    // The sign follows the side to move of the searched position itself, which differs
    // from the side the engine was told when a ponder move has been played on it.
    putLe16(m_record, report::kScore, hostScore(score, m_evaluationWhite && blackToMove()));
    for (int i = 0; i < kept; ++i) {
        putLe16(m_record, report::kMainLine + 2 * i, moves[i]);
    }
    putLe16(m_record, report::kMainLineCount, kept);
    m_line = moves;
    m_lineCount = kept;
    notices.add(kNotifyMainLine);
}

void SearchReports::handleMoveLine(std::string_view move, Notices& notices) {
    if (!m_mainLineReported) {
        m_mainLineReported = true;
        depthAndNodes(1, 1, notices);
        reportMainLine(move, 1, 1, notices);
        return;
    }
    std::array<MoveCode, 1> played{};
    if (readMainLine(m_position, move, played) > 0 &&
        (m_lineCount == 0 || played[0] != m_line[0])) {
        reportMainLine(move, m_score, m_time, notices);
    }
}

bool SearchReports::handle(const ParsedLine& line) {
    Notices notices;
    bool ends = false;
    {
        std::lock_guard lock(m_mutex);
        ends = handleLocked(line, notices);
    }
    deliver(notices);
    return ends;
}

bool SearchReports::handleLocked(const ParsedLine& line, Notices& notices) {
    if (!m_searchOn) {
        return false;
    }
    switch (line.kind) {
    case ParsedLine::Kind::kMove:
        handleMoveLine(line.move, notices);
        return true;
    case ParsedLine::Kind::kThinking:
        if (line.depth > m_greatestDepth) {
            depthAndNodes(line.depth, static_cast<std::uint64_t>(line.nodes), notices);
            m_lineCount = 0;
        }
        if (line.text.find('(') == std::string_view::npos) {
            m_score = line.score;
            m_time = line.time;
            m_mainLineReported = true;
            reportMainLine(line.text, line.score, line.time, notices);
        }
        return false;
    case ParsedLine::Kind::kOnlyMove:
        depthAndNodes(1, 1, notices);
        reportMainLine(line.move, 0, 0, notices);
        return true;
    case ParsedLine::Kind::kStatus: {
        depthAndNodes(line.depth, static_cast<std::uint64_t>(line.nodes), notices);
        rootMove(0, line.totalMoves - line.movesLeft, line.totalMoves, notices);
        return false;
    }
    default:
        return false;
    }
}

void SearchReports::handleInfo(const UciInfo& info) {
    Notices notices;
    {
        std::lock_guard lock(m_mutex);
        handleInfoLocked(info, notices);
    }
    deliver(notices);
}

void SearchReports::handleInfoLocked(const UciInfo& info, Notices& notices) {
    if (!m_searchOn || info.multipv > 1) {
        return;
    }
    if (info.depth && *info.depth > m_greatestDepth) {
        depth(*info.depth, 0, notices);
        // A line unchanged at the new depth is still news for the host.
        m_lineCount = 0;
    }
    if (info.nodes) {
        nodes(static_cast<std::uint64_t>(*info.nodes), notices);
    }
    if (!info.currMove.empty()) {
        std::array<MoveCode, 1> move{};
        if (readMainLine(m_position, info.currMove, move) > 0) {
            rootMove(move[0], info.currMoveNumber, legalMoveCount(m_position), notices);
        }
    }
    if (info.pv.empty() || info.bound) {
        return;
    }
    const int score = info.hasScore ? uciScore(info) : m_score;
    const int time = info.timeMs
                         ? static_cast<int>(std::min<std::int64_t>(
                               (*info.timeMs + kMillisecondsPerSecond / 2) / kMillisecondsPerSecond,
                               std::numeric_limits<std::int32_t>::max()))
                         : m_time;
    m_score = score;
    m_time = time;
    m_mainLineReported = true;
    reportMainLine(info.pv, score, time, notices);
}

} // namespace ferrule
