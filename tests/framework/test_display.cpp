// The display layer on a headless window: render surface choice, the 640-to-800 stretch, counted
// locks, clip rectangle, screen size switch and its hook.
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
    ClipRect Clip()
    {
        ClipRect r{};
        OrvDisplay_GetClipRect(r);
        return r;
    }
};

bool sameRect(const ClipRect& r, int top, int bottom, int right, int left)
{
    return r.top == top && r.bottom == bottom && r.right == right && r.left == left;
}

}  // namespace

TEST_F(DisplayTest, A640ScreenRendersIntoTheBackBuffer)
{
    Open(640, 480);
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
    EXPECT_EQ(OrvDisplay_GetRenderSurfaceObject(), &win.GetBackBuffer());
    EXPECT_EQ(OrvDisplay_GetRenderTarget(), &win.GetBackBuffer());
    EXPECT_EQ(OrvDisplay_GetScreenWidth(), 640);
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), 640);
    EXPECT_EQ(OrvDisplay_GetRenderHeight(), 480);
    EXPECT_TRUE(sameRect(Clip(), 0, 479, 639, 0));

    // Turning 800 rendering off changes nothing on a 640 screen.
    OrvDisplay_EnableRenderWarp800(0, "test(%d)", 1);
    EXPECT_FALSE(OrvDisplay_IsRenderWarp800());
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
}

TEST_F(DisplayTest, An800ScreenRendersAt640WhileWarp800IsOff)
{
    Open(800, 600);
    EXPECT_TRUE(OrvDisplay_IsRenderWarp800());
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
    EXPECT_TRUE(sameRect(Clip(), 0, 599, 799, 0));

    OrvDisplay_EnableRenderWarp800(0, "pz_pirogue_init()");
    CSurface* render = OrvDisplay_GetRenderSurface();
    ASSERT_NE(render, nullptr);
    EXPECT_NE(render, &win.GetBackBuffer());
    EXPECT_EQ(render->width, 640);
    EXPECT_EQ(render->height, 480);
    EXPECT_EQ(render->format, win.GetPixelFormat());
    EXPECT_EQ(OrvDisplay_GetScreenWidth(), 800);
    EXPECT_TRUE(sameRect(Clip(), 0, 479, 639, 0));
    SetMousePosition(799, 599);
    EXPECT_EQ(MousePosition.x, 639);
    EXPECT_EQ(MousePosition.y, 479);

    OrvDisplay_EnableRenderWarp800(1, "pz_pirogue_quit()");
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), 800);
}

TEST_F(DisplayTest, AutoBlitStretches640To800ByExactIntegerMapping)
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
    // Every fifth destination column and row repeats the previous source one: 0,0,1,2,3,4,4,5,...
    const int firstColumns[] = {0, 0, 1, 2, 3, 4, 4, 5, 6, 7};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(get16(dst, x, 0) & 0x3FF, firstColumns[x]) << x;
    EXPECT_EQ(get16(dst, 799, 599), uint16_t(639 | ((479 & 63) << 10)));

    std::vector<int> columnUses(640, 0), rowUses(480, 0);
    for (int x = 0; x < 800; ++x) {
        const int sx = get16(dst, x, 0) & 0x3FF;
        ASSERT_EQ(sx, x * 4 / 5) << x;
        ++columnUses[size_t(sx)];
    }
    for (int y = 0; y < 600; ++y) {
        const int sy = y * 4 / 5;
        ASSERT_EQ(get16(dst, 123, y) >> 10, sy & 63) << y;
        ++rowUses[size_t(sy)];
    }
    for (int u : columnUses)
        ASSERT_TRUE(u == 1 || u == 2);
    for (int u : rowUses)
        ASSERT_TRUE(u == 1 || u == 2);
}

TEST_F(DisplayTest, AutoBlitLeavesTheFrameAloneWhenRenderingAtScreenSize)
{
    Open(800, 600);
    win.GetBackBuffer().Clear(0x1234);
    OrvDisplay_AutoBlitLocked();
    EXPECT_EQ(get16(win.GetBackBuffer(), 400, 300), 0x1234);
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
}

TEST_F(DisplayTest, LocksAreCountedAndAnExtraUnlockWarns)
{
    Open(640, 480);
    CDirectDrawSurface& back = win.GetBackBuffer();
    ASSERT_TRUE(OrvDisplay_LockSurface());
    ASSERT_TRUE(OrvDisplay_LockSurface());
    EXPECT_EQ(OrvDisplay_GetLockCount(), 2);
    EXPECT_EQ(back.LockCount(), 1);
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
}

TEST_F(DisplayTest, AHeldLockFollowsTheRenderSurface)
{
    Open(800, 600);
    OrvDisplay_EnableRenderWarp800(0, "test");
    CDirectDrawSurface* back640 = OrvDisplay_GetRenderSurfaceObject();
    ASSERT_TRUE(OrvDisplay_LockSurface());
    EXPECT_EQ(back640->LockCount(), 1);

    OrvDisplay_EnableRenderWarp800(1, "test");
    EXPECT_EQ(back640->LockCount(), 0);
    EXPECT_EQ(win.GetBackBuffer().LockCount(), 1);

    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(640, 480));
    EXPECT_EQ(win.GetBackBuffer().LockCount(), 1);
    EXPECT_EQ(win.GetBackBuffer().flags & 0x30000000u, 0x30000000u);
    OrvDisplay_UnlockSurface();
    EXPECT_EQ(win.GetBackBuffer().LockCount(), 0);
}

TEST_F(DisplayTest, ScreenSizeSwitchResizesAndCallsTheHook)
{
    Open(640, 480);
    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(800, 600));
    EXPECT_EQ(OrvDisplay_GetScreenWidth(), 800);
    EXPECT_EQ(OrvDisplay_GetScreenHeight(), 600);
    EXPECT_EQ(win.Width(), 800);
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), 800);

    OrvDisplay_EnableRenderWarp800(0, "test");
    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(640, 480));
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), &win.GetBackBuffer());
    ASSERT_TRUE(OrvDisplay_SetNewScreenSize(800, 600));
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), 640);

    WarningLines warnings;
    EXPECT_FALSE(OrvDisplay_SetNewScreenSize(1024, 768));
    EXPECT_TRUE(warnings.Contains("OrvDisplay_SetNewScreenSize(1024, 768)"));
    EXPECT_EQ(g_sizes, (std::vector<std::pair<int, int>>{{800, 600}, {640, 480}, {800, 600}}));
}

TEST(DisplayWithoutWindow, ReportsInsteadOfFailing)
{
    OrvDisplay_Close();
    WarningLines warnings;
    EXPECT_FALSE(OrvDisplay_Init(nullptr));
    EXPECT_EQ(OrvDisplay_GetRenderSurface(), nullptr);
    EXPECT_FALSE(OrvDisplay_LockSurface());
    OrvDisplay_AutoBlit();
    OrvDisplay_AutoBlitLocked();
    EXPECT_FALSE(OrvDisplay_SetNewScreenSize(800, 600));
    EXPECT_EQ(OrvDisplay_GetScreenWidth(), 640);
    EXPECT_EQ(OrvDisplay_GetRenderHeight(), 480);
    EXPECT_TRUE(warnings.Contains("OrvDisplay_LockSurface()"));
    EXPECT_TRUE(warnings.Contains("OrvDisplay_AutoBlit()"));
}
