#include "Fen.h"

#include "Game.h"
#include "NullDisplay.h"
#include "Square.h"

#include <cctype>

std::string FenText(const BoardModel& model) {
    std::string fen = model.PlacementText();
    fen += model.sideMarker ? " b " : " w ";
    const auto& marks = model.castlingMarks;
    const std::size_t before = fen.size();
    if (!marks[kMarkE1] && !marks[kMarkH1]) {
        fen += 'K';
    }
    if (!marks[kMarkE1] && !marks[kMarkA1]) {
        fen += 'Q';
    }
    if (!marks[kMarkE8] && !marks[kMarkH8]) {
        fen += 'k';
    }
    if (!marks[kMarkE8] && !marks[kMarkA8]) {
        fen += 'q';
    }
    if (fen.size() == before) {
        fen += '-';
    }
    fen += ' ';
    fen += model.enPassantSquare.empty() ? "-" : model.enPassantSquare;
    // A game that began with Black to move has its first full move cut in half.
    const std::size_t halfMoves = model.moveRecord.size() + (model.startSideMarker ? 1 : 0);
    fen += ' ' + std::to_string(model.quietMoveCount) + ' ' +
           std::to_string(model.startMoveNumber + static_cast<std::int32_t>(halfMoves / 2));
    return fen;
}

std::string FenRefusal(std::string_view fen) {
    NullDisplay display;
    Game game(display);
    BoardModel& model = game.Model();
    if (std::string error = model.FenSetUpError(fen); !error.empty()) {
        return error;
    }
    int kings[2] = {0, 0};
    int king[2] = {-1, -1};
    for (int square = 0; square < 64; ++square) {
        const TPiece& piece = model.board[square].piece;
        if (piece.kind == kind::King) {
            ++kings[piece.white];
            king[piece.white] = square;
        }
        if (piece.kind == kind::Pawn && (RankOf(square) == 1 || RankOf(square) == 8)) {
            return "a pawn stands on " + SquareName(square) + ", on the first or last rank";
        }
    }
    for (const std::uint8_t white : {1, 0}) {
        if (kings[white] != 1) {
            return std::string(white ? "White" : "Black") + " must have exactly one king";
        }
    }
    const std::uint8_t toMove = model.SideToMove();
    const std::string target = SquareName(king[toMove ? 0 : 1]);
    for (int square = 0; square < 64; ++square) {
        const TSquare& from = model.board[square];
        if (!from.piece.IsEmpty() && from.piece.white == toMove &&
            game.IsLegalMove(from.name, target, false)) {
            return std::string(toMove ? "White" : "Black") + " to move gives check";
        }
    }
    return "";
}
