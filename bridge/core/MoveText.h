#pragma once

// The characters that engines' move words are made of.

namespace ferrule {

inline bool isFileLetter(char c) {
    return c >= 'a' && c <= 'h';
}
inline bool isRankDigit(char c) {
    return c >= '1' && c <= '8';
}
// "O-O", "0-0" and "o-o" all mean castling.
inline bool isCastlingMark(char c) {
    return c == '0' || c == 'O' || c == 'o';
}

} // namespace ferrule
