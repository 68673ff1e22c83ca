// Fixtures of the menu tests: a headless 640x480 frame, the sprite plug-in, input and the debug output; the
// widget and page tests add fonts and menu banks of their own.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"
#include "testdata/MenuArt.h"
#include "testdata/MenuTextWriter.h"
#include "testdata/TempDir.h"
#include "tests/support/HeadlessSuite.h"

// Colours of the test art (0xAARRGGBB) and their 5-6-5 pixels.
constexpr uint32_t kArt[4] = {0xFF2040A0, 0xFFA04020, 0xFF20A040, 0xFF808000};
inline uint16_t Pix565(uint32_t argb) {
    return uint16_t(((argb >> 19) & 0x1F) << 11 | ((argb >> 10) & 0x3F) << 5 | ((argb >> 3) & 0x1F));
}

// The frame, the sprite plug-in, input and the lines of the debug output.
class MenuScreenTest : public HeadlessSpriteTest {
protected:
    void SetUp() override {
        OrvError_ResetForTests();
        DebugOut().SetHook([this](const std::string& line) { lines.push_back(line); });
        Input_Reset();
        frame_timer_reset();
        config_reset();
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
    }
    void TearDown() override {
        OrvDisplay_Close();
        window.Close();
        Input_Reset();
        frame_timer_reset();
        config_reset();
        DebugOut().ResetHook();
        OrvError_ResetForTests();
    }
    // One tick of the frame timer.
    static void Tick() {
        ++FrameCount;
        NewFrameFlags |= NEWFRAME_ALL;
    }
    CSurface& Frame() { return *OrvDisplay_GetRenderSurface(); }
    uint16_t At(int x, int y) {
        uint16_t v;
        std::memcpy(&v, Frame().Row(y) + x * 2, 2);
        return v;
    }
    bool Logged(const std::string& part) const {
        for (const std::string& l : lines)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

    Velkrum::CDirectDrawWindow window;
    std::vector<std::string> lines;
};

class MenuTest : public MenuScreenTest {
protected:
    void SetUp() override {
        MenuScreenTest::SetUp();
        OrvFile_SetInstallDir(dir.Path());
        const std::string ttf = ReadFileText(ORV_FALLBACK_FONT_FILE);
        ASSERT_TRUE(WriteFileBytes(dir / "loc/Sans.ttf", ttf.data(), ttf.size()));
        ASSERT_TRUE(WriteFileText(dir / "loc/Font.txt", FontTxt_Make(FontTxt_StandardBlocks("Sans.ttf"), {}, false)));
        OrvFont_MainInit();

        // Buttons 40x20 with four frames of distinct colours; the slider and scroll bar parts.
        std::vector<SprImage> frames;
        for (uint32_t c : kArt) frames.push_back(MenuArt_Sprite(40, 20, c));
        for (const char* name : {"b_one.spr", "b_two.spr", "a_anim.spr", "s_sw.spr", "b_msg.spr", "p_pic.spr",
                                 "l_list.spr"})
            ASSERT_TRUE(MenuArt_SaveBank(dir.Path(), name, frames));
        ASSERT_TRUE(MenuArt_SaveBank(dir.Path(), "g_son.spr", {MenuArt_Sprite(130, 16, 0xFF404040)}));
        ASSERT_TRUE(MenuArt_SaveBank(dir.Path(), "m_son.spr", {MenuArt_Sprite(8, 14, 0xFFE0E0E0)}));

        ClearFrame();
        ASSERT_TRUE(OrvDisplay_LockSurface());
        OrvSpr_SetSurfaceInfo(OrvDisplay_GetRenderSurface());
    }

    void TearDown() override {
        OrvSpr_SetSurfaceInfo(nullptr);
        EXPECT_EQ(OrvDisplay_GetLockCount(), 1) << "widgets must leave the caller's lock as they found it";
        while (OrvDisplay_GetLockCount() > 0) OrvDisplay_UnlockSurface();
        OrvFont_RemoveFonts();
        MenuScreenTest::TearDown();
    }

    // Input of one pass.
    static void Mouse(int x, int y, bool click = false, bool held = false) {
        MousePosition.x = x;
        MousePosition.y = y;
        MouseClickFlags.click = click ? 1 : 0;
        MouseClickFlags.held = held ? 1 : 0;
    }
    void ClearFrame() { window.GetBackBuffer().Clear(0); }
    // Pixels of full white text (tooltips) in the frame.
    int White() {
        int n = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) n += At(x, y) == 0xFFFF;
        return n;
    }
    std::vector<uint16_t> Snapshot() {
        std::vector<uint16_t> out;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) out.push_back(At(x, y));
        return out;
    }
    // Bounds of the pixels that differ from a snapshot: left, top, right, bottom (left -1 when none).
    struct Bounds {
        int l = -1, t = -1, r = -1, b = -1;
    };
    Bounds ChangedSince(const std::vector<uint16_t>& before) {
        Bounds bd;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (At(x, y) != before[size_t(y) * 640 + size_t(x)]) {
                    if (bd.l < 0 || x < bd.l) bd.l = x;
                    if (bd.t < 0) bd.t = y;
                    bd.r = std::max(bd.r, x);
                    bd.b = y;
                }
        return bd;
    }
    int TextWidth(const std::string& text) {
        OrvDisplay_UnlockSurface();
        OrvFont_PrintBegin(nullptr, "OrvFT_POPUP", 0xFFFFFF);
        OrvTextSize size;
        OrvFont_GetTextSize(text.c_str(), int32_t(text.size()), size);
        OrvFont_PrintEnd();
        OrvDisplay_LockSurface();
        return size.cx;
    }
    TempDir dir;
};
