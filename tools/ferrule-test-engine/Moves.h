#pragma once

#include "core/MoveGenerator.h"
#include "core/MoveResolver.h"

#include <optional>
#include <string>
#include <vector>

namespace ferrule_test_engine {

inline std::vector<ferrule::MoveCode> legalMoves(const ferrule::Position& position) {
    ferrule::MoveList list;
    ferrule::generateMoves(position, list);
    std::vector<ferrule::MoveCode> legal;
    for (const ferrule::MoveCode move : list) {
        ferrule::Position next = position;
        next.apply(move);
        if (ferrule::isLegal(next)) {
            legal.push_back(move);
        }
    }
    return legal;
}

// A coordinate move of the position (e2e4, e7e8q); nothing for any other word.
inline std::optional<ferrule::MoveCode> coordinateMove(const ferrule::Position& position,
                                                       const std::string& word) {
    const bool shaped = (word.size() == 4 || word.size() == 5) && word[0] >= 'a' &&
                        word[0] <= 'h' && word[1] >= '1' && word[1] <= '8' && word[2] >= 'a' &&
                        word[2] <= 'h' && word[3] >= '1' && word[3] <= '8';
    if (!shaped) {
        return std::nullopt;
    }
    const ferrule::ResolvedMove resolved = ferrule::resolveWord(position, word);
    if (resolved.status != ferrule::ResolveStatus::kFound) {
        return std::nullopt;
    }
    return resolved.move;
}

} // namespace ferrule_test_engine
