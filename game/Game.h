#pragma once

#include "BoardModel.h"
#include "GameDisplay.h"
#include "Position.h"

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// One game of chess: its board model and the rules that read and change it.
// Every move enters through MakeMove, whatever its source; the display sees each
// effect of a move through the GameDisplay given at construction.
//
// Not thread-safe: all calls for one game must come from one thread.
class Game {
public:
    // A game in the initial position. The display must outlive the game.
    explicit Game(GameDisplay& display);

    // Copies share the display; point a copy at another one with SetDisplay.
    Game(const Game&) = default;
    Game& operator=(const Game&) = default;
    void SetDisplay(GameDisplay& display) { m_display = &display; }

    // Whoever changes the records through this reference before the next call of the
    // game is seen: the rules take the position again from the records then.
    BoardModel& Model() {
        m_stale = true;
        return m_model;
    }
    const BoardModel& Model() const { return m_model; }

    // The position as the rules read it, in step with the records.
    const Position& Current();

    // Whether the piece on `from` may move to `to`. With ownKingTest off this is the
    // plain movement test, which is also the program's test of whether a piece attacks a
    // square. Does not look at whose turn it is. Leaves the board model as it was.
    bool IsLegalMove(const std::string& from, const std::string& to, bool ownKingTest);

    // The squares the piece on `square` may legally move to, castling excluded;
    // empty when the text is not a square name or the square is empty.
    std::vector<std::string> LegalTargets(const std::string& square);

    struct SquarePair {
        int from; // square index, as in the board model
        int to;
    };
    // Every legal move of the side to move, castling as the king's two-square move, square
    // by square in index order: what LegalTargets and the castlings give, read in one pass.
    std::vector<SquarePair> LegalMoves();

    // The squares (indices, in index order) from which a piece of the side to move may
    // legally move to the square with index `to`, castling included; read in one pass.
    std::vector<int> LegalOrigins(int to);

    // Makes the move from `from` to `to` for the side to move, castling given as the
    // king's two-square move. A promotion uses the promotion choice when set and asks the
    // display otherwise (an unanswered question makes a queen).
    //
    // Returns true when the move was made. Returns false and changes nothing when it is
    // refused; the promotion choice is emptied then too, as it is whenever the move was
    // not a promotion. Does not look at the finished mark: the caller decides whether
    // the user may still move.
    //
    // A call that arrives while an earlier MakeMove of this game is still running (the
    // promotion question runs a nested event loop) is queued with the promotion choice
    // set at that moment, returns false, and is made once the earlier move has finished.
    bool MakeMove(const std::string& from, const std::string& to);

    // The number of half-moves played: the live position of the replay range.
    int LivePosition() const { return static_cast<int>(m_model.moveRecord.size()); }

    // What taking back a half-move undid, for a display to follow.
    struct TakenBack {
        std::string from;
        std::string to;
        std::string capturedKind; // empty when the move took nothing; "Pawn" en passant
        std::uint8_t capturedWhite = 0;
        bool wasFinished = false; // the game had ended before the take-back
    };
    // Takes back the last half-move that MakeMove made: every field of the board model
    // (squares, move record, position history, en-passant square, castling marks,
    // quiet-move count, side marker, promotion letter, finished mark) returns to what it
    // was before that move, so a finished game comes back into play; the promotion choice
    // is emptied. Tells the display nothing. Returns nothing and changes nothing when no
    // such move is left (lines loaded into the record, or a board set up afresh since) or
    // while a move is being made.
    std::optional<TakenBack> TakeBack();

private:
    // What kind of move a move is, found once before the board changes.
    struct MoveKind {
        char castling = 0; // 'c' king side, 'C' queen side, 0 none
        bool enPassant = false;
        bool promotion = false;
    };

    // The model as it was before one move, less what only grows (record, history).
    struct Undo {
        // The squares a move may write, with their pieces before it: the two of the move,
        // the pawn taken en passant, the castling rook's two. -1 where unused.
        struct SquareBefore {
            int square = -1;
            TPiece piece;
        };
        std::array<SquareBefore, 7> squares;
        std::string enPassantSquare;
        std::string promotionLetter;
        std::uint8_t finished = 0;
        std::uint8_t sideMarker = 0;
        std::array<std::uint8_t, kCastlingMarks> castlingMarks{};
        std::int32_t quietMoveCount = 0;
        std::size_t historySize = 0;
        std::size_t recordSize = 0;
        TakenBack move;
    };

    struct QueuedMove {
        std::string from;
        std::string to;
        std::string promotionChoice;
    };

    bool MakeOneMove(const std::string& from, const std::string& to);
    Undo UndoRecord(int from, int to) const;
    std::string Notation(int from, int to, const MoveKind& move);
    std::string RecordMarkers(int to, const MoveKind& move) const;
    void UpdateQuietMoveCount(int from, int to);
    void DetectEndOfGame();
    bool IsMate(int king, int checkers, int lastChecker) const;
    bool InsufficientMaterial() const;
    bool RepetitionReached();
    void EndGame(const std::string& result);

    BoardModel m_model;
    Position m_position; // the records' position as the rules read it
    bool m_stale = true; // the records may have changed since m_position was read
    // The repetition keys of the position history's entries, while the two are in step.
    std::vector<std::uint64_t> m_historyKeys;
    GameDisplay* m_display;
    bool m_inMove = false;
    std::deque<QueuedMove> m_queue;
    std::deque<Undo> m_undo; // one per move made, the last move last; never moved as it grows
};
