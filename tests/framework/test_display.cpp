// The display layer on a headless window: render surface choice and screen size switch, the
// 640-to-800 stretch, counted locks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FrameworkTestUtil.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"

using namespace Velkrum;

namespace {

std::vector<std::pair<int, int>> g_sizes;
void recordSize(int w, int h) { g_sizes.emplace_back(w, h); }

uint16_t get16(const CSurface& s, int x, int y)
{
    uint16_t v;
    std::memcpy(&v, s.Row(y) + x * 2, 2);
    return v;
}

struct DisplayTest : ::testing::Test {
    ScopedEnv headless{"QM_HEADLESS", "1"};
    ScopedEnv pixel{"QM_PIXEL555", nullptr};
    CDirectDrawWindow win;

    void Open(int w, int h)
    {
        Input_Reset();
        g_sizes.clear();
        win.Open(w, h, false);
        ASSERT_TRUE(OrvDisplay_Init(&win));
        OrvDisplay_SetScreenSizeHook(&recordSize);
    }
    void TearDown() override
    {
        OrvDisplay_SetScreenSizeHook(nullptr);
        OrvDisplay_Close();
        win.Close();
        Input_Reset();
    }
    // The clip rectangle as {top, bottom, right, left}.
    std::vector<int> Clip()
    {
        ClipRect r{};
        OrvDisplay_GetClipRect(r);
        return {r.top, r.bottom, r.right, r.left};
    }
};

}  // namespace

TEST_F(DisplayTest, RenderSurfaceIsTheBackBufferUnlessAn800ScreenRendersAt640)
{
    Open(640, 480);
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
    EXPECT_EQ(Clip(), (std::vector<int>{0, 479, 639, 0}));

    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(800, 600));
    EXPECT_EQ(win.Width(), 800);
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
    EXPECT_EQ(Clip(), (std::vector<int>{0, 599, 799, 0}));
    OrvDisplay_EnableRenderWarp800(0, "pz_pirogue_init()");
    CSurface* render = OrvDisplay_GetRenderSurface();
    ASSERT_NE(render, nullptr);
    EXPECT_NE(render, &win.GetBackBuffer());
    EXPECT_EQ(render->height, 480);
    EXPECT_EQ(render->format, win.GetPixelFormat());
    EXPECT_EQ(Clip(), (std::vector<int>{0, 479, 639, 0}));
    SetMousePosition(799, 599);
    EXPECT_EQ(MousePosition.x, 639);
    EXPECT_EQ(MousePosition.y, 479);
    // 640 rendering survives a round trip through the 640 screen; other sizes are refused.
    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(640, 480));
    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(800, 600));
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), 640);
    WarningLines warnings;
    EXPECT_FALSE(OrvDisplay_SetNewScreenSize(1024, 768));
    EXPECT_TRUE(warnings.Contains("OrvDisplay_SetNewScreenSize(1024, 768)"));
    EXPECT_EQ(g_sizes, (std::vector<std::pair<int, int>>{{800, 600}, {640, 480}, {800, 600}}));

    OrvDisplay_EnableRenderWarp800(1, "pz_pirogue_quit()");
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), 800);
    // At screen size the automatic blit leaves the frame alone.
    win.GetBackBuffer().Clear(0x1234);
    OrvDisplay_AutoBlitLocked();
    EXPECT_EQ(get16(win.GetBackBuffer(), 400, 300), 0x1234);
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
}

TEST_F(DisplayTest, LayersStartedBeforeTheDisplayLearnItsScreenSizeFromIt)
{
    Input_Reset();
    g_sizes.clear();
    OrvDisplay_SetScreenSizeHook(&recordSize);
    win.Open(800, 600, false);
    ASSERT_TRUE(OrvDisplay_Init(&win));
    EXPECT_EQ(g_sizes, (std::vector<std::pair<int, int>>{{800, 600}}));
}

TEST_F(DisplayTest, AutoBlitStretches640To800ByRepeatingEveryFifthColumnAndRow)
{
    Open(800, 600);
    OrvDisplay_EnableRenderWarp800(0, "test");
    CSurface* src = OrvDisplay_GetRenderSurface();
    ASSERT_TRUE(OrvDisplay_LockSurface());
    // Each pixel names its source: the column in the low 10 bits, the row modulo 64 above.
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint16_t v = uint16_t(x | ((y & 63) << 10));
            std::memcpy(src->Row(y) + x * 2, &v, 2);
        }
    OrvDisplay_AutoBlit();
    OrvDisplay_UnlockSurface();

    const CSurface& dst = win.GetBackBuffer();
    EXPECT_EQ(get16(dst, 799, 599), uint16_t(639 | ((479 & 63) << 10)));
    for (int x = 0; x < 800; ++x)
        ASSERT_EQ(get16(dst, x, 0) & 0x3FF, x * 4 / 5) << x;
    for (int y = 0; y < 600; ++y)
        ASSERT_EQ(get16(dst, 123, y) >> 10, (y * 4 / 5) & 63) << y;
}

TEST_F(DisplayTest, LocksAreCountedFollowTheRenderSurfaceAndAnExtraUnlockWarns)
{
    Open(800, 600);
    CDirectDrawSurface& back = win.GetBackBuffer();
    ASSERT_TRUE(OrvDisplay_LockSurface());
    ASSERT_TRUE(OrvDisplay_LockSurface());
    EXPECT_EQ(OrvDisplay_GetLockCount(), 2);
    EXPECT_EQ(back.flags & 0x30000000u, 0x30000000u);
    OrvDisplay_UnlockSurface();
    EXPECT_EQ(back.LockCount(), 1);
    OrvDisplay_UnlockSurface();
    EXPECT_EQ(back.LockCount(), 0);
    EXPECT_EQ(back.flags & 0x30000000u, 0u);

    WarningLines warnings;
    OrvDisplay_UnlockSurface();
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    EXPECT_TRUE(warnings.Contains("OrvDisplay_UnlockSurface()"));

    // A lock held across a render-surface or screen-size change moves with it.
    OrvDisplay_EnableRenderWarp800(0, "test");
    CDirectDrawSurface* back640 = OrvDisplay_GetRenderSurfaceObject();
    ASSERT_TRUE(OrvDisplay_LockSurface());
    EXPECT_EQ(back640->LockCount(), 1);
    OrvDisplay_EnableRenderWarp800(1, "test");
    EXPECT_EQ(back640->LockCount(), 0);
    EXPECT_EQ(back.LockCount(), 1);
    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(640, 480));
    EXPECT_EQ(win.GetBackBuffer().LockCount(), 1);
    OrvDisplay_UnlockSurface();
    EXPECT_EQ(win.GetBackBuffer().LockCount(), 0);
}
