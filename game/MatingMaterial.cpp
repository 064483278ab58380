// A lone knight or a bishop can only mate with help from the other side's own pieces,
// which block its king's flight squares; a queen or a rook of the mated side could always
// take the checker instead, and bishops all on one square colour never reach the squares
// of the other colour, so no helpful arrangement exists in those cases.

#include "MatingMaterial.h"

#include "Square.h"

namespace {

struct Material {
    int pawns = 0;
    int knights = 0;
    int bishops = 0;
    int rooks = 0;
    int queens = 0;
    bool bishopOnLight = false;
    bool bishopOnDark = false;
};

Material materialOf(const BoardModel& model, std::uint8_t white) {
    Material material;
    for (int square = 0; square < 64; ++square) {
        const TPiece& piece = model.board[square].piece;
        if (piece.IsEmpty() || piece.white != white) {
            continue;
        }
        if (piece.kind == kind::Pawn) {
            ++material.pawns;
        } else if (piece.kind == kind::Knight) {
            ++material.knights;
        } else if (piece.kind == kind::Rook) {
            ++material.rooks;
        } else if (piece.kind == kind::Queen) {
            ++material.queens;
        } else if (piece.kind == kind::Bishop) {
            ++material.bishops;
            // a1 (file 0, rank 1) is dark: the dark squares have an odd file + rank.
            ((FileOf(square) + RankOf(square)) % 2 == 1 ? material.bishopOnDark
                                                        : material.bishopOnLight) = true;
        }
    }
    return material;
}

} // namespace

bool CanStillMate(const BoardModel& model, std::uint8_t white) {
    const Material own = materialOf(model, white);
    const Material other = materialOf(model, white ? 0 : 1);
    if (own.pawns + own.rooks + own.queens > 0 || own.knights >= 2 ||
        (own.knights > 0 && own.bishops > 0)) {
        return true;
    }
    if (own.knights == 1) {
        return other.pawns + other.knights + other.bishops + other.rooks > 0;
    }
    if (own.bishops > 0) {
        const bool bothColours =
            (own.bishopOnLight || other.bishopOnLight) && (own.bishopOnDark || other.bishopOnDark);
        return other.knights > 0 || other.pawns > 0 || bothColours;
    }
    return false;
}
