// Levels of a positioned sound seen from the view: pan by direction, attenuation by distance, front value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "panorama/WarpSound.h"
#include "world/wam.h"

namespace {
constexpr float kPi = 3.14159265f;
// The ambient noises hand over the view's yaw plus a half turn.
WarpSoundLevels At(float x, float z, float yaw, float level = 200, float f0 = 1, float f1 = 0, float f2 = 0) {
    return warp_sound_levels(x, 0, z, level, 0, 0, 0, f0, f1, f2, yaw + kPi, 0);
}
}  // namespace

TEST(WarpSound, PanFollowsTheDirectionOfTheView) {
    const WarpSoundLevels ahead = At(0, 10, 0);
    EXPECT_EQ(ahead.left, 200);
    EXPECT_EQ(ahead.right, 200);
    EXPECT_EQ(ahead.front, 255);
    const WarpSoundLevels right = At(10, 0, 0);
    EXPECT_EQ(right.right, 200);
    EXPECT_EQ(right.left, 0);
    EXPECT_EQ(right.front, 0);
    const WarpSoundLevels left = At(-10, 0, 0);
    EXPECT_EQ(left.left, 200);
    EXPECT_EQ(left.right, 0);
    EXPECT_EQ(At(0, -10, 0).front, -255);
    // Turned a quarter right, the source on the right is ahead and the one ahead is on the left.
    const WarpSoundLevels turned = At(10, 0, kPi / 2);
    EXPECT_EQ(turned.left, turned.right);
    EXPECT_EQ(turned.front, 255);
    const WarpSoundLevels was = At(0, 10, kPi / 2);
    EXPECT_GT(was.left, was.right);
    // Half right: full on the right, reduced on the left.
    const WarpSoundLevels diag = At(10, 10, 0);
    EXPECT_EQ(diag.right, 200);
    EXPECT_NEAR(diag.left, 200 * (1 - 0.7071), 1.0);
    // Pitch: looking up at a source overhead puts it ahead.
    EXPECT_EQ(warp_sound_levels(0, 10, 0, 100, 0, 0, 0, 1, 0, 0, kPi, kPi / 2).front, 255);
}

TEST(WarpSound, DistanceAttenuatesThroughTheFactors) {
    EXPECT_EQ(At(0, 10, 0, 200, 0, 1, 0).left, 20);
    EXPECT_EQ(At(0, 20, 0, 200, 0, 1, 0).left, 10);
    EXPECT_EQ(At(0, 10, 0, 200, 0, 0, 0.5f).left, 4);
    EXPECT_EQ(At(0, 10, 0, 200, 2, 0, 0).left, 100);
    // Levels stay within 0..255 whatever the source says.
    EXPECT_EQ(At(0, 1, 0, 5000).left, 255);
    EXPECT_EQ(At(0, 1, 0, -40).left, 0);
    // Factors that sum to nothing leave the level whole.
    EXPECT_EQ(At(0, 10, 0, 90, 0, 0, 0).right, 90);
    // At the listener the distance counts as 0.1 and the source is centred in front.
    const WarpSoundLevels here = warp_sound_levels(3, 4, 5, 10, 3, 4, 5, 0, 1, 0, kPi, 0);
    EXPECT_EQ(here.left, 100);
    EXPECT_EQ(here.right, 100);
    EXPECT_EQ(here.front, 255);
    // Nonsense in, bounded numbers out.
    const WarpSoundLevels nan = warp_sound_levels(NAN, 0, 0, 100, 0, 0, 0, 1, 0, 0, 0, 0);
    EXPECT_GE(nan.left, 0);
    EXPECT_LE(nan.left, 255);
}

TEST(WarpSound, TheRecordReceivesItsOutputs) {
    ST_wam_son son{};
    son.pos.x = 10;
    son.pos.level = 150;
    warp_sound_direction(&son.pos, 0, 0, 0, 1, 0, 0, kPi, 0);
    EXPECT_EQ(son.pos.rightLevel, 150);
    EXPECT_EQ(son.pos.leftLevel, 0);
    EXPECT_EQ(son.pos.third, 0.0f);
    warp_sound_direction(nullptr, 0, 0, 0, 1, 0, 0, 0, 0);
}
