// The canoe puzzle played through the game's main loop: from view 402 to the won river, and the ways
// it stops, ends or fails to start.
#include <cstdio>

#include "tests/puzzles/CanoeFixture.h"

namespace {

using CanoeRun = CanoeTest;

TEST_F(CanoeRun, SolvedByClicksTheRiverIsWon) {
    Start();
    ASSERT_TRUE(StartCanoe()) << Reports();
    EXPECT_EQ(Codes(), (std::vector<int32_t>{12, 9, 6, 22, 25, 3, 28, 19, 32}));
    Pass();
    Shot("shuffled");
    ClickCell(3);
    MoveTo(300, 300);
    Pass();
    Shot("carried");
    ClickCell(3);
    Solve();
    ClickCell(PIROGUE_FIXED_CELL);
    EXPECT_EQ(pirogue_en_marche, 1);
    int n = 0;
    for (int k = 0; k < 12; k++) {
        n += Paddle(60);
        Shot("run" + std::to_string(k));
    }
    n += Paddle();
    EXPECT_LT(n, 4000);
    EXPECT_EQ(LoopType, LOOP_WARP) << n << " index " << index_trajet << "/" << nb_points_trajet;
    EXPECT_EQ(Interp_ReadVar("finpirogue"), 1);
    EXPECT_EQ(Count("TRACE=fin"), 1);
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"107", "108", "109", "106", "107", "108", "109"}));
    EXPECT_EQ(Reports(), "");
}

}  // namespace
