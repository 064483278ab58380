#include "Fen.h"

namespace ferrule {

std::string toFen(const Position& position) {
    static constexpr char kLetters[] = " PNBRQK  pnbrqk ";
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const std::uint8_t piece = position.squares[makeSquare(file, rank)];
            const int type = pieceType(piece);
            // Type 7 is no piece either (Position::fromBoard reads it as empty).
            if (type == kEmpty || type > kKing) {
                ++empty;
                continue;
            }
            if (empty > 0) {
                fen += static_cast<char>('0' + empty);
                empty = 0;
            }
            fen += kLetters[type + (isBlackPiece(piece) ? kBlackBit : 0)];
        }
        if (empty > 0) {
            fen += static_cast<char>('0' + empty);
        }
        if (rank > 0) {
            fen += '/';
        }
    }
    fen += position.sideToMove == kWhite ? " w " : " b ";
    const std::size_t before = fen.size();
    for (const auto& [bit, letter] :
         {std::pair{kWhiteKingSide, 'K'}, std::pair{kWhiteQueenSide, 'Q'},
          std::pair{kBlackKingSide, 'k'}, std::pair{kBlackQueenSide, 'q'}}) {
        if ((position.castling & bit) != 0) {
            fen += letter;
        }
    }
    if (fen.size() == before) {
        fen += '-';
    }
    fen += ' ';
    fen += position.enPassant != 0 ? squareName(position.enPassant) : std::string("-");
    return fen + " 0 1";
}

} // namespace ferrule
