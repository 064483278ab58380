#include "SearchPlan.h"

#include "core/Fen.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace ferrule {

namespace {

constexpr int kDefaultTargetDepth = 100;
// What an unlimited search tells an engine that cannot analyse.
constexpr long long kUnlimitedMoves = 10;
constexpr long long kUnlimitedBase = 30000 * 60;

std::string levelCommand(long long moves, long long base, long long increment) {
    return "level " + std::to_string(moves) + " " + std::to_string(base / 60) + ":" +
           std::to_string(base % 60) + " " + std::to_string(increment) + "\n";
}

// Whole minutes read better to an engine: 299 s after rebuilding is meant as 5 minutes.
long long roundedBase(long long base) {
    return base % 60 == 59 ? base + 1 : base;
}

void planTimeControl(const SearchRequest& request, const EngineConfig& config,
                     TimeControlCache& cache, SearchPlan& plan) {
    const long long remaining = request.remaining;
    const std::string timeCommand = "time " + std::to_string(remaining * 100) + "\n";
    if (request.mode == 2) {
        const long long base =
            std::max<long long>(0, request.used + remaining -
                                       static_cast<long long>(request.played) * request.increment);
        // A period level left behind by another mode must be replaced even at equal time.
        if (std::llabs(base - cache.base) > 1 || request.increment != cache.increment ||
            cache.movesPerPeriod != 0) {
            cache = {roundedBase(base), 0, request.increment};
            plan.commands.push_back(levelCommand(0, cache.base, request.increment));
        }
        plan.commands.push_back(timeCommand);
        return;
    }
    if (request.mode == 3) {
        const long long base = std::max<long long>(0, request.used + remaining);
        const long long period = static_cast<long long>(request.played) + request.toPlay;
        if (std::llabs(base - cache.base) > 1 || period != cache.movesPerPeriod ||
            request.increment != cache.increment) {
            cache = {roundedBase(base), period, 0};
            plan.commands.push_back(levelCommand(period, cache.base, 0));
        }
        plan.commands.push_back(timeCommand);
        return;
    }
    if (request.mode == 1) {
        plan.targetDepth = request.depth;
    }
    if (config.analyzeMode) {
        plan.analysis = true;
    } else {
        // Remember this level too, or a later timed search with the old figures would
        // leave the engine on this one.
        cache = {kUnlimitedBase, kUnlimitedMoves, 0};
        plan.commands.push_back(levelCommand(kUnlimitedMoves, kUnlimitedBase, 0));
        plan.commands.push_back("time 180000000\n");
    }
    if (request.mode == 1) {
        // Engines that ignore "?" (Fairy-Max) stop at the depth by themselves.
        plan.commands.push_back("sd " + std::to_string(request.depth) + "\n");
    }
    plan.periodicStatus = true;
}

bool isPlausibleEnPassant(const Position& position, int square) {
    const auto holds = [&](int at, std::uint8_t piece) {
        return at >= 0 && at < 64 && position.squares[at] == piece;
    };
    const int file = squareFile(square);
    if (position.sideToMove == kWhite) {
        return square >= 40 && square <= 47 &&
               ((file != 0 && holds(square - 9, kPawn)) || (file != 7 && holds(square - 7, kPawn)));
    }
    const std::uint8_t blackPawn = kPawn | kBlackBit;
    return square >= 16 && square <= 23 &&
           ((file != 0 && holds(square + 7, blackPawn)) ||
            (file != 7 && holds(square + 9, blackPawn)));
}

// The "edit" block of a protocol version 1 engine.
void planEditBlock(const SearchRequest& request, const EngineConfig& config, SearchPlan& plan) {
    auto& commands = plan.commands;
    if (!plan.whiteToMove) {
        commands.insert(commands.end(), {"force\n", "a2a3\n"});
    }
    commands.insert(commands.end(), {"edit\n", "#\n"});
    const auto pieceLines = [&](bool black) {
        for (int square = 0; square < 64; ++square) {
            const std::uint8_t piece = plan.position.squares[square];
            if (piece != kEmpty && isBlackPiece(piece) == black) {
                commands.push_back(std::string(1, " PNBRQK"[pieceType(piece)]) +
                                   squareName(square) + "\n");
            }
        }
    };
    pieceLines(false);
    commands.push_back("c\n");
    pieceLines(true);
    if (plan.whiteToMove) {
        commands.push_back("c\n");
    }
    if (config.castleAndEP) {
        const char* const kRights[] = {"w00", "w000", "b00", "b000"};
        for (int bit = 0; bit < 4; ++bit) {
            commands.push_back(std::string("castle ") +
                               ((request.castling >> bit) & 1 ? "+" : "-") + kRights[bit] + "\n");
        }
        if (plan.position.enPassant != 0) {
            commands.push_back("ep " + squareName(plan.position.enPassant) + "\n");
        }
    }
    commands.push_back(".\n");
}

void planBoardSetUp(const SearchRequest& request, const EngineConfig& config,
                    const EngineFeatures& features, SearchPlan& plan) {
    plan.position = requestedStart(request, config.castleAndEP);
    plan.whiteToMove = request.whiteToMove;
    if (features.setboard) {
        // In force mode, or an engine left to play the side on move after "new" starts
        // thinking, and moving, on the position at once.
        plan.commands.push_back("force\n");
        plan.commands.push_back("setboard " + toFen(plan.position) + "\n");
    } else {
        planEditBlock(request, config, plan);
    }
}

} // namespace

Position requestedStart(const SearchRequest& request, bool requestRights) {
    if (request.fromStart) {
        return Position::initial();
    }
    Position position =
        Position::fromBoard(request.board.data(), request.whiteToMove ? kWhite : kBlack);
    if (requestRights) {
        // Rights the pieces cannot have are no rights, for the engine and for our own copy,
        // which needs the en-passant square too, or the engine's en-passant reply is unread.
        position.castling &= request.castling;
        if (isPlausibleEnPassant(position, request.enPassant)) {
            position.enPassant = request.enPassant;
        }
    }
    return position;
}

SearchPlan planSearch(const SearchRequest& request, const EngineConfig& config,
                      TimeControlCache& cache, const EngineFeatures& features) {
    SearchPlan plan;
    plan.targetDepth = kDefaultTargetDepth;
    plan.commands.push_back("new\n");
    planTimeControl(request, config, cache, plan);

    if (request.fromStart) {
        plan.position = Position::initial();
    } else {
        planBoardSetUp(request, config, features, plan);
    }

    const bool ponders = config.ponderMode && request.ponder && !request.moves.empty();
    plan.commands.push_back("hard\n");
    if (!ponders) {
        plan.commands.push_back("easy\n");
    }
    const std::size_t sent = ponders ? request.moves.size() - 1 : request.moves.size();
    plan.commands.push_back("force\n");
    for (std::size_t i = 0; i < sent; ++i) {
        plan.commands.push_back((features.usermove ? "usermove " : "") +
                                moveText(request.moves[i]) + "\n");
        plan.position.apply(request.moves[i]);
        plan.whiteToMove = !plan.whiteToMove;
    }
    if (ponders) {
        plan.ponderMove = moveText(request.moves.back());
        plan.position.apply(request.moves.back());
    }
    return plan;
}

} // namespace ferrule
