#pragma once

#include "BoardModel.h"

#include <cstdint>

// Whether the side of colour `white` (1 White, 0 Black) could still checkmate by some
// series of legal moves, however badly the other side played: the test that decides
// whether running out of time loses or draws. It looks at material only, so a side whose
// pawns are all blocked still counts as able to mate.
bool CanStillMate(const BoardModel& model, std::uint8_t white);
