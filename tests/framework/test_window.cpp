// Windows on the SDL dummy driver and the null backend, in 5-6-5 and 5-5-5: open, flip conversion,
// size switch and close; the surface object.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "FrameworkTestUtil.h"
#include "framework/Backend.h"
#include "framework/Input.h"
#include "framework/Window.h"

using namespace Velkrum;

namespace {

void put16(CSurface& s, int x, int y, uint16_t v) { std::memcpy(s.Row(y) + x * 2, &v, 2); }
uint16_t get16(const CSurface& s, int x, int y)
{
    uint16_t v;
    std::memcpy(&v, s.Row(y) + x * 2, 2);
    return v;
}

template <class F>
void ExpectDDError(F f, int32_t code)
{
    try {
        f();
        ADD_FAILURE() << "no exception";
    } catch (const CDirectDrawException& e) {
        EXPECT_EQ(e.Result(), code);
    }
}

// (headless, 5-5-5)
class WindowTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {
protected:
    bool Headless() const { return std::get<0>(GetParam()); }
    bool Pixel555() const { return std::get<1>(GetParam()); }
    ScopedEnv headless_{"QM_HEADLESS", Headless() ? "1" : nullptr};
    ScopedEnv pixel_{"QM_PIXEL555", Pixel555() ? "1" : nullptr};
    CDirectDrawWindow win;

    void SetUp() override
    {
        Input_Reset();
        win.Open(640, 480, false);
    }
    void TearDown() override
    {
        win.Close();
        Input_Reset();
    }
};

void closeWindowAndDispatch()
{
    Input_InjectClose();
    DXDispatch();
}

}  // namespace

TEST_P(WindowTest, OpensWithTheChosenPixelFormat)
{
    EXPECT_EQ(win.IsHeadless(), Headless());
    EXPECT_EQ(MainWindowHandle, static_cast<CMSWindowBase*>(&win));
    EXPECT_EQ(Is565, Pixel555() ? 0 : 1);
    EXPECT_EQ(win.GetPixelFormat(), PixelFormatOf(Pixel555() ? PFID_X1R5G5B5 : PFID_R5G6B5));
    EXPECT_EQ(win.GetBackBuffer().format, win.GetPixelFormat());
    EXPECT_EQ(win.GetBackBuffer().height, 480);
    win.Close();
    EXPECT_EQ(MainWindowHandle, nullptr);
    EXPECT_FALSE(win.IsOpen());
}

TEST_P(WindowTest, FlipConvertsTheBackBufferToRgbAtBothSizes)
{
    const std::vector<uint16_t> in = Pixel555() ? std::vector<uint16_t>{0x7C00, 0x03E0, 0x001F, 0x4210, 0x7FFF, 0x8000}
                                                : std::vector<uint16_t>{0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF, 0x0000};
    const std::vector<uint32_t> want = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, Pixel555() ? 0xFF848484u : 0xFF848284u,
                                        0xFFFFFFFF, 0xFF000000};
    CDirectDrawSurface& back = win.GetBackBuffer();
    for (size_t i = 0; i < in.size(); ++i)
        put16(back, int(i), 0, in[i]);
    put16(back, 0, 1, in[1]);
    put16(back, 639, 479, in[0]);
    win.Flip();
    const std::vector<uint32_t>& frame = win.GetPresentedFrame();
    ASSERT_EQ(frame.size(), size_t(640 * 480));
    for (size_t i = 0; i < in.size(); ++i)
        EXPECT_EQ(frame[i], want[i]) << i;
    EXPECT_EQ(frame[640], want[1]);
    EXPECT_EQ(frame.back(), want[0]);

    win.SetScreenSize(800, 600);
    EXPECT_EQ(win.GetBackBuffer().height, 600);
    put16(win.GetBackBuffer(), 799, 599, in[2]);
    win.Flip();
    ASSERT_EQ(win.GetPresentedFrame().size(), size_t(800 * 600));
    EXPECT_EQ(win.GetPresentedFrame().back(), want[2]);
    SetMousePosition(5000, 5000);
    EXPECT_EQ(MousePosition.x, 799);
    ExpectDDError([&] { win.SetScreenSize(1024, 768); }, DDERR_INVALIDMODE);
    EXPECT_EQ(win.Width(), 800);
}

TEST_P(WindowTest, ClosingTheWindowQuits)
{
    const RunResult r = RunInsideApplication(&closeWindowAndDispatch);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.terminated);
}

INSTANTIATE_TEST_SUITE_P(Backends, WindowTest, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Null" : "SdlDummy") +
                                    (std::get<1>(info.param) ? "555" : "565");
                         });

TEST(WindowOpen, RefusesOtherSizesAMissingDisplayAndUseBeforeOpen)
{
    CDirectDrawWindow win;
    EXPECT_THROW(win.Flip(), CDirectDrawException);
    ExpectDDError([&] { win.Open(1024, 768, false); }, DDERR_INVALIDMODE);
    EXPECT_FALSE(win.IsOpen());
    ScopedEnv headless("QM_HEADLESS", nullptr);
    ScopedEnv driver("SDL_VIDEODRIVER", "no-such-driver");
    ExpectDDError([&] { win.Open(640, 480, true); }, DDERR_NODIRECTDRAWHW);
    EXPECT_FALSE(win.IsOpen());
    EXPECT_EQ(MainWindowHandle, nullptr);
}

TEST(DirectDrawSurface, RefusesBadSizesAndFormatsAndCountsLocks)
{
    CDirectDrawSurface s;
    ExpectDDError([&] { s.Initialize(0, 10, PixelFormatOf(PFID_R5G6B5)); }, DDERR_INVALIDPARAMS);
    ExpectDDError([&] { s.Initialize(8, 8, CPixelFormat{}); }, DDERR_INVALIDPIXELFORMAT);
    s.Initialize(4, 3, PixelFormatOf(PFID_R5G6B5));
    EXPECT_EQ(s.Lock(1), nullptr);
    EXPECT_EQ(s.Lock(0), s.pixels);
    EXPECT_NE(s.Lock(0), nullptr);
    EXPECT_EQ(s.LockCount(), 2);
    s.Unlock();
    s.Unlock();
    s.Unlock();
    EXPECT_EQ(s.LockCount(), 0);
}

TEST(DirectDrawSurface, BlitConvertsSameSizeAndStretchesSameFormat)
{
    CDirectDrawSurface dst, src555, small, small555, empty;
    dst.Initialize(4, 2, PixelFormatOf(PFID_R5G6B5));
    src555.Initialize(4, 2, PixelFormatOf(PFID_X1R5G5B5));
    src555.Clear(0x7C00);
    dst.Blit(src555);
    EXPECT_EQ(get16(dst, 3, 1), 0xF800);

    small.Initialize(2, 1, PixelFormatOf(PFID_R5G6B5));
    put16(small, 0, 0, 0x1111);
    put16(small, 1, 0, 0x2222);
    dst.Blit(small);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(get16(dst, x, y), x < 2 ? 0x1111 : 0x2222) << x << "," << y;

    small555.Initialize(2, 1, PixelFormatOf(PFID_X1R5G5B5));
    EXPECT_THROW(dst.Blit(small555), CDirectDrawException);
    EXPECT_THROW(dst.Blit(empty), CDirectDrawException);
    EXPECT_THROW(empty.Blit(dst), CDirectDrawException);
}
