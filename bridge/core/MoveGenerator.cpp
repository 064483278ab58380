#include "MoveGenerator.h"

namespace ferrule {

namespace {

struct Step {
    int file;
    int rank;
};

// Orders follow the square offsets -10, +6, -6, +10, -17, +15, -15, +17 for the knight,
// -9, -7, +9, +7 for the bishop, -1, -8, +1, +8 for the rook and
// -9, -1, +7, -8, +8, -7, +1, +9 for the king.
constexpr Step kKnightSteps[] = {{-2, -1}, {-2, 1}, {2, -1}, {2, 1},
                                 {-1, -2}, {-1, 2}, {1, -2}, {1, 2}};
constexpr Step kBishopSteps[] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
constexpr Step kRookSteps[] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
constexpr Step kKingSteps[] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                               {0, 1},   {1, -1}, {1, 0},  {1, 1}};

bool stepTo(int square, Step step, int& target) {
    const int file = squareFile(square) + step.file;
    const int rank = squareRank(square) + step.rank;
    if (file < 0 || file > 7 || rank < 0 || rank > 7) {
        return false;
    }
    target = makeSquare(file, rank);
    return true;
}

int colourOf(std::uint8_t piece) {
    return isBlackPiece(piece) ? kBlack : kWhite;
}

bool holdsPiece(const Position& position, int square, int side, int type) {
    const std::uint8_t piece = position.squares[square];
    return pieceType(piece) == type && colourOf(piece) == side;
}

bool slidingAttack(const Position& position, int square, int attacker, const Step (&steps)[4],
                   int type) {
    for (const Step step : steps) {
        int target = square;
        while (stepTo(target, step, target)) {
            const std::uint8_t piece = position.squares[target];
            if (piece == kEmpty) {
                continue;
            }
            if (colourOf(piece) == attacker &&
                (pieceType(piece) == type || pieceType(piece) == kQueen)) {
                return true;
            }
            break;
        }
    }
    return false;
}

class Generator {
public:
    Generator(const Position& position, MoveList& list)
        : m_position(position), m_list(list), m_side(position.sideToMove) {}

    void run() {
        for (int square = 0; square < 64; ++square) {
            const std::uint8_t piece = m_position.squares[square];
            if (piece == kEmpty || colourOf(piece) != m_side) {
                continue;
            }
            switch (pieceType(piece)) {
            case kPawn:
                pawn(square);
                break;
            case kKnight:
                jumps(square, kKnightSteps);
                break;
            case kBishop:
                slides(square, kBishopSteps);
                break;
            case kRook:
                slides(square, kRookSteps);
                break;
            case kQueen:
                slides(square, kBishopSteps);
                slides(square, kRookSteps);
                break;
            case kKing:
                jumps(square, kKingSteps);
                castling(square);
                break;
            default:
                break;
            }
        }
    }

private:
    bool isEnemy(int square) const {
        const std::uint8_t piece = m_position.squares[square];
        return piece != kEmpty && colourOf(piece) != m_side;
    }
    bool isFree(int square) const { return m_position.squares[square] == kEmpty; }

    template <std::size_t N> void jumps(int from, const Step (&steps)[N]) {
        for (const Step step : steps) {
            int to = 0;
            if (stepTo(from, step, to) && (isFree(to) || isEnemy(to))) {
                m_list.push(makeMoveCode(from, to));
            }
        }
    }

    void slides(int from, const Step (&steps)[4]) {
        for (const Step step : steps) {
            int to = from;
            while (stepTo(to, step, to)) {
                if (isFree(to)) {
                    m_list.push(makeMoveCode(from, to));
                    continue;
                }
                if (isEnemy(to)) {
                    m_list.push(makeMoveCode(from, to));
                }
                break;
            }
        }
    }

    void castling(int from) {
        const int home = m_side == kWhite ? 4 : 60;
        const int kingSide = m_side == kWhite ? kWhiteKingSide : kBlackKingSide;
        const int queenSide = m_side == kWhite ? kWhiteQueenSide : kBlackQueenSide;
        const int opponent = m_side ^ 1;
        if (from != home || isSquareAttacked(m_position, home, opponent)) {
            return;
        }
        if ((m_position.castling & kingSide) && holdsPiece(m_position, home + 3, m_side, kRook) &&
            isFree(home + 1) && isFree(home + 2) &&
            !isSquareAttacked(m_position, home + 1, opponent)) {
            m_list.push(makeMoveCode(home, home + 2));
        }
        if ((m_position.castling & queenSide) && holdsPiece(m_position, home - 4, m_side, kRook) &&
            isFree(home - 1) && isFree(home - 2) && isFree(home - 3) &&
            !isSquareAttacked(m_position, home - 1, opponent)) {
            m_list.push(makeMoveCode(home, home - 2));
        }
    }

    void pawnMove(int from, int to) {
        if (squareRank(to) == 0 || squareRank(to) == 7) {
            for (int promotion = kPromoteQueen; promotion <= kPromoteKnight; ++promotion) {
                m_list.push(makeMoveCode(from, to, promotion));
            }
        } else {
            m_list.push(makeMoveCode(from, to));
        }
    }

    void pawn(int from) {
        const int forward = m_side == kWhite ? 8 : -8;
        const int startRank = m_side == kWhite ? 1 : 6;
        const int enPassantRank = m_side == kWhite ? 4 : 3;
        const int file = squareFile(from);
        const int ahead = from + forward;
        if (ahead < 0 || ahead > 63) {
            return;
        }
        if (squareRank(from) == startRank && isFree(ahead) && isFree(ahead + forward)) {
            m_list.push(makeMoveCode(from, ahead + forward));
        }
        if (isFree(ahead)) {
            pawnMove(from, ahead);
        }
        // White captures towards +7 then +9; Black towards -9 then -7: the a-file side first.
        for (const int side : {-1, 1}) {
            if ((side < 0 && file == 0) || (side > 0 && file == 7)) {
                continue;
            }
            const int to = ahead + side;
            if (isEnemy(to)) {
                pawnMove(from, to);
            } else if (squareRank(from) == enPassantRank && m_position.enPassant != 0 &&
                       to == m_position.enPassant) {
                m_list.push(makeMoveCode(from, to));
            }
        }
    }

    const Position& m_position;
    MoveList& m_list;
    int m_side;
};

} // namespace

bool isSquareAttacked(const Position& position, int square, int attacker) {
    for (const Step step : kKnightSteps) {
        int from = 0;
        if (stepTo(square, step, from) && holdsPiece(position, from, attacker, kKnight)) {
            return true;
        }
    }
    for (const Step step : kKingSteps) {
        int from = 0;
        if (stepTo(square, step, from) && holdsPiece(position, from, attacker, kKing)) {
            return true;
        }
    }
    // A pawn attacks diagonally forward, so look one rank back from its point of view.
    const int pawnRank = attacker == kWhite ? -1 : 1;
    for (const int file : {-1, 1}) {
        int from = 0;
        if (stepTo(square, {file, pawnRank}, from) && holdsPiece(position, from, attacker, kPawn)) {
            return true;
        }
    }
    return slidingAttack(position, square, attacker, kBishopSteps, kBishop) ||
           slidingAttack(position, square, attacker, kRookSteps, kRook);
}

void generateMoves(const Position& position, MoveList& list) {
    list.count = 0;
    Generator(position, list).run();
}

bool isLegal(const Position& positionAfterMove) {
    const int mover = positionAfterMove.sideToMove ^ 1;
    const int king = positionAfterMove.kingSquare(mover);
    if (!holdsPiece(positionAfterMove, king, mover, kKing)) {
        return true; // a board without that king: nothing can be in check
    }
    return !isSquareAttacked(positionAfterMove, king, positionAfterMove.sideToMove);
}

bool hasNoLegalMove(const Position& position) {
    MoveList list;
    generateMoves(position, list);
    for (const MoveCode move : list) {
        Position next = position;
        next.apply(move);
        if (isLegal(next)) {
            return false;
        }
    }
    return true;
}

} // namespace ferrule
