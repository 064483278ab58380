#pragma once

#include "Game.h"
#include "NullDisplay.h"
#include "PgnReader.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// One game read from PGN, its moves checked by the rules.
struct PgnGameMove {
    std::string record;  // the move record line ("e2e4", "e1g1c", "b7a8rQ")
    std::string text;    // the move as the file writes it
    std::string comment; // comments that follow it, joined by blanks
    std::string nags;    // its NAGs as "$1 $14"
};

struct PgnGame {
    std::size_t offset = 0; // where the game starts in the text
    int line = 1;
    std::vector<std::pair<std::string, std::string>> tags; // in file order, values as UTF-8
    std::string startFen;           // from the SetUp and FEN tags; empty for the initial position
    std::string comment;            // comments before the first move
    std::vector<PgnGameMove> moves; // the main line up to the end or the first error
    std::string result;             // the result token; without one the Result tag; else "*"
    std::string error;              // the first error ("illegal move \"Nf7\""), empty when none
    int errorLine = 0;
    std::string errorText; // the move text that failed; empty for a refused FEN tag

    // The value of a tag, or empty.
    std::string Tag(std::string_view name) const;
};

// A visitor that plays each game through the rules and hands it over whole. A game with
// an illegal, ambiguous or unreadable move keeps the moves before it and its error; a FEN
// tag that cannot start a game is an error before the first move.
class PgnGameBuilder : public PgnVisitor {
public:
    // Called with each game as it ends; returning false stops the reading.
    explicit PgnGameBuilder(std::function<bool(PgnGame&)> onGame);
    PgnGameBuilder(const PgnGameBuilder&) = delete;
    PgnGameBuilder& operator=(const PgnGameBuilder&) = delete;

    void BeginGame(std::size_t offset, int line) override;
    void Tag(std::string_view name, std::string_view value) override;
    bool Move(std::string_view text, int line) override;
    void Comment(std::string_view text) override;
    void Nag(int nag) override;
    bool EndGame(std::string_view result, std::size_t endOffset) override;

private:
    bool StartMoves();
    void Fail(std::string error, std::string_view text, int line);

    std::function<bool(PgnGame&)> m_onGame;
    NullDisplay m_display;
    Game m_rules;        // sets up the start position
    Position m_initial;  // the initial position, for the games without a FEN tag
    Position m_position; // the game's moves are made here
    PgnGame m_game;
    bool m_started = false; // the rules hold the game's start position
    bool m_failed = false;
};

// Every game of `text`, at most `maxGames`.
std::vector<PgnGame> ReadPgnGames(std::string_view text, std::size_t maxGames = SIZE_MAX);

// The one game that starts at `offset` of `text` (an index entry).
PgnGame ReadPgnGameAt(std::string_view text, std::size_t offset);
