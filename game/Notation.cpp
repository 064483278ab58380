// The move's short algebraic notation for the move list and its line in the move record.
// Both are worked out before the board model changes, while the destination still
// holds the piece that the move captures.

#include "Game.h"
#include "Square.h"

#include <cctype>

std::string Game::Notation(int from, int to, const MoveKind& move) {
    if (move.castling) {
        return move.castling == 'c' ? "O-O" : "O-O-O";
    }
    const auto& board = m_model.board;
    const TPiece& moving = board[from].piece;
    const std::string& fromName = board[from].name;
    const std::string& toName = board[to].name;
    const bool capture = !board[to].piece.IsEmpty() || move.enPassant;
    std::string text;
    if (moving.kind == kind::Pawn) {
        if (capture) {
            text += fromName[0];
        }
    } else {
        text += KindLetter(moving.kind);
        bool otherFile = false;
        bool sameFile = false;
        for (int square = 0; square < 64 && !(otherFile && sameFile); ++square) {
            if (square == from || m_position.At(square) != m_position.At(from) ||
                board[square].piece != moving || !m_position.IsLegalMove(square, to, true)) {
                continue;
            }
            (FileOf(square) != FileOf(from) ? otherFile : sameFile) = true;
        }
        if (otherFile && sameFile) {
            text += fromName;
        } else if (otherFile) {
            text += fromName[0];
        } else if (sameFile) {
            text += fromName[1];
        }
    }
    if (capture) {
        text += 'x';
    }
    return text + toName;
}

std::string Game::RecordMarkers(int to, const MoveKind& move) const {
    const TPiece& captured = m_model.board[to].piece;
    std::string markers;
    if (move.enPassant) {
        markers += 'E';
    }
    if (move.castling) {
        markers += move.castling;
    }
    if (!captured.IsEmpty()) {
        markers += static_cast<char>(std::tolower(KindLetter(captured.kind)));
    }
    if (move.promotion) {
        markers += KindLetter(m_model.promotionChoice);
    }
    return markers;
}
