// The single move entry: refuses what the rules forbid and otherwise carries the move
// out completely, on the board model and on the display, step by step.

#include "Game.h"
#include "Square.h"

namespace {

const std::string kMoveSound = "Audio/move.wav";
const std::string kAttackSound = "Audio/attack.wav";

bool IsPromotionKind(const std::string& kind) {
    return kind == kind::Queen || kind == kind::Rook || kind == kind::Bishop ||
           kind == kind::Knight;
}

// The castling a king move stands for: 'c' king side, 'C' queen side, 0 none.
char CastlingOf(const TPiece& piece, const std::string& from, const std::string& to) {
    if (piece.kind != kind::King) {
        return 0;
    }
    if ((from == "e1" && to == "g1") || (from == "e8" && to == "g8")) {
        return 'c';
    }
    if ((from == "e1" && to == "c1") || (from == "e8" && to == "c8")) {
        return 'C';
    }
    return 0;
}

struct RookJump {
    const char* from;
    const char* to;
};

RookJump CastlingRook(char castling, std::uint8_t white) {
    if (castling == 'c') {
        return white ? RookJump{"h1", "f1"} : RookJump{"h8", "f8"};
    }
    return white ? RookJump{"a1", "d1"} : RookJump{"a8", "d8"};
}

} // namespace

Game::Game(GameDisplay& display) : m_display(&display) {}

const Position& Game::Current() {
    if (m_stale) {
        m_position.ReadFrom(m_model);
        m_stale = false;
    }
    return m_position;
}

bool Game::MakeMove(const std::string& from, const std::string& to) {
    if (m_inMove) {
        // Arrived through the nested event loop of the promotion question: a game never
        // changes half-way through a move, so this one waits its turn.
        m_queue.push_back({from, to, m_model.promotionChoice});
        m_model.promotionChoice.clear();
        return false;
    }
    m_inMove = true;
    const bool made = MakeOneMove(from, to);
    const std::string promotionLetter = m_model.promotionLetter;
    while (!m_queue.empty()) {
        QueuedMove queued = std::move(m_queue.front());
        m_queue.pop_front();
        m_model.promotionChoice = queued.promotionChoice;
        MakeOneMove(queued.from, queued.to);
    }
    // The caller passes on the promotion letter of its own move, not of a queued one.
    m_model.promotionLetter = promotionLetter;
    m_inMove = false;
    return made;
}

bool Game::MakeOneMove(const std::string& from, const std::string& to) {
    const int s = SquareIndex(from);
    const int t = SquareIndex(to);
    if (from == to || s < 0 || t < 0 || m_model.board[s].piece.IsEmpty() ||
        m_model.board[s].piece.white == m_model.sideMarker || !Current().IsLegalMove(s, t, true)) {
        // A choice made for a refused move must not decide a later promotion.
        m_model.promotionChoice.clear();
        return false;
    }

    m_undo.push_back(UndoRecord(s, t));
    auto& board = m_model.board;
    GameDisplay& display = *m_display;
    const TPiece moving = board[s].piece;
    const std::uint8_t mover = moving.white;
    const TPiece captured = board[t].piece;

    if (display.ShownPosition() != LivePosition()) {
        display.ShowPosition(LivePosition());
    }
    display.MoveSquarePicture(from, to);
    display.MarkLastMove(from, to);

    MoveKind move;
    move.castling = CastlingOf(moving, from, to);
    if (move.castling) {
        const RookJump rook = CastlingRook(move.castling, mover);
        display.MoveSquarePicture(rook.from, rook.to);
    }

    move.enPassant = moving.kind == kind::Pawn && FileOf(s) != FileOf(t) && captured.IsEmpty();
    display.SetLivePosition(LivePosition() + 1);

    move.promotion = moving.kind == kind::Pawn && (RankOf(t) == 8 || RankOf(t) == 1);
    if (move.promotion && m_model.promotionChoice.empty()) {
        m_model.promotionChoice = display.AskPromotion();
        // The question's event loop may have let others at the model.
        m_stale = true;
    }
    if (move.promotion && !IsPromotionKind(m_model.promotionChoice)) {
        m_model.promotionChoice = kind::Queen;
    }

    display.EnterHalfMove(mover, Notation(s, t, move));
    m_model.moveRecord.push_back(from + to + RecordMarkers(t, move));
    UpdateQuietMoveCount(s, t);

    const bool capture = !captured.IsEmpty() || move.enPassant;
    if (capture) {
        display.CountCapture(move.enPassant ? std::string(kind::Pawn) : captured.kind,
                             mover ? 0 : 1);
    }
    display.PlaySound(capture ? kAttackSound : kMoveSound);

    for (const auto& [square, mark] : {std::pair{"a1", kMarkA1},
                                       {"h1", kMarkH1},
                                       {"a8", kMarkA8},
                                       {"h8", kMarkH8},
                                       {"e1", kMarkE1},
                                       {"e8", kMarkE8}}) {
        const int index = SquareIndex(square);
        if (index == s || (index == t && mark != kMarkE1 && mark != kMarkE8)) {
            m_model.castlingMarks[mark] = 1;
        }
    }

    if (move.enPassant) {
        const std::string taken = SquareAt(FileOf(t), RankOf(s));
        m_model.At(taken).piece = m_model.pieceTable[kEmptyPiece];
        display.SetSquarePicture(taken, kNoImage);
    }

    board[t].piece = moving;
    board[s].piece = m_model.pieceTable[kEmptyPiece];
    if (move.castling) {
        const RookJump rook = CastlingRook(move.castling, mover);
        m_model.At(rook.to).piece = m_model.pieceTable[mover ? kWhiteRook : kBlackRook];
        m_model.At(rook.from).piece = m_model.pieceTable[kEmptyPiece];
    }

    m_model.sideMarker = m_model.sideMarker ? 0 : 1;

    if (move.promotion) {
        const TPiece& promoted = m_model.pieceTable[PieceEntryOf(m_model.promotionChoice, mover)];
        board[t].piece = promoted;
        display.SetSquarePicture(to, promoted.image);
        const std::string letter(1, KindLetter(m_model.promotionChoice));
        display.AppendToCurrentCell("=" + letter);
        m_model.promotionLetter = letter;
    }
    m_model.promotionChoice.clear();

    m_model.enPassantSquare.clear();
    if (moving.kind == kind::Pawn && mover && RankOf(s) == 2 && RankOf(t) == 4) {
        m_model.enPassantSquare = SquareAt(FileOf(s), 3);
    } else if (moving.kind == kind::Pawn && !mover && RankOf(s) == 7 && RankOf(t) == 5) {
        m_model.enPassantSquare = SquareAt(FileOf(s), 6);
    }

    if (m_stale) {
        m_position.ReadFrom(m_model);
        m_stale = false;
    } else {
        const Cell promotion = move.promotion ? KindOfCell(CellOf(board[t].piece)) : cell::Empty;
        m_position.Make(s, t, promotion);
    }
    DetectEndOfGame();
    return true;
}
