// Positioned sounds: the pan follows the source's side of the view, the level falls with distance; the
// panorama lets go of its noises when it closes.
#include <gtest/gtest.h>

#include <cmath>

#include "PanoramaFixture.h"
#include "audio/Orv_Sound.h"
#include "panorama/WarpSound.h"
#include "world/wam.h"

namespace {
constexpr float kPi = 3.14159265f;

// Levels of a source at (x, 0, z) heard from the origin looking along +z (heading = yaw + pi).
WarpSoundLevels Heard(float x, float z, float level = 150, float f1 = 0) {
    return warp_sound_levels(x, 0, z, level, 0, 0, 0, 1, f1, 0, kPi, 0);
}
}  // namespace

TEST(WarpSound, PanFollowsTheSideAndFrontOfTheView) {
    const WarpSoundLevels right = Heard(10, 0), left = Heard(-10, 0), ahead = Heard(0, 10), behind = Heard(0, -10);
    EXPECT_EQ(right.right, 150);
    EXPECT_EQ(right.left, 0);
    EXPECT_EQ(left.left, 150);
    EXPECT_EQ(left.right, 0);
    EXPECT_EQ(ahead.left, ahead.right);
    EXPECT_GT(ahead.front, 0);
    EXPECT_LT(behind.front, 0);
    // Turning the view half a turn swaps the sides.
    const WarpSoundLevels turned = warp_sound_levels(10, 0, 0, 150, 0, 0, 0, 1, 0, 0, 0, 0);
    EXPECT_EQ(turned.left, 150);
    EXPECT_EQ(turned.right, 0);
}

TEST(WarpSound, LevelFallsWithDistanceAndAZeroDistanceIsSafe) {
    const WarpSoundLevels near = Heard(0, 2, 200, 1), far = Heard(0, 8, 200, 1), on = Heard(0, 0, 200, 1);
    EXPECT_GT(near.left, far.left);
    EXPECT_LE(on.left, 200);
    EXPECT_GE(on.left, near.left);
    for (const WarpSoundLevels& l : {near, far, on}) {
        EXPECT_GE(l.left, 0);
        EXPECT_LE(l.right, 255);
    }
}

TEST(WarpSound, ThePositionBlockReceivesItsOutputs) {
    ST_wam_son son{};
    son.pos.x = 10;
    son.pos.level = 150;
    warp_sound_direction(&son.pos, 0, 0, 0, 1, 0, 0, kPi, 0);
    EXPECT_EQ(son.pos.rightLevel, 150);
    EXPECT_EQ(son.pos.leftLevel, 0);
    warp_sound_direction(nullptr, 0, 0, 0, 1, 0, 0, 0, 0);  // warned, nothing written
}

// Closed, the panorama leaves no noise slot pointing into the world it was showing (which its owner frees
// next): a later pass of another view would read a freed record.
TEST_F(WarpWorldTest, ClosingThePanoramaLetsGoOfTheViewsNoises) {
    WamFileDesc world = World();
    WamSonDesc wind;
    wind.id = 1;
    wind.name = "VENT";
    wind.level = 100;
    world.sons = {wind};
    world.lieux[0].vues[2].bruits = {{1, {0.0f, 0.0f, 1.0f}}};
    // Noises play in the game's own worlds only.
    ASSERT_TRUE(WamWriter_Save(dir / "wam/yucatan.wam", world));
    ASSERT_TRUE(wam_load_game("yucatan.wam"));
    Enter(73);
    ASSERT_NE(OrvSound_GetBruitageSlot(0).ref, nullptr);
    OrvWarp_Close();
    for (int k = 0; k < MAX_BRUIT_PAR_WARP; k++) EXPECT_EQ(OrvSound_GetBruitageSlot(k).ref, nullptr) << k;
    ASSERT_TRUE(OrvWarp_Init());
}
