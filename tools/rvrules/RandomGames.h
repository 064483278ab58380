#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Whole games of random legal moves from a fixed seed, each move as its move record line
// ("e2e4", "e1g1c", "b7a8rQ"; promotions pick a random kind): captures, castling, en
// passant, promotions and every kind of ending occur. A game ends when the rules end it
// or at `maxPlies` half-moves.
struct RandomGame {
    std::vector<std::string> record;
    std::string title; // the result texts the rules appended, " - (Draw)" or empty
};
std::vector<RandomGame> RandomGames(int count, int maxPlies, std::uint32_t seed);
