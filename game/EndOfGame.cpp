// Check, mate, stalemate and the three draws, examined after every move in a fixed
// order: mate first, then the quiet-move count, insufficient material, repetition and
// stalemate. The first rule that ends the game decides the result.

#include "Game.h"
#include "Square.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

const std::string kMateSound = "Audio/mate.wav";
constexpr int kQuietMoveLimit = 100;
constexpr int kRepetitionLimit = 3;

// The placement field as BoardModel::PlacementText writes it, read from the cells; only a
// kind the rules do not know takes its letter from its record.
std::string PlacementOfCells(const CompactBoard& compact, const std::array<TSquare, 64>& board) {
    static constexpr char kLetters[] = " PNBRQK  pnbrqk ";
    std::string text;
    text.reserve(72);
    int empties = 0;
    auto flushEmpties = [&] {
        if (empties) {
            text += static_cast<char>('0' + empties);
            empties = 0;
        }
    };
    for (int square = 0; square < 64; ++square) {
        if (square > 0 && square % 8 == 0) {
            flushEmpties();
            text += '/';
        }
        const Cell piece = compact.cells[square];
        if (piece == cell::Empty) {
            ++empties;
            continue;
        }
        flushEmpties();
        if (KindOfCell(piece) == cell::Unknown) {
            const char letter = KindLetter(board[square].piece.kind);
            text += ColourOfCell(piece) ? letter : static_cast<char>(std::tolower(letter));
        } else {
            text += kLetters[(ColourOfCell(piece) ? 0 : 8) + KindOfCell(piece)];
        }
    }
    flushEmpties();
    return text;
}

} // namespace

void Game::UpdateQuietMoveCount(int from, int to) {
    const bool quiet =
        m_model.board[from].piece.kind != kind::Pawn && m_model.board[to].piece.IsEmpty();
    m_model.quietMoveCount = quiet ? m_model.quietMoveCount + 1 : 0;
}

void Game::EndGame(const std::string& result) {
    m_model.finished = 1;
    m_display->AppendToTitle(result);
}

void Game::DetectEndOfGame() {
    const auto& cells = m_board.cells;
    const std::uint8_t mover = m_model.sideMarker;
    const std::uint8_t defender = mover ? 0 : 1;
    const int king = m_board.firstKing[defender];

    int checkers = 0;
    int lastChecker = -1;
    for (int square = 0; square < 64 && king >= 0; ++square) {
        const Cell piece = cells[square];
        if (piece == cell::Empty || ColourOfCell(piece) != mover ||
            KindOfCell(piece) == cell::King || !IsLegalMoveAt(square, king, false)) {
            continue;
        }
        if (checkers++ == 0) {
            m_display->AppendToCurrentCell("+");
        }
        lastChecker = square;
    }

    if (checkers > 0 && IsMate(king, checkers, lastChecker)) {
        m_display->PlaySound(kMateSound);
        EndGame(mover ? " - (White Wins)" : " - (Black Wins)");
        return;
    }
    // Mate outranks the quiet-move count: a move that mates wins even as the hundredth.
    if (m_model.quietMoveCount == kQuietMoveLimit) {
        EndGame(" - (Draw)");
        return;
    }
    if (InsufficientMaterial()) {
        EndGame(" - (Draw)");
        return;
    }
    m_model.positionHistory.push_back(RepetitionKey());
    const auto& history = m_model.positionHistory;
    if (std::count(history.begin(), history.end(), history.back()) == kRepetitionLimit) {
        EndGame(" - (Draw)");
        return;
    }
    for (int square = 0; square < 64; ++square) {
        const Cell piece = cells[square];
        if (piece != cell::Empty && ColourOfCell(piece) == defender && HasLegalTarget(square)) {
            return;
        }
    }
    EndGame(" - (Stalemate)");
}

bool Game::IsMate(int king, int checkers, int lastChecker) {
    const auto& cells = m_board.cells;
    const std::uint8_t defender = ColourOfCell(cells[king]);
    const int kingFile = FileOf(king);
    const int kingRank = RankOf(king);

    static constexpr int kEscapes[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1},
                                           {1, 0},   {1, 1},  {0, -1}, {0, 1}};
    for (const auto& step : kEscapes) {
        const int target = IndexAt(kingFile + step[0], kingRank + step[1]);
        if (target >= 0 && IsLegalMoveAt(king, target, true)) {
            return false;
        }
    }
    if (checkers != 1) {
        return true;
    }

    // Can a defender other than the king legally reach `target`?
    auto defenderReaches = [&](int target, bool pawnsOnly) {
        for (int square = 0; square < 64; ++square) {
            const Cell piece = cells[square];
            if (piece == cell::Empty || ColourOfCell(piece) != defender ||
                KindOfCell(piece) == cell::King || (pawnsOnly && KindOfCell(piece) != cell::Pawn)) {
                continue;
            }
            if (IsLegalMoveAt(square, target, true)) {
                return true;
            }
        }
        return false;
    };

    if (defenderReaches(lastChecker, false)) {
        return false;
    }
    // A pawn that has just stepped two squares can also be taken en passant.
    const int passed = SquareIndex(m_model.enPassantSquare);
    if (passed >= 0 && KindOfCell(cells[lastChecker]) == cell::Pawn &&
        FileOf(passed) == FileOf(lastChecker) &&
        std::abs(RankOf(passed) - RankOf(lastChecker)) == 1 && defenderReaches(passed, true)) {
        return false;
    }

    const Cell kind = KindOfCell(cells[lastChecker]);
    const int df = FileOf(lastChecker) - kingFile;
    const int dr = RankOf(lastChecker) - kingRank;
    if (std::abs(df) <= 1 && std::abs(dr) <= 1) {
        return true;
    }
    const bool straight = (df == 0 || dr == 0) && (kind == cell::Rook || kind == cell::Queen);
    const bool diagonal =
        std::abs(df) == std::abs(dr) && (kind == cell::Bishop || kind == cell::Queen);
    if (!straight && !diagonal) {
        return true;
    }
    const int fileStep = (df > 0) - (df < 0);
    const int rankStep = (dr > 0) - (dr < 0);
    for (int f = kingFile + fileStep, r = kingRank + rankStep;
         f != FileOf(lastChecker) || r != RankOf(lastChecker); f += fileStep, r += rankStep) {
        if (defenderReaches(IndexAt(f, r), false)) {
            return false;
        }
    }
    return true;
}

bool Game::InsufficientMaterial() const {
    int minors = 0;
    int knights = 0;
    bool bishopOnLight = false;
    bool bishopOnDark = false;
    for (int square = 0; square < 64; ++square) {
        const Cell kind = KindOfCell(m_board.cells[square]);
        if (kind == cell::Pawn || kind == cell::Rook || kind == cell::Queen) {
            return false;
        }
        if (kind == cell::Knight) {
            ++minors;
            ++knights;
        } else if (kind == cell::Bishop) {
            ++minors;
            // a1 (file 0, rank 1) is dark: the dark squares have an odd file + rank.
            ((FileOf(square) + RankOf(square)) % 2 == 1 ? bishopOnDark : bishopOnLight) = true;
        }
    }
    // Mate cannot be forced or even helped: at most one minor piece in all, or only
    // bishops, all on squares of one colour.
    return minors <= 1 || (knights == 0 && !(bishopOnLight && bishopOnDark));
}

std::string Game::RepetitionKey() {
    // Positions repeat when everything that decides the legal moves repeats: the
    // placement, the side to move, the castling rights and a usable en-passant capture.
    std::string key = PlacementOfCells(m_board, m_model.board);
    key += m_model.sideMarker ? " b " : " w ";
    const auto& marks = m_model.castlingMarks;
    const std::pair<CastlingMark, char> rights[] = {
        {kMarkH1, 'K'}, {kMarkA1, 'Q'}, {kMarkH8, 'k'}, {kMarkA8, 'q'}};
    bool anyRight = false;
    for (const auto& [corner, letter] : rights) {
        const CastlingMark kingMark = letter == 'K' || letter == 'Q' ? kMarkE1 : kMarkE8;
        if (!marks[kingMark] && !marks[corner]) {
            key += letter;
            anyRight = true;
        }
    }
    if (!anyRight) {
        key += '-';
    }
    const int passed = SquareIndex(m_model.enPassantSquare);
    bool capturable = false;
    if (passed >= 0) {
        const std::uint8_t toMove = m_model.SideToMove();
        const int pawnRank = toMove ? 5 : 4;
        for (const int side : {-1, 1}) {
            const int square = IndexAt(FileOf(passed) + side, pawnRank);
            if (square >= 0 && m_board.cells[square] == MakeCell(cell::Pawn, toMove) &&
                IsLegalMoveAt(square, passed, true)) {
                capturable = true;
            }
        }
    }
    key += capturable ? " " + m_model.enPassantSquare : " -";
    return key;
}
