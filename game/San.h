#pragma once

#include "Game.h"

#include <string>
#include <string_view>

// Standard algebraic notation (SAN), the move text of PGN, over the rules of Game. The
// move list on screen keeps the notation MakeMove writes; these are for files.

// A move as the rules take it: squares, and for a promotion the kind it makes.
struct SanMove {
    std::string from;
    std::string to;
    std::string promotion; // "Queen", "Rook", "Bishop", "Knight", or empty
};

enum class SanStatus {
    Found,     // the text names exactly one legal move
    NotAMove,  // the text is no move text at all
    Illegal,   // no legal move fits it
    Ambiguous, // more than one legal move fits it
};

// The same move on the compact position: squares by index, the promotion as a kind cell
// (cell::Empty when the move does not promote).
struct PositionMove {
    int from;
    int to;
    Cell promotion;
};

// Reads `text` as ReadSan does, on the compact position alone: the reader of whole files.
SanStatus ReadSanMove(const Position& position, std::string_view text, PositionMove& move);

// The move record line ("e2e4", "e1g1c", "b7a8rQ") of a legal move, before it is made.
std::string RecordLine(const Position& position, const PositionMove& move);

// Finds the move of the side to move that `text` names in the game's position. Takes
// SAN ("Nbd7", "exd5", "e8=Q", "O-O") as the lenient readers do: promotions without "=",
// castling with zeros, check and annotation signs at the end, and long algebraic moves
// ("e2e4", "e7e8q", "Ng1-f3"). Leaves the game as it was.
SanStatus ReadSan(Game& game, std::string_view text, SanMove& move);

// The SAN of a legal move of the side to move, before it is made: piece letter, the
// least disambiguation that tells it from the other legal moves, "x", the target, "=Q".
// The check sign is not included: it needs the position after the move.
std::string SanText(Game& game, const SanMove& move);

// Makes a legal move through MakeMove and returns its SAN with "+" or "#".
std::string MakeSanMove(Game& game, const SanMove& move);
