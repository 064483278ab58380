#pragma once

#include <cstdint>
#include <string>

namespace ferrule {

// A move as the host encodes it: source square in bits 0-5, destination in bits 6-11,
// promotion piece in bits 12-15 (4 queen, 5 rook, 6 bishop, 7 knight, 0 none).
// Squares run a1 = 0, b1 = 1, ..., h8 = 63.
using MoveCode = std::uint16_t;

constexpr int kPromoteQueen = 4;
constexpr int kPromoteRook = 5;
constexpr int kPromoteBishop = 6;
constexpr int kPromoteKnight = 7;

constexpr MoveCode makeMoveCode(int from, int to, int promotion = 0) {
    return static_cast<MoveCode>((from & 63) | ((to & 63) << 6) | ((promotion & 15) << 12));
}
constexpr int moveFrom(MoveCode move) {
    return move & 63;
}
constexpr int moveTo(MoveCode move) {
    return (move >> 6) & 63;
}
constexpr int movePromotion(MoveCode move) {
    return (move >> 12) & 15;
}

constexpr int squareFile(int square) {
    return square & 7;
}
constexpr int squareRank(int square) {
    return square >> 3;
}
constexpr int makeSquare(int file, int rank) {
    return rank * 8 + file;
}

// "e2" for square 12.
std::string squareName(int square);

// The form the engine is sent: "e2e4", and "e7e8q" with the promotion letter taken
// from "qrbn" by the promotion code modulo 4 whenever a promotion code is present.
std::string moveText(MoveCode move);

} // namespace ferrule
