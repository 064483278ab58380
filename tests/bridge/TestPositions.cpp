#include "TestPositions.h"

#include <sstream>

namespace ferrule_test {

using namespace ferrule;

Position fromFen(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling, enPassant;
    in >> placement >> side >> castling >> enPassant;
    std::uint8_t board[64] = {};
    int rank = 7, file = 0;
    const std::string letters = "pnbrqk";
    for (const char c : placement) {
        if (c == '/') {
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
        } else {
            const auto type = letters.find(static_cast<char>(std::tolower(c)));
            board[makeSquare(file++, rank)] =
                static_cast<std::uint8_t>((type + 1) | (std::islower(c) ? kBlackBit : 0));
        }
    }
    Position position = Position::fromBoard(board, side == "w" ? kWhite : kBlack);
    position.castling = 0;
    for (const char c : castling) {
        position.castling |= c == 'K'   ? kWhiteKingSide
                             : c == 'Q' ? kWhiteQueenSide
                             : c == 'k' ? kBlackKingSide
                             : c == 'q' ? kBlackQueenSide
                                        : 0;
    }
    if (enPassant != "-" && enPassant.size() == 2) {
        position.enPassant = makeSquare(enPassant[0] - 'a', enPassant[1] - '1');
    }
    return position;
}

MoveCode move(const std::string& text) {
    const int from = makeSquare(text[0] - 'a', text[1] - '1');
    const int to = makeSquare(text[2] - 'a', text[3] - '1');
    int promotion = 0;
    if (text.size() > 4) {
        promotion = std::string("qrbn").find(text[4]) + kPromoteQueen;
    }
    return makeMoveCode(from, to, promotion);
}

} // namespace ferrule_test
