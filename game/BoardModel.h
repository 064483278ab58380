#pragma once

#include "Piece.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Castling marks, one per square in this order: set once a move has started there
// (and for the corners also once a move has ended there); never cleared.
enum CastlingMark : int { kMarkA1, kMarkE1, kMarkH1, kMarkA8, kMarkE8, kMarkH8, kCastlingMarks };

// The board model of one game: the 64 square records, the piece table and the
// game-state fields. Plain data; the rules that read and change it live in Game.
struct BoardModel {
    std::string enPassantSquare; // square a double-stepping pawn passed over, or empty
    std::string promotionChoice; // kind the next promotion makes; emptied when used
    std::string dragSource;      // square where the user's current drag started
    std::string promotionLetter; // "Q", "R", "B", "N" of the promotion just made
    std::uint8_t finished = 0;   // the game is over, or was loaded from a file
    std::uint8_t engineColour = 0;
    std::uint8_t sideMarker = 0; // colour of the side that made the last move
    std::array<std::uint8_t, kCastlingMarks> castlingMarks{};
    std::int32_t quietMoveCount = 0;
    std::array<TPiece, kPieceTableSize> pieceTable;
    std::array<TSquare, 64> board;
    std::vector<std::string> positionHistory; // repetition keys of the positions reached
    std::vector<std::string> moveRecord;      // one line per half-move: "e2e4", "b7a8rQ", ...
    // Where the game began: empty for the initial position, else the FEN it was set up
    // from as FenText writes it, with its full-move number.
    std::string startFen;
    std::int32_t startMoveNumber = 1;
    std::uint8_t startSideMarker = 0;

    // The initial position with every field at its value at creation.
    BoardModel();

    // The colour to move: the other colour than the side marker.
    std::uint8_t SideToMove() const { return sideMarker ? 0 : 1; }

    // The square record by name; the caller must pass a valid square name.
    const TSquare& At(std::string_view name) const;
    TSquare& At(std::string_view name);

    // True when the square's piece kind is not empty; false for a text that is not a square name.
    bool IsOccupied(std::string_view name) const;

    // The piece-placement field of FEN: "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR".
    std::string PlacementText() const;

    // Sets the board up from a FEN text: placement, side to move, castling rights (as
    // castling marks), en-passant square, quiet-move count and the full-move number the
    // game starts with; the move record and the position history are emptied. Returns
    // false and changes nothing for a malformed text: a placement other than eight ranks
    // of eight squares, a quiet-move count outside 0..9999, a move number outside 1..9999,
    // or a field too many. Any placement is taken, kings or none; a castling right whose
    // king or rook is not at home, and an en-passant square that no pawn has just passed,
    // are dropped.
    bool SetUpFromFen(std::string_view fen) { return FenSetUpError(fen).empty(); }

    // The same set-up, saying why a text is refused ("8 ranks expected"), or empty when
    // the board was set up.
    std::string FenSetUpError(std::string_view fen);
};
