#include "CompactBoard.h"

Cell CellOf(const TPiece& piece) {
    const std::string& kind = piece.kind;
    if (kind.empty()) {
        return cell::Empty;
    }
    // The first two letters tell the six kinds apart; one comparison then confirms it.
    auto confirmed = [&](std::string_view name, Cell value) {
        return MakeCell(kind == name ? value : cell::Unknown, piece.white);
    };
    switch (kind[0]) {
    case 'P':
        return confirmed(kind::Pawn, cell::Pawn);
    case 'B':
        return confirmed(kind::Bishop, cell::Bishop);
    case 'R':
        return confirmed(kind::Rook, cell::Rook);
    case 'Q':
        return confirmed(kind::Queen, cell::Queen);
    case 'K':
        return kind.size() > 1 && kind[1] == 'n' ? confirmed(kind::Knight, cell::Knight)
                                                 : confirmed(kind::King, cell::King);
    default:
        return MakeCell(cell::Unknown, piece.white);
    }
}

void CompactBoard::ReadFrom(const std::array<TSquare, 64>& board) {
    for (int square = 0; square < 64; ++square) {
        cells[square] = CellOf(board[square].piece);
    }
    firstKing = {FindFirstKing(0), FindFirstKing(1)};
}

int CompactBoard::FindFirstKing(std::uint8_t white) const {
    const Cell king = MakeCell(cell::King, white);
    for (int square = 0; square < 64; ++square) {
        if (cells[square] == king) {
            return square;
        }
    }
    return -1;
}
