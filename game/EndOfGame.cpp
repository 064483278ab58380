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
// The key of a history entry that only its text can be compared by.
constexpr std::uint64_t kTextOnly = 0;

// The placement field as BoardModel::PlacementText writes it, read from the cells; only a
// kind the rules do not know takes its letter from its record, and sets `unknownKind`.
std::string PlacementOfCells(const CompactBoard& compact, const std::array<TSquare, 64>& board,
                             bool& unknownKind) {
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
            unknownKind = true;
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
    const std::uint8_t mover = m_model.sideMarker;
    const int king = m_position.FirstKing(mover ? 0 : 1);

    int lastChecker = -1;
    const int checkers = m_position.Checkers(lastChecker);
    if (checkers > 0) {
        m_display->AppendToCurrentCell("+");
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
    if (RepetitionReached()) {
        EndGame(" - (Draw)");
        return;
    }
    if (!m_position.HasLegalMove()) {
        EndGame(" - (Stalemate)");
    }
}

bool Game::IsMate(int king, int checkers, int lastChecker) const {
    const auto& cells = m_position.Board().cells;
    const std::uint8_t defender = ColourOfCell(cells[king]);
    const int kingFile = FileOf(king);
    const int kingRank = RankOf(king);

    static constexpr int kEscapes[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1},
                                           {1, 0},   {1, 1},  {0, -1}, {0, 1}};
    for (const auto& step : kEscapes) {
        const int target = IndexAt(kingFile + step[0], kingRank + step[1]);
        if (target >= 0 && m_position.IsLegalMove(king, target, true)) {
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
            if (m_position.IsLegalMove(square, target, true)) {
                return true;
            }
        }
        return false;
    };

    if (defenderReaches(lastChecker, false)) {
        return false;
    }
    // A pawn that has just stepped two squares can also be taken en passant.
    const int passed = m_position.EnPassant();
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
        const Cell kind = KindOfCell(m_position.At(square));
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

bool Game::RepetitionReached() {
    // Positions repeat when everything that decides the legal moves repeats: the
    // placement, the side to move, the castling rights and a usable en-passant capture.
    bool unknownKind = false;
    std::string text = PlacementOfCells(m_position.Board(), m_model.board, unknownKind);
    text += m_model.sideMarker ? " b " : " w ";
    static constexpr char kRights[] = "KQkq";
    const unsigned rights = m_position.CastlingRights();
    for (int right = 0; right < 4; ++right) {
        if (rights & (1u << right)) {
            text += kRights[right];
        }
    }
    if (rights == 0) {
        text += '-';
    }
    const bool capturable = m_position.EnPassantCapturable();
    text += capturable ? " " + SquareName(m_position.EnPassant()) : " -";

    auto& history = m_model.positionHistory;
    if (m_historyKeys.size() != history.size()) {
        // The history was changed from outside: its entries are compared as texts.
        m_historyKeys.assign(history.size(), kTextOnly);
    }
    // The keys find the few candidates and the texts confirm them. A kind that the rules
    // do not know has no key of its own, only its letter in the text.
    const std::uint64_t key = unknownKind ? kTextOnly : m_position.RepetitionKey();
    int count = 1;
    for (std::size_t i = 0; i < m_historyKeys.size(); ++i) {
        const bool candidate =
            m_historyKeys[i] == key || m_historyKeys[i] == kTextOnly || key == kTextOnly;
        count += candidate && history[i] == text;
    }
    history.push_back(std::move(text));
    m_historyKeys.push_back(key);
    return count == kRepetitionLimit;
}
