#include "UciCommands.h"

#include "core/Fen.h"

#include <algorithm>

namespace ferrule {

namespace {

std::string milliseconds(long long seconds) {
    return std::to_string(std::max(0LL, seconds) * 1000);
}

std::string clocks(const SearchRequest& request) {
    const std::string remaining = milliseconds(request.remaining);
    return " wtime " + remaining + " btime " + remaining;
}

} // namespace

std::string uciPositionCommand(const SearchRequest& request, const Position& start) {
    std::string command = request.fromStart ? "position startpos" : "position fen " + toFen(start);
    if (!request.moves.empty()) {
        command += " moves";
        for (const MoveCode move : request.moves) {
            command += " " + moveText(move);
        }
    }
    return command + "\n";
}

std::string uciGoCommand(const SearchRequest& request, bool ponder) {
    std::string command = ponder ? "go ponder" : "go";
    if (request.mode == 1) {
        command += " depth " + std::to_string(std::max(1, request.depth));
    } else if (request.mode == 2) {
        const std::string increment = milliseconds(request.increment);
        command += clocks(request) + " winc " + increment + " binc " + increment;
    } else if (request.mode == 3) {
        command += clocks(request);
        if (request.toPlay > 0) {
            command += " movestogo " + std::to_string(request.toPlay);
        }
    } else {
        command += " infinite";
    }
    return command + "\n";
}

} // namespace ferrule
