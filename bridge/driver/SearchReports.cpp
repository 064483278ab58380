#include "SearchReports.h"

#include "RecordLayout.h"
#include "core/MainLineReader.h"
#include "core/MoveGenerator.h"
#include "quill/Quill32.h"

#include <algorithm>
#include <utility>

namespace ferrule {

namespace {

constexpr int kNodesNoticeDepth = 5;
constexpr int kMoveNoticeDepth = 6;

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
    std::lock_guard lock(m_mutex);
    m_greatestDepth = 0;
    m_position = position;
    m_lineCount = 0;
    m_score = 0;
    m_time = 0;
    m_searchOn = true;
    notify(kNotifySearchStart);
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

std::int32_t SearchReports::notify(int code) {
    if (m_record == nullptr) {
        return 0;
    }
    return Func3(code, static_cast<std::int32_t>(getLe32(m_record, report::kNotifySecond)),
                 static_cast<std::int32_t>(getLe32(m_record, report::kNotifyThird)), m_record);
}

std::int32_t SearchReports::showDepth(int depth, int secondDepth) {
    std::lock_guard lock(m_mutex);
    if (m_stop || m_record == nullptr || depth <= m_greatestDepth) {
        return 0;
    }
    m_greatestDepth = depth;
    putLe16(m_record, report::kDepth, depth);
    putLe16(m_record, report::kSecondDepth, secondDepth);
    return notify(kNotifyDepth);
}

std::int32_t SearchReports::showNodes(std::uint32_t low, std::uint32_t high) {
    std::lock_guard lock(m_mutex);
    if (m_stop || m_record == nullptr) {
        return 0;
    }
    putLe16(m_record, report::kNodesMark, 0);
    putLe32(m_record, report::kNodesLow, low);
    putLe32(m_record, report::kNodesHigh, high);
    return m_greatestDepth >= kNodesNoticeDepth ? notify(kNotifyNodes) : 0;
}

std::int32_t SearchReports::showMove(int move, int number, int total) {
    std::lock_guard lock(m_mutex);
    if (m_stop || m_record == nullptr) {
        return 0;
    }
    putLe16(m_record, report::kCurrentMove, move);
    putLe16(m_record, report::kMoveNumber, number);
    putLe16(m_record, report::kMoveTotal, total);
    return m_greatestDepth >= kMoveNoticeDepth ? notify(kNotifyRootMove) : 0;
}

std::int32_t SearchReports::showMainline(const std::uint16_t* moves, int count, int score) {
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
    return notify(kNotifyMainLine);
}

void SearchReports::reportMainLine(std::string_view text, int score, int time) {
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
    notify(kNotifyMainLine);
}

void SearchReports::handleMoveLine(std::string_view move) {
    if (!m_mainLineReported) {
        m_mainLineReported = true;
        showDepth(1, 0);
        showNodes(1, 0);
        reportMainLine(move, 1, 1);
        return;
    }
    std::array<MoveCode, 1> played{};
    if (readMainLine(m_position, move, played) > 0 &&
        (m_lineCount == 0 || played[0] != m_line[0])) {
        reportMainLine(move, m_score, m_time);
    }
}

bool SearchReports::handle(const ParsedLine& line) {
    std::lock_guard lock(m_mutex);
    if (!m_searchOn) {
        return false;
    }
    switch (line.kind) {
    case ParsedLine::Kind::kMove:
        handleMoveLine(line.move);
        return true;
    case ParsedLine::Kind::kThinking:
        if (line.depth > m_greatestDepth) {
            const auto nodes = static_cast<std::uint64_t>(line.nodes);
            showDepth(line.depth, 0);
            showNodes(static_cast<std::uint32_t>(nodes), static_cast<std::uint32_t>(nodes >> 32));
            m_lineCount = 0;
        }
        if (line.text.find('(') == std::string_view::npos) {
            m_score = line.score;
            m_time = line.time;
            m_mainLineReported = true;
            reportMainLine(line.text, line.score, line.time);
        }
        return false;
    case ParsedLine::Kind::kOnlyMove:
        showDepth(1, 0);
        showNodes(1, 0);
        reportMainLine(line.move, 0, 0);
        return true;
    case ParsedLine::Kind::kStatus: {
        const auto nodes = static_cast<std::uint64_t>(line.nodes);
        showDepth(line.depth, 0);
        showNodes(static_cast<std::uint32_t>(nodes), static_cast<std::uint32_t>(nodes >> 32));
        showMove(0, line.totalMoves - line.movesLeft, line.totalMoves);
        return false;
    }
    default:
        return false;
    }
}

} // namespace ferrule
