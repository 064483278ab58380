#include "Position.h"

#include <cstdlib>

namespace ferrule {

namespace {

// Rights left after a move touch a square: a corner or king square loses its rights.
int castlingMask(int square) {
    switch (square) {
    case 0:
        return ~kWhiteQueenSide;
    case 4:
        return ~(kWhiteKingSide | kWhiteQueenSide);
    case 7:
        return ~kWhiteKingSide;
    case 56:
        return ~kBlackQueenSide;
    case 60:
        return ~(kBlackKingSide | kBlackQueenSide);
    case 63:
        return ~kBlackKingSide;
    default:
        return ~0;
    }
}

std::uint8_t sanitisedPiece(std::uint8_t code) {
    const int type = pieceType(code);
    return (type == kEmpty || type == 7) ? 0 : static_cast<std::uint8_t>(code & 15);
}

} // namespace

Position Position::initial() {
    static constexpr std::uint8_t kBackRank[8] = {kRook, kKnight, kBishop, kQueen,
                                                  kKing, kBishop, kKnight, kRook};
    Position position;
    for (int file = 0; file < 8; ++file) {
        position.squares[file] = kBackRank[file];
        position.squares[8 + file] = kPawn;
        position.squares[48 + file] = kPawn | kBlackBit;
        position.squares[56 + file] = kBackRank[file] | kBlackBit;
    }
    position.castling = kWhiteKingSide | kWhiteQueenSide | kBlackKingSide | kBlackQueenSide;
    position.whiteKing = 4;
    position.blackKing = 60;
    return position;
}

Position Position::fromBoard(const std::uint8_t* board, int side) {
    Position position;
    for (int square = 0; square < 64; ++square) {
        const std::uint8_t piece = sanitisedPiece(board[square]);
        position.squares[square] = piece;
        if (pieceType(piece) == kKing) {
            (isBlackPiece(piece) ? position.blackKing : position.whiteKing) = square;
        }
    }
    position.sideToMove = side == kBlack ? kBlack : kWhite;
    const auto& sq = position.squares;
    if (sq[4] == kKing) {
        position.castling |= sq[7] == kRook ? kWhiteKingSide : 0;
        position.castling |= sq[0] == kRook ? kWhiteQueenSide : 0;
    }
    if (sq[60] == (kKing | kBlackBit)) {
        position.castling |= sq[63] == (kRook | kBlackBit) ? kBlackKingSide : 0;
        position.castling |= sq[56] == (kRook | kBlackBit) ? kBlackQueenSide : 0;
    }
    return position;
}

void Position::apply(MoveCode move) {
    const int from = moveFrom(move);
    const int to = moveTo(move);
    enPassant = 0;
    if (from != to) {
        const std::uint8_t piece = squares[from];
        const bool destinationWasEmpty = squares[to] == kEmpty;
        squares[to] = piece;
        squares[from] = kEmpty;
        const int colourBit = piece & kBlackBit;
        if (pieceType(piece) == kPawn) {
            if (std::abs(to - from) == 16) {
                enPassant = (from + to) / 2;
            } else if (destinationWasEmpty && squareFile(to) != squareFile(from)) {
                squares[makeSquare(squareFile(to), squareRank(from))] = kEmpty;
            } else if (squareRank(to) == 0 || squareRank(to) == 7) {
                const int promotion = movePromotion(move);
                const int type = promotion == kPromoteRook     ? kRook
                                 : promotion == kPromoteBishop ? kBishop
                                 : promotion == kPromoteKnight ? kKnight
                                                               : kQueen;
                squares[to] = static_cast<std::uint8_t>(type | colourBit);
            }
        } else if (pieceType(piece) == kKing) {
            // Only a two-square step onto the g- or c-file is castling; anything else a
            // host might send must not reach past the board's edge.
            if (to - from == 2 && squareFile(to) == 6) {
                squares[to - 1] = squares[to + 1];
                squares[to + 1] = kEmpty;
            } else if (from - to == 2 && squareFile(to) == 2) {
                squares[to + 1] = squares[to - 2];
                squares[to - 2] = kEmpty;
            }
            (colourBit ? blackKing : whiteKing) = to;
        }
        castling &= castlingMask(from) & castlingMask(to);
    }
    sideToMove ^= 1;
}

} // namespace ferrule
