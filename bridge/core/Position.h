#pragma once

#include "MoveCode.h"

#include <array>
#include <cstdint>

namespace ferrule {

// Piece codes as the host writes them: type in bits 0-2, bit 3 set for Black.
enum PieceType : int {
    kEmpty = 0,
    kPawn = 1,
    kKnight = 2,
    kBishop = 3,
    kRook = 4,
    kQueen = 5,
    kKing = 6
};
constexpr int kBlackBit = 8;

constexpr int pieceType(std::uint8_t piece) {
    return piece & 7;
}
constexpr bool isBlackPiece(std::uint8_t piece) {
    return (piece & kBlackBit) != 0;
}

// Castling-right bits.
constexpr int kWhiteKingSide = 1;
constexpr int kWhiteQueenSide = 2;
constexpr int kBlackKingSide = 4;
constexpr int kBlackQueenSide = 8;

constexpr int kWhite = 0;
constexpr int kBlack = 1;

// The reader's own position; squares a1 = 0 first. A plain value: copy it freely.
struct Position {
    std::array<std::uint8_t, 64> squares{};
    int sideToMove = kWhite;
    int castling = 0;
    int enPassant = 0; // 0 means none
    int whiteKing = 0;
    int blackKing = 0;

    static Position initial();

    // Builds a position from a host board. Piece codes whose type is 0 or 7 are read as
    // empty, and bits above the colour bit are ignored, so any 64 bytes give a position.
    // Castling rights come from kings and rooks on their start squares; no en-passant.
    static Position fromBoard(const std::uint8_t* board, int side);

    // Plays the move without any legality test. A pawn reaching the last rank becomes a
    // rook, bishop or knight for promotion codes 5, 6, 7 and a queen for any other code.
    void apply(MoveCode move);

    int kingSquare(int side) const { return side == kWhite ? whiteKing : blackKing; }
};

} // namespace ferrule
