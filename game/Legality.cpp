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

bool Holds(const TPiece& piece, std::string_view kind, std::uint8_t white) {
    return piece.white == white && piece.kind == kind;
}

// Calls visit(candidate) for the candidate targets of the piece on `from`, in the order
// in which they are listed to the user, until visit returns true. Returns whether it did.
template <typename Visit>
bool VisitCandidates(const std::array<TSquare, 64>& board, int from, Visit visit) {
    const std::string& kind = board[from].piece.kind;
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
                if (!board[target].piece.IsEmpty()) {
                    break;
                }
            }
        }
        return false;
    };
    if (kind == kind::Rook) {
        return rays(kRookRays);
    }
    if (kind == kind::Bishop) {
        return rays(kBishopRays);
    }
    if (kind == kind::Queen) {
        return rays(kRookRays) || rays(kBishopRays);
    }
    if (kind == kind::Knight) {
        return steps(kKnightSteps);
    }
    if (kind == kind::King) {
        return steps(kKingSteps);
    }
    if (kind == kind::Pawn) {
        return steps(kPawnSteps);
    }
    return false;
}

} // namespace

bool Game::IsLegalMove(const std::string& from, const std::string& to, bool ownKingTest) {
    const int s = SquareIndex(from);
    const int t = SquareIndex(to);
    if (s < 0 || t < 0) {
        return false;
    }
    return IsLegalMoveAt(s, t, ownKingTest);
}

bool Game::IsLegalMoveAt(int from, int to, bool ownKingTest) {
    const TPiece& moving = m_model.board[from].piece;
    if (moving.IsEmpty() || !PassesMovementRule(from, to)) {
        return false;
    }
    const TPiece& target = m_model.board[to].piece;
    if (!target.IsEmpty() && target.white == moving.white) {
        return false;
    }
    return !ownKingTest || LeavesOwnKingSafe(from, to);
}

bool Game::PassesMovementRule(int from, int to) const {
    const std::string& kind = m_model.board[from].piece.kind;
    const int df = std::abs(FileOf(to) - FileOf(from));
    const int dr = std::abs(RankOf(to) - RankOf(from));
    if (kind == kind::Rook) {
        return (df == 0 || dr == 0) && PathIsClear(from, to);
    }
    if (kind == kind::Bishop) {
        return df == dr && PathIsClear(from, to);
    }
    if (kind == kind::Queen) {
        return (df == 0 || dr == 0 || df == dr) && PathIsClear(from, to);
    }
    if (kind == kind::Knight) {
        return (df == 1 && dr == 2) || (df == 2 && dr == 1);
    }
    if (kind == kind::King) {
        return (df <= 1 && dr <= 1) || CastlingAllowed(from, to);
    }
    if (kind == kind::Pawn) {
        return PawnMayMove(from, to);
    }
    return false;
}

bool Game::PathIsClear(int from, int to) const {
    const int fileStep = (FileOf(to) > FileOf(from)) - (FileOf(to) < FileOf(from));
    const int rankStep = (RankOf(to) > RankOf(from)) - (RankOf(to) < RankOf(from));
    int file = FileOf(from) + fileStep;
    int rank = RankOf(from) + rankStep;
    for (; file != FileOf(to) || rank != RankOf(to); file += fileStep, rank += rankStep) {
        if (!m_model.board[IndexAt(file, rank)].piece.IsEmpty()) {
            return false;
        }
    }
    return true;
}

bool Game::PawnMayMove(int from, int to) const {
    const bool white = m_model.board[from].piece.white;
    const int fromRank = RankOf(from);
    const int toRank = RankOf(to);
    const int df = std::abs(FileOf(to) - FileOf(from));
    const int dr = std::abs(toRank - fromRank);
    const bool targetEmpty = m_model.board[to].piece.IsEmpty();
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
    if (dr == 2 && !m_model.board[IndexAt(FileOf(from), white ? 3 : 6)].piece.IsEmpty()) {
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
            if (square && !m_model.board[SquareIndex(square)].piece.IsEmpty()) {
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
    const auto& board = m_model.board;
    const int file = FileOf(square);
    const int rank = RankOf(square);
    const int pawnRank = white ? rank - 1 : rank + 1;
    for (const int side : {-1, 1}) {
        const int at = IndexAt(file + side, pawnRank);
        if (at >= 0 && Holds(board[at].piece, kind::Pawn, white)) {
            return true;
        }
    }
    for (const auto& step : kKnightSteps) {
        const int at = IndexAt(file + step[0], rank + step[1]);
        if (at >= 0 && Holds(board[at].piece, kind::Knight, white)) {
            return true;
        }
    }
    for (const auto& step : kKingSteps) {
        const int at = IndexAt(file + step[0], rank + step[1]);
        if (at >= 0 && Holds(board[at].piece, kind::King, white)) {
            return true;
        }
    }
    auto sliderOnRay = [&](const int(&directions)[4][2], std::string_view kind) {
        for (const auto& direction : directions) {
            for (int f = file + direction[0], r = rank + direction[1];;
                 f += direction[0], r += direction[1]) {
                const int at = IndexAt(f, r);
                if (at < 0) {
                    break;
                }
                const TPiece& piece = board[at].piece;
                if (piece.IsEmpty()) {
                    continue;
                }
                if (piece.white == white && (piece.kind == kind || piece.kind == kind::Queen)) {
                    return true;
                }
                break;
            }
        }
        return false;
    };
    return sliderOnRay(kRookRays, kind::Rook) || sliderOnRay(kBishopRays, kind::Bishop);
}

bool Game::LeavesOwnKingSafe(int from, int to) {
    auto& board = m_model.board;
    const std::uint8_t white = board[from].piece.white;
    // The pawn that an en-passant capture takes leaves the board during the trial too,
    // or a pin along the rank through both pawns would go unseen.
    int passedPawn = -1;
    if (board[from].piece.kind == kind::Pawn && FileOf(from) != FileOf(to) &&
        board[to].piece.IsEmpty()) {
        passedPawn = IndexAt(FileOf(to), RankOf(from));
    }

    TPiece& scratch = m_model.pieceTable[kScratch];
    scratch = std::move(board[to].piece);
    board[to].piece = std::move(board[from].piece);
    board[from].piece = m_model.pieceTable[kEmptyPiece];
    TPiece takenPawn;
    if (passedPawn >= 0) {
        takenPawn = std::move(board[passedPawn].piece);
        board[passedPawn].piece = m_model.pieceTable[kEmptyPiece];
    }

    bool safe = true;
    for (int square = 0; square < 64; ++square) {
        if (Holds(board[square].piece, kind::King, white)) {
            safe = !IsAttackedBy(square, white ? 0 : 1);
            break;
        }
    }

    if (passedPawn >= 0) {
        board[passedPawn].piece = std::move(takenPawn);
    }
    board[from].piece = std::move(board[to].piece);
    board[to].piece = scratch;
    return safe;
}

bool Game::MayExposeOwnKing(int from) const {
    const auto& board = m_model.board;
    const TPiece& moving = board[from].piece;
    if (moving.kind == kind::King) {
        return true;
    }
    for (int square = 0; square < 64; ++square) {
        if (Holds(board[square].piece, kind::King, moving.white)) {
            // Off the lines through an unchecked king, leaving a square opens no line to it.
            const int df = std::abs(FileOf(square) - FileOf(from));
            const int dr = std::abs(RankOf(square) - RankOf(from));
            return df == 0 || dr == 0 || df == dr || IsAttackedBy(square, moving.white ? 0 : 1);
        }
    }
    return false; // no king to expose
}

bool Game::IsLegalTarget(int from, int to, bool mayExposeKing) {
    // An en-passant capture also takes a second piece away, so it is always tried.
    const bool enPassant = m_model.board[from].piece.kind == kind::Pawn &&
                           FileOf(from) != FileOf(to) && m_model.board[to].piece.IsEmpty();
    return IsLegalMoveAt(from, to, mayExposeKing || enPassant);
}

std::vector<std::string> Game::LegalTargets(const std::string& square) {
    std::vector<std::string> targets;
    const int from = SquareIndex(square);
    if (from < 0 || m_model.board[from].piece.IsEmpty()) {
        return targets;
    }
    const bool mayExposeKing = MayExposeOwnKing(from);
    VisitCandidates(m_model.board, from, [&](int target) {
        if (IsLegalTarget(from, target, mayExposeKing)) {
            targets.push_back(m_model.board[target].name);
        }
        return false;
    });
    return targets;
}

bool Game::HasLegalTarget(int square) {
    const bool mayExposeKing = MayExposeOwnKing(square);
    return VisitCandidates(m_model.board, square, [&](int target) {
        return IsLegalTarget(square, target, mayExposeKing);
    });
}
