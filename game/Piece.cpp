#include "Piece.h"

#include <cctype>

int PieceEntryOf(std::string_view kind, std::uint8_t white) {
    const int black = white ? 0 : 1;
    if (kind == kind::Pawn) {
        return kWhitePawn + black;
    }
    if (kind == kind::Knight) {
        return kWhiteKnight + black;
    }
    if (kind == kind::Bishop) {
        return kWhiteBishop + black;
    }
    if (kind == kind::Rook) {
        return kWhiteRook + black;
    }
    if (kind == kind::Queen) {
        return kWhiteQueen + black;
    }
    if (kind == kind::King) {
        return kWhiteKing + black;
    }
    return kEmptyPiece;
}

char KindLetter(std::string_view kind) {
    if (kind == kind::Knight) {
        return 'N';
    }
    return kind.empty() ? ' ' : kind[0];
}

std::string KindOfLetter(char letter) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'P':
        return std::string(kind::Pawn);
    case 'N':
        return std::string(kind::Knight);
    case 'B':
        return std::string(kind::Bishop);
    case 'R':
        return std::string(kind::Rook);
    case 'Q':
        return std::string(kind::Queen);
    case 'K':
        return std::string(kind::King);
    default:
        return {};
    }
}

std::string PromotionKindOfLetter(char letter) {
    std::string named = KindOfLetter(letter);
    return named == kind::Pawn || named == kind::King ? std::string() : named;
}
