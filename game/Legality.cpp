// Move legality: the movement rules of the six kinds, castling, and whether a move
// leaves the mover's own king attacked.

#include "Game.h"
#include "Square.h"

#include <cstdlib>

namespace {

constexpr int kKnightSteps[8][2] = {{1, 2}, {-1, 2}, {1, -2}, {-1, -2},
                                    {2, 1}, {-2, 1}, {2, -1}, {-2, -1}};
constexpr int kKingSteps[8][2] = {{0, 1},  {0, -1}, {1, 1},  {1, 0},
                                  {1, -1}, {-1, 1}, {-1, 0}, {-1, -1}};
constexpr int kPawnSteps[8][2] = {{0, 1}, {0, -1}, {0, 2},  {0, -2},
                                  {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
constexpr int kRookRays[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
constexpr int kBishopRays[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};

// Calls visit(candidate) for the candidate targets of the piece on `from`, in the order
// in which they are listed to the user, until visit returns true. Returns whether it did.
template <typename Visit>
bool VisitCandidates(const std::array<Cell, 64>& cells, int from, Visit visit) {
    const int file = FileOf(from);
    const int rank = RankOf(from);
    auto steps = [&](const int(&offsets)[8][2]) {
        for (const auto& offset : offsets) {
            const int target = IndexAt(file + offset[0], rank + offset[1]);
            if (target >= 0 && visit(target)) {
                return true;
            }
        }
        return false;
    };
    auto rays = [&](const int(&directions)[4][2]) {
        for (const auto& direction : directions) {
            for (int f = file + direction[0], r = rank + direction[1];;
                 f += direction[0], r += direction[1]) {
                const int target = IndexAt(f, r);
                if (target < 0) {
                    break;
                }
                if (visit(target)) {
                    return true;
                }
                if (cells[target] != cell::Empty) {
                    break;
                }
            }
        }
        return false;
    };
    switch (KindOfCell(cells[from])) {
    case cell::Rook:
        return rays(kRookRays);
    case cell::Bishop:
        return rays(kBishopRays);
    case cell::Queen:
        return rays(kRookRays) || rays(kBishopRays);
    case cell::Knight:
        return steps(kKnightSteps);
    case cell::King:
        return steps(kKingSteps);
    case cell::Pawn:
        return steps(kPawnSteps);
    default:
        return false;
    }
}

} // namespace

bool Game::IsLegalMove(const std::string& from, const std::string& to, bool ownKingTest) {
    const int s = SquareIndex(from);
    const int t = SquareIndex(to);
    if (s < 0 || t < 0) {
        return false;
    }
    ReadBoard();
    return IsLegalMoveAt(s, t, ownKingTest);
}

bool Game::IsLegalMoveAt(int from, int to, bool ownKingTest) {
    const Cell moving = m_board.cells[from];
    if (moving == cell::Empty || !PassesMovementRule(from, to)) {
        return false;
    }
    const Cell target = m_board.cells[to];
    if (target != cell::Empty && ColourOfCell(target) == ColourOfCell(moving)) {
        return false;
    }
    return !ownKingTest || LeavesOwnKingSafe(from, to);
}

bool Game::PassesMovementRule(int from, int to) const {
    const int df = std::abs(FileOf(to) - FileOf(from));
    const int dr = std::abs(RankOf(to) - RankOf(from));
    switch (KindOfCell(m_board.cells[from])) {
    case cell::Rook:
        return (df == 0 || dr == 0) && PathIsClear(from, to);
    case cell::Bishop:
        return df == dr && PathIsClear(from, to);
    case cell::Queen:
        return (df == 0 || dr == 0 || df == dr) && PathIsClear(from, to);
    case cell::Knight:
        return (df == 1 && dr == 2) || (df == 2 && dr == 1);
    case cell::King:
        return (df <= 1 && dr <= 1) || CastlingAllowed(from, to);
    case cell::Pawn:
        return PawnMayMove(from, to);
    default:
        return false;
    }
}

bool Game::PathIsClear(int from, int to) const {
    const int fileStep = (FileOf(to) > FileOf(from)) - (FileOf(to) < FileOf(from));
    const int rankStep = (RankOf(to) > RankOf(from)) - (RankOf(to) < RankOf(from));
    int file = FileOf(from) + fileStep;
    int rank = RankOf(from) + rankStep;
    for (; file != FileOf(to) || rank != RankOf(to); file += fileStep, rank += rankStep) {
        if (m_board.cells[IndexAt(file, rank)] != cell::Empty) {
            return false;
        }
    }
    return true;
}

bool Game::PawnMayMove(int from, int to) const {
    const bool white = ColourOfCell(m_board.cells[from]);
    const int fromRank = RankOf(from);
    const int toRank = RankOf(to);
    const int df = std::abs(FileOf(to) - FileOf(from));
    const int dr = std::abs(toRank - fromRank);
    const bool targetEmpty = m_board.cells[to] == cell::Empty;
    if (white ? toRank < fromRank : toRank > fromRank) {
        return false;
    }
    if (df > 1 || dr > 2) {
        return false;
    }
    if (df == 1 && dr != 1) {
        return false;
    }
    if (dr == 2 && fromRank != (white ? 2 : 7)) {
        return false;
    }
    if (df == 1 && targetEmpty) {
        const char epRank = white ? '6' : '3';
        const std::string& ep = m_model.enPassantSquare;
        return fromRank == (white ? 5 : 4) && ep.size() == 2 && ep[0] == 'a' + FileOf(to) &&
               ep[1] == epRank;
    }
    if (df == 0 && !targetEmpty) {
        return false;
    }
    if (dr == 2 && m_board.cells[IndexAt(FileOf(from), white ? 3 : 6)] != cell::Empty) {
        return false;
    }
    return true;
}

bool Game::CastlingAllowed(int from, int to) const {
    struct Castling {
        const char* king;
        const char* target;
        CastlingMark kingMark;
        CastlingMark rookMark;
        std::uint8_t white;
        const char* mustBeEmpty[3];
        const char* mustBeSafe[3];
    };
    static const Castling kCastlings[] = {
        {"e1", "g1", kMarkE1, kMarkH1, 1, {"f1", "g1", nullptr}, {"e1", "f1", "g1"}},
        {"e1", "c1", kMarkE1, kMarkA1, 1, {"b1", "c1", "d1"}, {"e1", "d1", "c1"}},
        {"e8", "g8", kMarkE8, kMarkH8, 0, {"f8", "g8", nullptr}, {"e8", "f8", "g8"}},
        {"e8", "c8", kMarkE8, kMarkA8, 0, {"b8", "c8", "d8"}, {"e8", "d8", "c8"}},
    };
    for (const Castling& castling : kCastlings) {
        if (from != SquareIndex(castling.king) || to != SquareIndex(castling.target)) {
            continue;
        }
        if (m_model.castlingMarks[castling.kingMark] || m_model.castlingMarks[castling.rookMark]) {
            return false;
        }
        for (const char* square : castling.mustBeEmpty) {
            if (square && m_board.cells[SquareIndex(square)] != cell::Empty) {
                return false;
            }
        }
        // Out of, through or onto an attacked square is never allowed; a pawn attacks its
        // forward diagonals here whether or not anything stands there.
        for (const char* square : castling.mustBeSafe) {
            if (IsAttackedBy(SquareIndex(square), castling.white ? 0 : 1)) {
                return false;
            }
        }
        return true;
    }
    return false;
}

bool Game::IsAttackedBy(int square, std::uint8_t white) const {
    const auto& cells = m_board.cells;
    const int file = FileOf(square);
    const int rank = RankOf(square);
    const int pawnRank = white ? rank - 1 : rank + 1;
    for (const int side : {-1, 1}) {
        const int at = IndexAt(file + side, pawnRank);
        if (at >= 0 && cells[at] == MakeCell(cell::Pawn, white)) {
            return true;
        }
    }
    for (const auto& step : kKnightSteps) {
        const int at = IndexAt(file + step[0], rank + step[1]);
        if (at >= 0 && cells[at] == MakeCell(cell::Knight, white)) {
            return true;
        }
    }
    for (const auto& step : kKingSteps) {
        const int at = IndexAt(file + step[0], rank + step[1]);
        if (at >= 0 && cells[at] == MakeCell(cell::King, white)) {
            return true;
        }
    }
    auto sliderOnRay = [&](const int(&directions)[4][2], Cell kind) {
        for (const auto& direction : directions) {
            for (int f = file + direction[0], r = rank + direction[1];;
                 f += direction[0], r += direction[1]) {
                const int at = IndexAt(f, r);
                if (at < 0) {
                    break;
                }
                const Cell piece = cells[at];
                if (piece == cell::Empty) {
                    continue;
                }
                if (piece == MakeCell(kind, white) || piece == MakeCell(cell::Queen, white)) {
                    return true;
                }
                break;
            }
        }
        return false;
    };
    return sliderOnRay(kRookRays, cell::Rook) || sliderOnRay(kBishopRays, cell::Bishop);
}

bool Game::LeavesOwnKingSafe(int from, int to) {
    // The trial move is made on the cells alone: the records never see it.
    auto& cells = m_board.cells;
    const Cell moving = cells[from];
    const std::uint8_t white = ColourOfCell(moving);
    // The pawn that an en-passant capture takes leaves the board during the trial too,
    // or a pin along the rank through both pawns would go unseen.
    int passedPawn = -1;
    if (KindOfCell(moving) == cell::Pawn && FileOf(from) != FileOf(to) &&
        cells[to] == cell::Empty) {
        passedPawn = IndexAt(FileOf(to), RankOf(from));
    }

    const Cell captured = cells[to];
    cells[to] = moving;
    cells[from] = cell::Empty;
    Cell takenPawn = cell::Empty;
    if (passedPawn >= 0) {
        takenPawn = cells[passedPawn];
        cells[passedPawn] = cell::Empty;
    }

    // Only a king move can change where the first king stands.
    const int king =
        KindOfCell(moving) == cell::King ? m_board.FindFirstKing(white) : m_board.firstKing[white];
    const bool safe = king < 0 || !IsAttackedBy(king, white ? 0 : 1);

    if (passedPawn >= 0) {
        cells[passedPawn] = takenPawn;
    }
    cells[from] = moving;
    cells[to] = captured;
    return safe;
}

bool Game::MayExposeOwnKing(int from) const {
    const Cell moving = m_board.cells[from];
    if (KindOfCell(moving) == cell::King) {
        return true;
    }
    const int king = m_board.firstKing[ColourOfCell(moving)];
    if (king < 0) {
        return false; // no king to expose
    }
    // Off the lines through an unchecked king, leaving a square opens no line to it.
    const int df = std::abs(FileOf(king) - FileOf(from));
    const int dr = std::abs(RankOf(king) - RankOf(from));
    return df == 0 || dr == 0 || df == dr || IsAttackedBy(king, ColourOfCell(moving) ? 0 : 1);
}

bool Game::IsLegalTarget(int from, int to, bool mayExposeKing) {
    // An en-passant capture also takes a second piece away, so it is always tried.
    const bool enPassant = KindOfCell(m_board.cells[from]) == cell::Pawn &&
                           FileOf(from) != FileOf(to) && m_board.cells[to] == cell::Empty;
    return IsLegalMoveAt(from, to, mayExposeKing || enPassant);
}

std::vector<std::string> Game::LegalTargets(const std::string& square) {
    std::vector<std::string> targets;
    const int from = SquareIndex(square);
    if (from < 0 || m_model.board[from].piece.IsEmpty()) {
        return targets;
    }
    ReadBoard();
    const bool mayExposeKing = MayExposeOwnKing(from);
    VisitCandidates(m_board.cells, from, [&](int target) {
        if (IsLegalTarget(from, target, mayExposeKing)) {
            targets.push_back(m_model.board[target].name);
        }
        return false;
    });
    return targets;
}

std::vector<Game::SquarePair> Game::LegalMoves() {
    ReadBoard();
    std::vector<SquarePair> moves;
    const std::uint8_t toMove = m_model.SideToMove();
    for (int from = 0; from < 64; ++from) {
        const Cell piece = m_board.cells[from];
        if (piece == cell::Empty || ColourOfCell(piece) != toMove) {
            continue;
        }
        const bool mayExposeKing = MayExposeOwnKing(from);
        VisitCandidates(m_board.cells, from, [&](int target) {
            if (IsLegalTarget(from, target, mayExposeKing)) {
                moves.push_back({from, target});
            }
            return false;
        });
        if (KindOfCell(piece) != cell::King) {
            continue;
        }
        for (const char* castling : {"g1", "c1", "g8", "c8"}) {
            const int target = SquareIndex(castling);
            if (std::abs(FileOf(from) - FileOf(target)) == 2 && IsLegalMoveAt(from, target, true)) {
                moves.push_back({from, target});
            }
        }
    }
    return moves;
}

std::vector<int> Game::LegalOrigins(int to) {
    std::vector<int> origins;
    if (to < 0 || to >= 64) {
        return origins;
    }
    ReadBoard();
    const std::uint8_t toMove = m_model.SideToMove();
    for (int from = 0; from < 64; ++from) {
        const Cell piece = m_board.cells[from];
        if (piece != cell::Empty && ColourOfCell(piece) == toMove &&
            IsLegalMoveAt(from, to, true)) {
            origins.push_back(from);
        }
    }
    return origins;
}

bool Game::HasLegalTarget(int square) {
    const bool mayExposeKing = MayExposeOwnKing(square);
    return VisitCandidates(m_board.cells, square, [&](int target) {
        return IsLegalTarget(square, target, mayExposeKing);
    });
}
