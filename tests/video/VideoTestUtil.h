// Fixture of the player and stream tests: headless 640x480 window, display layer, sprites, a small video.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/FrameTimer.h"
#include "app/main/Orv_Main.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "DecoderTestUtil.h"
#include "tests/support/ScratchInstall.h"
#include "video/Orv_Qmv.h"
#include "tests/support/HeadlessSuite.h"

class VideoFixture : public HeadlessSpriteTest, protected ScratchInstall {
protected:
    // Five frames, a key frame and four ordinary ones, and the pictures the decoder gives for them when
    // decoded alternately into two pictures.
    static inline std::vector<std::vector<uint8_t>> frames;
    static inline std::vector<Picture> reference;

    static void SetUpTestSuite() {
        HeadlessSpriteTest::SetUpTestSuite();
        if (!frames.empty()) return;
        frames = MovingSquareFrames(5, 60);
        QmvDec_Init565();
        Picture pics[2] = {Picture(size_t(PW) * PH, 0), Picture(size_t(PW) * PH, 0)};
        for (size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(Decode(frames[i], pics[i % 2], pics[(i + 1) % 2]), QMVDEC_OK);
            reference.push_back(pics[(i + 1) % 2]);
        }
    }
    // The video's blocks, one "IV" chunk each.
    static std::vector<QmvBlock> Blocks() {
        std::vector<QmvBlock> blocks;
        for (const auto& f : frames) blocks.push_back({{{'I', 'V'}, f}});
        return blocks;
    }

    void SetUp() override {
        OpenInstall(false);
        cd_init();
        Input_Reset();
        frame_timer_reset();
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        loopType = LOOP_WARP;
        OrvQmv_SetLink(Link());
    }
    static OrvQmvLink Link() {
        OrvQmvLink link;
        link.getLoopType = [] { return loopType; };
        link.setLoopType = [](int32_t t) { return std::exchange(loopType, t); };
        return link;
    }

    void TearDown() override {
        OrvQmv_stop();
        OrvQmv_ClearMusicFlag();
        OrvQmv_SetLink(OrvQmvLink{});
        while (OrvDisplay_GetLockCount() > 0) OrvDisplay_UnlockSurface();
        OrvDisplay_Close();
        window.Close();
        Input_Reset();
        frame_timer_reset();
        CloseInstall();
    }

    std::string WriteVideo(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir / ("datas_q2/qmv/" + name);
        EXPECT_TRUE(WriteFileBytes(path, bytes.data(), bytes.size()));
        return path;
    }
    // One tick of the frame timer.
    static void Tick() { ++FrameCount, NewFrameFlags |= NEWFRAME_ALL; }
    // The frame on screen equals a reference picture.
    bool ScreenShows(const Picture& picture) {
        Velkrum::CDirectDrawSurface& back = window.GetBackBuffer();
        const auto* px = static_cast<const uint8_t*>(back.Lock());
        bool same = true;
        for (int y = 0; y < 480 && same; ++y)
            same = std::memcmp(px + size_t(y) * size_t(back.PitchBytes()), &picture[size_t(y) * 640], 1280) == 0;
        back.Unlock();
        return same;
    }

    static inline int32_t loopType = LOOP_WARP;
    Velkrum::CDirectDrawWindow window;
};
