#pragma once

#include "RecordingDisplay.h"

#include "game/Game.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

// A game with a recording display, set up from a FEN text (the start position when empty).
struct TestGame {
    RecordingDisplay display;
    Game game{display};

    explicit TestGame(const std::string& fen = "") {
        if (!fen.empty()) {
            EXPECT_TRUE(game.Model().SetUpFromFen(fen)) << fen;
        }
    }

    // Plays blank-separated moves such as "e2e4 e7e5 g7g8n"; a fifth letter is the
    // promotion choice. Returns false at the first refused move.
    bool Play(const std::string& moves) {
        std::istringstream words(moves);
        for (std::string move; words >> move;) {
            if (move.size() == 5) {
                game.Model().promotionChoice = KindOfLetter(move[4]);
            }
            if (!game.MakeMove(move.substr(0, 2), move.substr(2, 2))) {
                ADD_FAILURE() << "refused: " << move;
                return false;
            }
        }
        return true;
    }

    const std::string& LastNotation() const { return display.MoveList().back(); }
    const std::string& LastRecordLine() const { return game.Model().moveRecord.back(); }
};
