// Hierarchical z-buffer: the occlusion test against a brute-force scan, and edge rectangles.
#include <gtest/gtest.h>
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include "raster/HZBuffer.h"

namespace {

void Fill(CHZPyramid& p, uint16_t z)
{
    std::fill(p.Level0(), p.Level0() + size_t(p.Level0Pitch()) * size_t(p.Buffer().size), z);
    p.Update();
}

// Visible when some level-0 sample under the clamped rectangle is at most the object's depth.
bool BruteVisible(CHZPyramid& p, int x0, int y0, int x1, int y1, uint32_t d)
{
    const int last = p.Buffer().size - 1;
    x0 = std::clamp(x0, 0, last);
    y0 = std::clamp(y0, 0, last);
    x1 = std::min(x1, last);
    y1 = std::min(y1, last);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (p.Level0()[y * p.Level0Pitch() + x] <= d)
                return true;
    return false;
}

}  // namespace

TEST(HZBuffer, NeverHidesAVisibleRectangle)
{
    std::mt19937 rng(1234);
    int hidden = 0, singleCells = 0;
    for (int round = 0; round < 300; ++round) {
        CHZPyramid p;
        const int size = 1 + int(rng() % 70);
        ASSERT_TRUE(p.Create(size, 0.5f + float(rng() % 3) * 0.5f, 1.0f));
        // Mostly near occluders with holes, so both answers occur.
        for (int i = 0; i < size * size; ++i)
            p.Level0()[i] = rng() % 8 == 0 ? uint16_t(rng() % 0x4000) : uint16_t(0x6000 + rng() % 0x9FFF);
        p.Update();
        const HZBuffer& h = p.Buffer();
        for (int q = 0; q < 200; ++q) {
            const float span = float(size) / h.scaleX * 1.5f;
            const float x0 = float(int(rng() % 1000)) / 1000.0f * span - span * 0.25f;
            const float y0 = float(int(rng() % 1000)) / 1000.0f * span - span * 0.25f;
            const float x1 = x0 + float(rng() % 8) * float(rng() % 4) / h.scaleX;
            const float y1 = y0 + float(rng() % 8) * float(rng() % 4);
            const float depth = float(rng() % 0x10000) / 32768.0f;
            const uint32_t d = uint32_t(depth * 32768.0f);
            const int cx0 = int(std::trunc(x0 * h.scaleX)), cy0 = int(std::trunc(y0 * h.scaleY));
            const int cx1 = int(std::trunc(x1 * h.scaleX)), cy1 = int(std::trunc(y1 * h.scaleY));
            const bool onImage = cx1 >= 0 && cy1 >= 0;
            const bool brute = onImage && BruteVisible(p, cx0, cy0, cx1, cy1, d);
            const bool test = HZBuffer_IsVisibleC(&h, x0, y0, x1, y1, depth);
            ASSERT_TRUE(test || !brute) << "size " << size << " rect " << x0 << "," << y0 << " " << x1 << ","
                                         << y1 << " d " << d;
            hidden += !test;
            // One level-0 cell decides exactly.
            if (onImage && std::clamp(cx0, 0, size - 1) == std::min(cx1, size - 1) &&
                std::clamp(cy0, 0, size - 1) == std::min(cy1, size - 1)) {
                EXPECT_EQ(test, brute);
                ++singleCells;
            }
            EXPECT_EQ(HZBuffer_IsVisible(&h, x0, y0, x1, y1, depth), test);
        }
    }
    EXPECT_GT(hidden, 1000);
    EXPECT_GT(singleCells, 1000);
}

TEST(HZBuffer, OccluderDepthsAndDegenerateInput)
{
    CHZPyramid p;
    ASSERT_TRUE(p.Create(64));
    const HZBuffer* h = &p.Buffer();
    EXPECT_TRUE(HZBuffer_IsVisibleC(h, 0, 0, 63, 63, 0.0f)) << "an empty image hides nothing";

    Fill(p, 0x8000);
    EXPECT_FALSE(HZBuffer_IsVisibleC(h, 3, 5, 60, 40, 0.5f));
    EXPECT_TRUE(HZBuffer_IsVisibleC(h, 3, 5, 60, 40, 1.0f)) << "equal depth counts as visible";
    EXPECT_TRUE(HZBuffer_IsVisibleC(h, 3, 5, 60, 40, 2.5f)) << "a depth beyond the range saturates, not wraps";

    // Corners left of, above, right of and below the image.
    EXPECT_FALSE(HZBuffer_IsVisibleC(h, -50, -50, 200, 200, 0.5f));
    EXPECT_FALSE(HZBuffer_IsVisibleC(h, -40, 0, -1, 10, 1.5f)) << "wholly left of the image";
    p.Level0()[63 * 64 + 63] = 0;
    p.Update();
    EXPECT_TRUE(HZBuffer_IsVisibleC(h, 100, 100, 1e30f, 1e30f, 0.5f)) << "clamped to the last cell";

    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(HZBuffer_IsVisibleC(h, nan, 0, 10, 10, 0.5f));
    EXPECT_TRUE(HZBuffer_IsVisibleC(h, 0, 0, 10, 10, nan));
    EXPECT_TRUE(HZBuffer_IsVisibleC(nullptr, 0, 0, 10, 10, 0.5f));
}

// A rectangle inside one level-0 cell is decided by that sample alone: equal to the object's depth
// counts as visible, one step nearer hides it.
TEST(HZBuffer, OneCellDecidesWithEqualityVisible)
{
    CHZPyramid p;
    ASSERT_TRUE(p.Create(8));
    Fill(p, 0x6000);
    p.Level0()[3 * p.Level0Pitch() + 5] = 0x4000;
    p.Update();
    const HZBuffer* h = &p.Buffer();
    EXPECT_TRUE(HZBuffer_IsVisibleC(h, 5.2f, 3.1f, 5.9f, 3.8f, 0.5f));              // 0x4000
    EXPECT_FALSE(HZBuffer_IsVisibleC(h, 5.2f, 3.1f, 5.9f, 3.8f, 0.49996f));         // 0x3FFE
    EXPECT_FALSE(HZBuffer_IsVisibleC(h, 4.2f, 3.1f, 4.9f, 3.8f, 0.5f)) << "the cell beside it";
}
