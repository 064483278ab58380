#pragma once

#include "Piece.h"

#include <array>
#include <cstdint>

// The board as one byte a square, read from the square records, so that the rules'
// inner loops compare small numbers instead of kind texts. The records stay the model
// that the windows read; Position keeps this copy in step with them move by move.
using Cell = std::uint8_t;

namespace cell {
inline constexpr Cell Empty = 0;
inline constexpr Cell Pawn = 1;
inline constexpr Cell Knight = 2;
inline constexpr Cell Bishop = 3;
inline constexpr Cell Rook = 4;
inline constexpr Cell Queen = 5;
inline constexpr Cell King = 6;
// A kind text the rules do not know: it stands in the way and can be taken, nothing more.
inline constexpr Cell Unknown = 7;
inline constexpr Cell KindMask = 7;
inline constexpr Cell WhiteBit = 8;
} // namespace cell

inline Cell KindOfCell(Cell value) {
    return value & cell::KindMask;
}
inline std::uint8_t ColourOfCell(Cell value) {
    return (value & cell::WhiteBit) ? 1 : 0;
}
inline Cell MakeCell(Cell kind, std::uint8_t white) {
    return kind | (white ? cell::WhiteBit : 0);
}

// The cell of a piece record.
Cell CellOf(const TPiece& piece);

struct CompactBoard {
    std::array<Cell, 64> cells{};
    // The first king of each colour in square order (index 1 White, 0 Black), or -1.
    std::array<int, 2> firstKing{-1, -1};

    void ReadFrom(const std::array<TSquare, 64>& board);
    int FindFirstKing(std::uint8_t white) const;
};
