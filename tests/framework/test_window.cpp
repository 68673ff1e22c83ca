// Windows on the SDL dummy driver and the null backend, in 5-6-5 and 5-5-5: open, flip conversion,
// size switch, letterbox placement, injected input, focus and close; and the surface object.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "FrameworkTestUtil.h"
#include "app/FrameTimer.h"
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

std::vector<int> g_keys;
void recordKey(int k) { g_keys.push_back(k); }
std::vector<int> g_buttons;
void recordButton(const MouseEventInfo& e) { g_buttons.push_back(e.button); }

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
        frame_timer_reset();
        g_keys.clear();
        g_buttons.clear();
        win.Open(640, 480, false);
    }
    void TearDown() override
    {
        win.Close();
        Input_Reset();
        frame_timer_reset();
    }
};

}  // namespace

TEST_P(WindowTest, OpensWithTheChosenPixelFormat)
{
    EXPECT_TRUE(win.IsOpen());
    EXPECT_TRUE(win.IsActive());
    EXPECT_EQ(win.IsHeadless(), Headless());
    EXPECT_EQ(MainWindowHandle, static_cast<CMSWindowBase*>(&win));
    EXPECT_EQ(Is565, Pixel555() ? 0 : 1);
    EXPECT_EQ(win.GetPixelFormat(), PixelFormatOf(Pixel555() ? PFID_X1R5G5B5 : PFID_R5G6B5));
    EXPECT_EQ(PixelFormat_Is555(win.GetPixelFormat()), Pixel555());

    CDirectDrawSurface& back = win.GetBackBuffer();
    EXPECT_EQ(back.width, 640);
    EXPECT_EQ(back.height, 480);
    EXPECT_EQ(back.pitch, 640);
    EXPECT_EQ(back.format.bitsPerPixel, 16u);

    win.Close();
    EXPECT_EQ(MainWindowHandle, nullptr);
    EXPECT_FALSE(win.IsOpen());
}

TEST_P(WindowTest, FlipConvertsTheBackBufferToRgb)
{
    CDirectDrawSurface& back = win.GetBackBuffer();
    const std::vector<uint16_t> in = Pixel555() ? std::vector<uint16_t>{0x7C00, 0x03E0, 0x001F, 0x4210, 0x7FFF, 0x8000}
                                                : std::vector<uint16_t>{0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF, 0x0000};
    const std::vector<uint32_t> want = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, Pixel555() ? 0xFF848484u : 0xFF848284u,
                                        0xFFFFFFFF, 0xFF000000};
    for (size_t i = 0; i < in.size(); ++i)
        put16(back, int(i), 0, in[i]);
    put16(back, 639, 479, in[0]);
    put16(back, 0, 1, in[1]);
    win.Flip();

    const std::vector<uint32_t>& frame = win.GetPresentedFrame();
    ASSERT_EQ(frame.size(), size_t(640 * 480));
    for (size_t i = 0; i < in.size(); ++i)
        EXPECT_EQ(frame[i], want[i]) << i;
    EXPECT_EQ(frame[640], want[1]);
    EXPECT_EQ(frame[640 * 480 - 1], want[0]);
}

TEST_P(WindowTest, SwitchesBetweenTheTwoScreenSizesOnly)
{
    win.SetScreenSize(800, 600);
    EXPECT_EQ(win.Width(), 800);
    EXPECT_EQ(win.GetBackBuffer().height, 600);
    put16(win.GetBackBuffer(), 799, 599, 0x001F);
    win.Flip();
    ASSERT_EQ(win.GetPresentedFrame().size(), size_t(800 * 600));
    EXPECT_EQ(win.GetPresentedFrame().back(), 0xFF0000FFu);
    SetMousePosition(5000, 5000);
    EXPECT_EQ(MousePosition.x, 799);

    try {
        win.SetScreenSize(1024, 768);
        FAIL() << "1024x768 accepted";
    } catch (const CDirectDrawException& e) {
        EXPECT_EQ(e.Result(), DDERR_INVALIDMODE);
    }
    EXPECT_EQ(win.Width(), 800);
    win.SetScreenSize(640, 480);
    EXPECT_EQ(win.Width(), 640);
}

TEST_P(WindowTest, InjectedInputReachesTheHandlers)
{
    Input_SetKeyHandlers(&recordKey, nullptr);
    Input_SetMouseHandlers(nullptr, &recordButton, nullptr);
    SetMousePosition(320, 240);
    Input_InjectKey(DIK_RETURN, true);
    Input_InjectKey(DIK_F1, true);
    Input_InjectMouseMove(-20, 10);
    Input_InjectButton(MOUSE_RIGHT, true);
    DXDispatch();
    EXPECT_EQ(g_keys, (std::vector<int>{0x1C, 0x3B}));
    EXPECT_EQ(g_buttons, std::vector<int>{2});
    EXPECT_EQ(MousePosition.x, 300);
    EXPECT_EQ(MousePosition.y, 250);
}

TEST_P(WindowTest, InactiveWindowDeliversNothingAndFreezesTheFrameTimer)
{
    Input_SetKeyHandlers(&recordKey, nullptr);
    Input_InjectActivate(false);
    DXDispatch();
    EXPECT_FALSE(win.IsActive());
    EXPECT_FALSE(frame_timer_window_active());

    Input_InjectKey(DIK_SPACE, true);
    Input_InjectMouseMove(30, 30);
    Input_InjectButton(MOUSE_LEFT, true);
    DXDispatch();
    EXPECT_TRUE(g_keys.empty());
    EXPECT_EQ(MousePosition.x, 0);
    EXPECT_EQ(MouseClickFlags.click, 0);

    Input_InjectActivate(true);
    Input_InjectKey(DIK_SPACE, true);
    DXDispatch();
    EXPECT_TRUE(win.IsActive());
    EXPECT_TRUE(frame_timer_window_active());
    EXPECT_EQ(g_keys, std::vector<int>{0x39});
}

namespace {
void closeWindowAndDispatch()
{
    Input_InjectClose();
    DXDispatch();
}
}  // namespace

TEST_P(WindowTest, ClosingTheWindowQuits)
{
    const RunResult r = RunInsideApplication(&closeWindowAndDispatch);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.terminated);
}

INSTANTIATE_TEST_SUITE_P(Backends, WindowTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Null" : "SdlDummy") +
                                    (std::get<1>(info.param) ? "555" : "565");
                         });

TEST(WindowOpen, RefusesOtherSizesAndReportsAMissingDisplay)
{
    CDirectDrawWindow win;
    try {
        win.Open(1024, 768, false);
        FAIL() << "1024x768 opened";
    } catch (const CDirectDrawException& e) {
        EXPECT_EQ(e.Result(), DDERR_INVALIDMODE);
    }
    EXPECT_FALSE(win.IsOpen());

    ScopedEnv headless("QM_HEADLESS", nullptr);
    ScopedEnv driver("SDL_VIDEODRIVER", "no-such-driver");
    try {
        win.Open(640, 480, true);
        FAIL() << "opened without a display";
    } catch (const CDirectDrawException& e) {
        EXPECT_EQ(e.Result(), DDERR_NODIRECTDRAWHW);
        EXPECT_NE(std::string(e.what()).find("Direct Draw (DDERR_NODIRECTDRAWHW) : "), std::string::npos);
    }
    EXPECT_FALSE(win.IsOpen());
    EXPECT_EQ(MainWindowHandle, nullptr);
}

TEST(WindowOpen, FlipWithoutAWindowThrows)
{
    CDirectDrawWindow win;
    EXPECT_THROW(win.Flip(), CDirectDrawException);
    EXPECT_THROW(win.SetScreenSize(800, 600), CDirectDrawException);
}

TEST(Letterbox, IntegerScaleWhereItFitsElseAspectFit)
{
    EXPECT_EQ(LetterboxRect(640, 480, 640, 480), (FrameRect{0, 0, 640, 480}));
    EXPECT_EQ(LetterboxRect(1920, 1080, 640, 480), (FrameRect{320, 60, 1280, 960}));
    EXPECT_EQ(LetterboxRect(1920, 1200, 800, 600), (FrameRect{160, 0, 1600, 1200}));
    EXPECT_EQ(LetterboxRect(1024, 768, 800, 600), (FrameRect{112, 84, 800, 600}));
    EXPECT_EQ(LetterboxRect(500, 500, 640, 480), (FrameRect{0, 62, 500, 375}));
    EXPECT_EQ(LetterboxRect(600, 300, 640, 480), (FrameRect{100, 0, 400, 300}));
    EXPECT_EQ(LetterboxRect(0, 480, 640, 480), FrameRect{});
    EXPECT_EQ(LetterboxRect(640, 480, 0, 0), FrameRect{});
}

TEST(DirectDrawSurface, InitializeRefusesBadSizesAndFormats)
{
    CDirectDrawSurface s;
    const CPixelFormat pf = PixelFormatOf(PFID_R5G6B5);
    for (auto [w, h] : {std::pair{0, 10}, std::pair{10, -1}, std::pair{5000, 10}}) {
        try {
            s.Initialize(w, h, pf);
            FAIL() << w << "x" << h;
        } catch (const CDirectDrawException& e) {
            EXPECT_EQ(e.Result(), DDERR_INVALIDPARAMS);
        }
    }
    try {
        s.Initialize(8, 8, CPixelFormat{});
        FAIL() << "empty format accepted";
    } catch (const CDirectDrawException& e) {
        EXPECT_EQ(e.Result(), DDERR_INVALIDPIXELFORMAT);
    }
    EXPECT_FALSE(s.IsInitialized());
    EXPECT_EQ(s.Lock(0), nullptr);
    EXPECT_THROW(s.Clear(0), CDirectDrawException);
}

TEST(DirectDrawSurface, LocksCountAndClearFills)
{
    CDirectDrawSurface s;
    s.Initialize(4, 3, PixelFormatOf(PFID_R5G6B5));
    EXPECT_EQ(s.Lock(1), nullptr);
    EXPECT_EQ(s.Lock(0), s.pixels);
    EXPECT_NE(s.Lock(0), nullptr);
    EXPECT_EQ(s.LockCount(), 2);
    s.Unlock();
    s.Unlock();
    s.Unlock();
    EXPECT_EQ(s.LockCount(), 0);

    s.Clear(0xABCD);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(get16(s, x, y), 0xABCD);
}

TEST(DirectDrawSurface, BlitConvertsSameSizeAndStretchesSameFormat)
{
    CDirectDrawSurface dst, src555, small;
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
        EXPECT_EQ((std::vector<uint16_t>{get16(dst, 0, y), get16(dst, 1, y), get16(dst, 2, y), get16(dst, 3, y)}),
                  (std::vector<uint16_t>{0x1111, 0x1111, 0x2222, 0x2222}));

    CDirectDrawSurface small555, empty;
    small555.Initialize(2, 1, PixelFormatOf(PFID_X1R5G5B5));
    EXPECT_THROW(dst.Blit(small555), CDirectDrawException);
    EXPECT_THROW(dst.Blit(empty), CDirectDrawException);
    EXPECT_THROW(empty.Blit(dst), CDirectDrawException);
}
