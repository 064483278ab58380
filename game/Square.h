#pragma once

#include <string>
#include <string_view>

// Square names are exactly two characters, file "a".."h" then rank "1".."8".
// The index counts row by row from White's top-left: a8 = 0, h8 = 7, a1 = 56, h1 = 63.

// The index of a square name, or -1 for any text that is not exactly a square name.
int SquareIndex(std::string_view name);

// The name of the square with the given index (0..63).
std::string SquareName(int index);

// The name of the square at file 0..7 ("a".."h") and rank 1..8, or empty when off the board.
std::string SquareAt(int file, int rank);

// The index of the square at file 0..7 and rank 1..8, or -1 when off the board.
inline int IndexAt(int file, int rank) {
    return (file < 0 || file > 7 || rank < 1 || rank > 8) ? -1 : (8 - rank) * 8 + file;
}

inline int FileOf(int index) {
    return index % 8;
}
inline int RankOf(int index) {
    return 8 - index / 8;
}
