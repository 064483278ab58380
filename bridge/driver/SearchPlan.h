#pragma once

#include "EngineFeatures.h"
#include "SearchRequest.h"
#include "config/EngineConfig.h"
#include "core/Position.h"

#include <string>
#include <vector>

namespace ferrule {

// The last "level" the engine was sent; -1 for nothing sent on this connection.
struct TimeControlCache {
    long long base = -1;
    long long movesPerPeriod = -1;
    long long increment = -1;
};

// Everything a search sets up before the host hears that it starts: the commands for a
// fresh game, its time control, position and moves, and the state they leave behind.
struct SearchPlan {
    std::vector<std::string> commands; // each ends in "\n"
    Position position;                 // after the moves sent, and a pending ponder move
    bool whiteToMove = true;           // side the engine is told to move
    int targetDepth = 100;             // a reported depth above it stops the search
    bool periodicStatus = false;       // status requests "." may go out while waiting
    bool analysis = false;             // the search runs as "analyze"
    std::string ponderMove;            // the expected reply held back for pondering
};

// The position a request starts from: the initial position, or its board with its side to
// move and castling rights found from the pieces; with `requestRights`, only those of the
// rights the request grants, and its en-passant square when a pawn could take there.
Position requestedStart(const SearchRequest& request, bool requestRights);

// Plans one search. Updates `cache` to the time control the commands leave the engine in.
// `features` are those a protocol version 2 engine has announced and the plug-in accepted;
// without any, the dialogue is the one of version 1.
SearchPlan planSearch(const SearchRequest& request, const EngineConfig& config,
                      TimeControlCache& cache, const EngineFeatures& features = {});

} // namespace ferrule
