// Taking back a half-move: the model before each move is kept as a record of the fields
// and squares a move changes, so undoing is a copy back, exact by construction. The move record and
// the position history only ever grow by one line and at most one key per move, so their
// lengths suffice to undo them.

#include "Game.h"
#include "Square.h"

Game::Undo Game::UndoRecord(int from, int to) const {
    Undo undo;
    const TPiece& mover = m_model.board[from].piece;
    std::array<int, 7> written = {from, to, IndexAt(FileOf(to), RankOf(from)), -1, -1, -1, -1};
    if (mover.kind == kind::King) {
        // Either castling's rook squares on the mover's side: a1 d1 h1 f1, or a8 d8 h8 f8.
        const int row = mover.white ? 56 : 0;
        written = {from, to, -1, row, row + 3, row + 7, row + 5};
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] >= 0) {
            undo.squares[i] = {written[i], m_model.board[written[i]].piece};
        }
    }
    undo.enPassantSquare = m_model.enPassantSquare;
    undo.promotionLetter = m_model.promotionLetter;
    undo.finished = m_model.finished;
    undo.sideMarker = m_model.sideMarker;
    undo.castlingMarks = m_model.castlingMarks;
    undo.quietMoveCount = m_model.quietMoveCount;
    undo.historySize = m_model.positionHistory.size();
    undo.recordSize = m_model.moveRecord.size();

    const TPiece& moving = m_model.board[from].piece;
    const TPiece& captured = m_model.board[to].piece;
    undo.move.from = SquareName(from);
    undo.move.to = SquareName(to);
    if (!captured.IsEmpty()) {
        undo.move.capturedKind = captured.kind;
        undo.move.capturedWhite = captured.white;
    } else if (moving.kind == kind::Pawn && FileOf(from) != FileOf(to)) {
        undo.move.capturedKind = kind::Pawn;
        undo.move.capturedWhite = moving.white ? 0 : 1;
    }
    return undo;
}

std::optional<Game::TakenBack> Game::TakeBack() {
    if (m_inMove || m_undo.empty()) {
        return std::nullopt;
    }
    Undo& undo = m_undo.back();
    // A board set up afresh, or lines loaded into the record, left these records behind.
    if (undo.recordSize + 1 != m_model.moveRecord.size() ||
        undo.historySize > m_model.positionHistory.size()) {
        m_undo.clear();
        return std::nullopt;
    }
    undo.move.wasFinished = m_model.finished != 0;
    for (const Undo::SquareBefore& before : undo.squares) {
        if (before.square >= 0) {
            m_model.board[before.square].piece = before.piece;
        }
    }
    m_model.enPassantSquare = undo.enPassantSquare;
    m_model.promotionLetter = undo.promotionLetter;
    m_model.promotionChoice.clear();
    m_model.finished = undo.finished;
    m_model.sideMarker = undo.sideMarker;
    m_model.castlingMarks = undo.castlingMarks;
    m_model.quietMoveCount = undo.quietMoveCount;
    m_model.positionHistory.resize(undo.historySize);
    if (m_historyKeys.size() > undo.historySize) {
        m_historyKeys.resize(undo.historySize);
    }
    m_stale = true;
    m_model.moveRecord.resize(undo.recordSize);
    TakenBack move = std::move(undo.move);
    m_undo.pop_back();
    return move;
}
