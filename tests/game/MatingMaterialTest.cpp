#include "game/MatingMaterial.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MatingMaterial, OneSidedByMaterial) {
    const struct {
        const char* placement;
        bool whiteCanMate;
        bool blackCanMate;
    } rows[] = {
        // A queen that runs out against a lone king: the king cannot win.
        {"8/8/8/4k3/8/8/8/4KQ2", true, false},
        {"8/8/8/4k3/8/8/8/4K3", false, false},
        {"8/8/8/4k3/8/8/4P3/4K3", true, false},
        {"8/8/8/4k3/8/8/8/4KR2", true, false},
        // A lone minor needs the other side's own pieces to block its king.
        {"8/8/8/4k3/8/8/8/4KN2", false, false},
        {"8/8/8/4k3/8/8/8/4KB2", false, false},
        {"8/8/8/4kq2/8/8/8/4KN2", false, true},
        {"8/8/8/4kr2/8/8/8/4KN2", true, true},
        {"8/8/8/4kr2/8/8/8/4KB2", false, true},
        {"8/8/8/4kn2/8/8/8/4KN2", true, true},
        {"8/8/8/4kp2/8/8/8/4KN2", true, true},
        {"8/8/8/4kn2/8/8/8/4KB2", true, true},
        {"8/8/8/4kp2/8/8/8/4KB2", true, true},
        // Bishops: only squares of both colours on the board make a mate possible.
        {"8/8/8/4k1b1/8/8/8/2B1K3", false, false},
        {"8/8/8/4kb2/8/8/8/2B1K3", true, true},
        {"8/8/8/4k3/8/8/8/2B1KB2", true, false},
        {"8/8/8/4k3/8/8/8/2B1K1B1", false, false},
        {"8/8/8/4k3/8/8/8/1NB1K3", true, false},
        {"8/8/8/4k3/8/8/8/1N2KN2", true, false},
    };
    for (const auto& row : rows) {
        BoardModel model;
        ASSERT_TRUE(model.SetUpFromFen(std::string(row.placement) + " w - - 0 1")) << row.placement;
        EXPECT_EQ(CanStillMate(model, 1), row.whiteCanMate) << row.placement << " White";
        EXPECT_EQ(CanStillMate(model, 0), row.blackCanMate) << row.placement << " Black";
    }
    EXPECT_TRUE(CanStillMate(BoardModel(), 1));
    EXPECT_TRUE(CanStillMate(BoardModel(), 0));
}

} // namespace
