// Fixture of the player and stream tests: headless 640x480 window, display layer, sprites, a small video.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/main/Orv_Main.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "DecoderTestUtil.h"
#include "testdata/QmvWriter.h"
#include "testdata/TempDir.h"
#include "video/Orv_Qmv.h"
#include "video/QmvDecoder.h"

// The pictures the decoder gives for a video's frame chunks, decoded alternately into two pictures.
inline std::vector<std::vector<uint16_t>> ReferenceDecode(const std::vector<std::vector<uint8_t>>& frames, bool is565) {
    is565 ? QmvDec_Init565() : QmvDec_Init555();
    std::vector<uint16_t> pics[2] = {std::vector<uint16_t>(size_t(640) * 480, 0), std::vector<uint16_t>(size_t(640) * 480, 0)};
    std::vector<std::vector<uint16_t>> out;
    for (size_t i = 0; i < frames.size(); ++i) {
        std::vector<uint16_t>& dst = pics[(i + 1) % 2];
        EXPECT_EQ(QmvDec_DecodeFrame(frames[i].data(), uint32_t(frames[i].size()), pics[i % 2].data(), dst.data()),
                  QMVDEC_OK);
        out.push_back(dst);
    }
    return out;
}

class VideoFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("QM_HEADLESS", "1", 1);
        unsetenv("QM_PIXEL555");
        ASSERT_TRUE(OrvSpr_MainInit());
        // Five frames: a key frame and four ordinary ones.
        if (!FrameChunks().empty()) return;
        QmvEncoder encoder(60);
        const auto pictures = MovingSquare(5);
        for (size_t i = 0; i < pictures.size(); ++i) FrameChunks().push_back(encoder.Encode(pictures[i], i == 0));
        Reference() = ReferenceDecode(FrameChunks(), true);
    }
    static std::vector<std::vector<uint8_t>>& FrameChunks() {
        static std::vector<std::vector<uint8_t>> f;
        return f;
    }
    static std::vector<std::vector<uint16_t>>& Reference() {
        static std::vector<std::vector<uint16_t>> r;
        return r;
    }
    // The video's blocks, one "IV" chunk each, plus what a test adds.
    static std::vector<QmvBlock> Blocks() {
        std::vector<QmvBlock> blocks;
        for (const auto& f : FrameChunks()) blocks.push_back({{{'I', 'V'}, f}});
        return blocks;
    }

    void SetUp() override {
        OrvError_ResetForTests();
        DebugOut().SetHook([this](const std::string& line) { lines.push_back(line); });
        OrvFile_SetInstallDir(dir.Path());
        cd_init();
        Input_Reset();
        frame_timer_reset();
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        loopType = LOOP_WARP;
        OrvQmvLink link;
        link.getLoopType = [] { return loopType; };
        link.setLoopType = [](int32_t t) {
            const int32_t previous = loopType;
            loopType = t;
            return previous;
        };
        OrvQmv_SetLink(link);
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
        DebugOut().ResetHook();
        OrvError_ResetForTests();
    }

    std::string WriteVideo(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir / ("datas_q2/qmv/" + name);
        EXPECT_TRUE(WriteFileBytes(path, bytes.data(), bytes.size()));
        return path;
    }
    // One tick of the frame timer.
    static void Tick() {
        ++FrameCount;
        NewFrameFlags |= NEWFRAME_ALL;
    }
    // The frame on screen equals a reference picture.
    bool ScreenShows(const std::vector<uint16_t>& picture) {
        Velkrum::CDirectDrawSurface& back = window.GetBackBuffer();
        const auto* px = static_cast<const uint8_t*>(back.Lock());
        bool same = true;
        for (int y = 0; y < 480 && same; ++y)
            same = std::memcmp(px + size_t(y) * size_t(back.PitchBytes()), &picture[size_t(y) * 640], 1280) == 0;
        back.Unlock();
        return same;
    }
    bool Logged(const std::string& part) const {
        for (const std::string& l : lines)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

    static inline int32_t loopType = LOOP_WARP;
    TempDir dir;
    Velkrum::CDirectDrawWindow window;
    std::vector<std::string> lines;
};
