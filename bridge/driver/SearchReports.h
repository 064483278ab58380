#pragma once

#include "LineParser.h"
#include "UciLineParser.h"
#include "core/MoveCode.h"
#include "core/Position.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>

namespace ferrule {

// Notification codes sent to the host through Func3.
constexpr int kNotifyMainLine = 329;
constexpr int kNotifySearchStart = 330;
constexpr int kNotifyRootMove = 331;
constexpr int kNotifyDepth = 332;
constexpr int kNotifyNodes = 333;

// An engine's score as the host gets it: saturated to 16 bits, mate distances moved from
// 32767 - n down to 30000 - n (and the same below zero), then negated when asked to.
int hostScore(long long engineScore, bool negate);

// The search state that reports are made from, and the writes into the host's report
// record. Everything here is guarded by one lock, so the reader thread, the thread in
// Eng9 and host threads calling the Show functions see it whole. Notifications are sent
// after the lock is let go: a host handler may wait for another host thread that calls
// into the library, or call Eng2 itself.
class SearchReports {
public:
    // Holds the host's record until detach(); writes `hostValue` to offset 108.
    void attach(unsigned char* record, std::int32_t hostValue);
    // Lets go of the record: no record field is written and no notification starts after
    // this returns. One already in the host's handler on another thread is not waited for:
    // the handler may take as long as it likes, or wait for the caller itself.
    void detach();
    bool holdsRecord() const;

    void setEvaluationWhite(bool evaluationWhite);
    // Told every main line in which not one move could be read (for the log and console).
    void setUnreadableLineSink(std::function<void(std::string_view)> sink);

    // The search's position is set up: the greatest depth is 0, the searched position is
    // `position`, the remembered main line is forgotten; then the host hears code 330.
    void startSearch(const Position& position);
    // The search has ended: output that still arrives (an engine thinking on its own
    // after its move) belongs to no search and is not reported.
    void endSearch();
    // Just before the start command: no main line reported yet in this search.
    void clearReportedMainLine();
    Position searchedPosition() const;
    bool hasNoLegalMove() const;

    // A search begins: no stop is in force any more.
    void liftStop() { m_stop = false; }
    // Puts a stop in force; true only for the call that did so.
    bool putStop();
    bool stopInForce() const { return m_stop.load(); }

    // The four host-visible reports; each does nothing while a stop is in force and
    // returns the notification's result (0 when none was sent).
    std::int32_t showDepth(int depth, int secondDepth);
    std::int32_t showNodes(std::uint32_t low, std::uint32_t high);
    std::int32_t showMove(int move, int number, int total);
    // showDepth(depth, 0) then showNodes(count) in one go; returns the last result.
    std::int32_t showDepthAndNodes(int depth, std::uint64_t count);
    // `moves` holds `count` 16-bit move codes; the count is clamped to 0..32.
    std::int32_t showMainline(const std::uint16_t* moves, int count, int score);

    // Acts on one parsed output line while a search is on. Returns true when it ends the
    // wait for the engine.
    bool handle(const ParsedLine& line);
    // Acts on a UCI engine's "info" line while a search is on: the depth when it grew, the
    // node count, the root move being searched, and a main line with an exact score (bounds
    // and lines of a second "multipv" are passed over).
    void handleInfo(const UciInfo& info);

private:
    static constexpr int kMaxMainLine = 32;

    // The notification codes one call has earned, sent once the lock is let go.
    struct Notices {
        std::array<int, 4> codes{};
        int count = 0;
        void add(int code) { codes[count++] = code; }
    };

    std::int32_t deliver(const Notices& notices);
    void depth(int depth, int secondDepth, Notices& notices);
    void nodes(std::uint64_t count, Notices& notices);
    void depthAndNodes(int depth, std::uint64_t count, Notices& notices);
    void rootMove(int move, int number, int total, Notices& notices);
    void reportMainLine(std::string_view text, int score, int time, Notices& notices);
    void handleMoveLine(std::string_view move, Notices& notices);
    bool handleLocked(const ParsedLine& line, Notices& notices);
    void handleInfoLocked(const UciInfo& info, Notices& notices);
    bool blackToMove() const { return m_position.sideToMove == kBlack; }

    mutable std::mutex m_mutex;
    unsigned char* m_record = nullptr;
    std::atomic<bool> m_stop{false};
    bool m_evaluationWhite = false;
    std::function<void(std::string_view)> m_unreadableLineSink;
    Position m_position;
    bool m_searchOn = false;
    int m_greatestDepth = 0;
    bool m_mainLineReported = false;
    std::array<MoveCode, kMaxMainLine> m_line{};
    int m_lineCount = 0;
    int m_score = 0;
    int m_time = 0;
};

} // namespace ferrule
