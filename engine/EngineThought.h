#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// One report of an engine's thinking: how deep, how good for the side to move, how long,
// how many nodes, and the line it expects, in the engine's own move texts.
struct EngineThought {
    int depth = 0;
    int score = 0;     // centipawns, or moves to mate when `mate` (negative: being mated)
    bool mate = false; // from the side to move's point of view, as engines report it
    qint64 timeMs = 0;
    qint64 nodes = 0;
    QList<QByteArray> pv;
};

// A UCI "info" line that carries a principal variation, read field by field; fields it does
// not know ("wdl", "hashfull", "tbhits", ...) are stepped over. Nothing for any other line
// or one without "pv".
std::optional<EngineThought> ReadUciInfo(const QByteArray& line);

// An xboard thinking line: ply, score (centipawns), time (centiseconds), nodes, then the
// principal variation in whatever notation the engine writes. The ply may carry a mark
// ("12.", "12&"). Nothing for a line that does not begin with four numbers and a move.
std::optional<EngineThought> ReadXboardThinking(const QByteArray& line);
