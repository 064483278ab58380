#pragma once

#include "Dialogue.h"
#include "config/EngineConfig.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ferrule {

// The UCI dialogue: "uci" / "uciok", the configuration's options, "isready" / "readyok";
// each search as "position ..." and "go ..." ("ucinewgame" first when the game is not the
// last one continued); "stop" to stop, "ponderhit" for a ponder hit, "quit" to close. The
// "info" lines are read as reports and "bestmove" ends the search.
class UciDialogue final : public Dialogue {
public:
    // `answered`: the engine has already said "uciok" to a "uci" sent while its protocol
    // was found out, and "id" lines with `name` and `author`.
    UciDialogue(DialogueLink& link, const EngineConfig& config, bool answered = false,
                std::string name = {}, std::string author = {});

    void open() override;
    std::optional<Position> prepare(const SearchRequest& request) override;
    bool ponders() override;
    bool begin(const SearchRequest& request, const std::function<void()>& armWait) override;
    bool stop(bool waiting, DialogueLink::Clock::time_point deadline) override;
    void ponderHit() override;
    // The next search begins a new game.
    void reset() override { m_newGame = true; }
    void quit(DialogueLink::Clock::time_point deadline) override;
    LineEffect handle(std::string_view line) override;
    std::string ownName() override;
    std::string ownAuthor() override;

private:
    using Clock = DialogueLink::Clock;

    void sendOptions();
    void askReady();
    bool awaitReady();
    bool continuesLastGame(const Position& start, const std::vector<MoveCode>& moves) const;

    DialogueLink& m_link;
    const EngineConfig m_config;
    Clock::time_point m_uciSent;
    std::atomic<bool> m_uciOk{false};
    std::atomic<bool> m_optionsSent{false};
    std::atomic<int> m_readyAsked{0};
    std::atomic<int> m_readyAnswered{0};
    std::atomic<bool> m_newGame{false};

    // The game of the last search (search thread only).
    std::optional<Position> m_lastStart;
    std::vector<MoveCode> m_lastMoves;
    bool m_ponders = false;                  // search thread only: this search may ponder
    std::atomic<bool> m_ponderSearch{false}; // "go ponder" was sent for this search

    std::mutex m_namesMutex;
    std::string m_name;
    std::string m_author;
};

} // namespace ferrule
