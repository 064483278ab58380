#include "Square.h"

int SquareIndex(std::string_view name) {
    if (name.size() != 2) {
        return -1;
    }
    const char file = name[0];
    const char rank = name[1];
    if (file < 'a' || file > 'h' || rank < '1' || rank > '8') {
        return -1;
    }
    return (8 - (rank - '0')) * 8 + (file - 'a');
}

std::string SquareName(int index) {
    return {static_cast<char>('a' + FileOf(index)), static_cast<char>('0' + RankOf(index))};
}

std::string SquareAt(int file, int rank) {
    if (file < 0 || file > 7 || rank < 1 || rank > 8) {
        return {};
    }
    return {static_cast<char>('a' + file), static_cast<char>('0' + rank)};
}
