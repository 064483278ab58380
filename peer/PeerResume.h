#pragma once

#include "peer/PeerExtendedProtocol.h"

#include <QByteArray>

#include <optional>
#include <string>
#include <vector>

// Carrying a game with a peer on over a new connection. Each side says which game it has
// and how many half-moves of it ("/rv resume"); the side that has more sends the ones the
// other lacks as ordinary numbered moves, which the other checks as it checks any move.

// A half-move of the game's record ("e7e8rQ": squares, then what it captured, then the
// promotion) as the link sends it: the squares and a lower-case promotion letter.
QByteArray wireMoveOfRecord(const std::string& recordLine);

// The squares and the promotion kind ("Queen" .. "Knight", empty when none) of a move as
// the link sends it ("e7e8q").
struct WireMove {
    std::string from;
    std::string to;
    std::string promotionKind;
};
WireMove readWireMove(const QByteArray& move);

// How many of `moves` (as the link sends them) can be played one after the other from the
// initial position; all of them when every one is legal.
int legalPrefix(const std::vector<QByteArray>& moves);

// The move lines that bring a game of `moves.size()` half-moves to a peer that has the
// first `peerPlies` of them: half-moves peerPlies+1 onwards, each with its number and the
// position it leads to, and the mover's time as `whiteMs` and `blackMs` give it now. None
// when the peer has as many or more, or when `moves` do not replay.
std::vector<ExtendedMessage> catchUpMoves(const std::vector<QByteArray>& moves, int peerPlies,
                                          std::optional<qint64> whiteMs,
                                          std::optional<qint64> blackMs);

// The resume message for `game` with `plies` half-moves and the sender's own remaining
// time, none when the game has no clock.
ExtendedMessage resumeMessage(const QByteArray& game, int plies,
                              std::optional<qint64> ownMs = std::nullopt);
