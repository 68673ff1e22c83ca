// The dialogue video stream: blend tables, the alpha composite, opening, looping and drawing.
#include <algorithm>

#include "VideoTestUtil.h"
#include "graphics2d/Surface.h"
#include "video/QmvStream.h"

TEST(QmvStreamBlend, TablesWeighTheSceneByTheComplementOfTheLevel) {
    // A black video pixel over every scene pixel: each component becomes about c x (31 - level) / 32.
    for (bool is555 : {false, true}) {
        QmvStream::BuildBlendTables(is555);
        const int greenMask = is555 ? 31 : 63, redShift = is555 ? 10 : 11;
        for (int level : {0, 1, 15, 16, 30, 31})
            for (uint32_t p = 0; p < (is555 ? 0x8000u : 0x10000u); ++p) {
                const uint32_t out = QmvStream::BlendHigh(level, int(p >> 8)) + QmvStream::BlendLow(level, int(p & 255));
                const int k = 31 - level;
                ASSERT_EQ(int(out >> redShift) & 31, (int(p >> redShift & 31) * k) >> 5) << p;
                ASSERT_EQ(int(out & 31), (int(p & 31) * k) >> 5) << p;
                ASSERT_LE(std::abs(int(out >> 5 & greenMask) - int(p >> 5 & greenMask) * k / 32), 1) << p << " " << level;
                ASSERT_LT(out, is555 ? 0x8000u : 0x10000u);
            }
    }
}

TEST(QmvStreamBlend, AlphaRunsClampedToAnyDestination) {
    QmvStream::BuildBlendTables(false);
    const int w = 640, h = 480;
    std::vector<uint16_t> src(size_t(w) * h);
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint16_t(i * 7 + 3);
    // Row 0: 630 pixels skipped, then one run of 20 at level 31 across the row end: 10 here, 10 on row 1.
    const std::vector<uint8_t> runs = {255, 0, 255, 0, 117, 0, 19, 31, 9, 16, 0};  // odd trailing byte ignored

    // A destination wider than the picture: the run continues at the next destination row.
    const int pitch = 700;
    std::vector<uint16_t> wide(size_t(pitch) * 3, 0x8410);
    QmvStream::AlphaCopy(src.data(), wide.data(), runs.data(), uint32_t(runs.size()), w, h, pitch, 3, pitch);
    // Level 16 over grey 0x8410 (16, 32, 16): 15 x 16 / 32 = 7 for red and blue, about 15 for green.
    const uint16_t scene = uint16_t(7 << 11 | 15 << 5 | 7);
    for (int x = 0; x < pitch; ++x) {
        EXPECT_EQ(wide[size_t(x)], x >= 630 && x < 640 ? src[size_t(x)] : 0x8410) << x;
        const uint16_t row1 = x < 10 ? src[size_t(640 + x)] : x < 20 ? uint16_t(src[size_t(640 + x)] + scene) : 0x8410;
        EXPECT_EQ(wide[size_t(pitch + x)], row1) << x;
    }
    // A destination smaller than the picture: nothing written past its width, height or buffer.
    std::vector<uint16_t> small(size_t(100) * 2, 0x1234);
    const std::vector<uint8_t> rowEnd = {255, 0, 255, 0, 117, 0, 9, 31};
    QmvStream::AlphaCopy(src.data(), small.data(), rowEnd.data(), uint32_t(rowEnd.size()), w, h, 100, 2, 100);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint16_t v) { return v == 0x1234; }));
    const std::vector<uint8_t> full = {255, 31, 255, 31, 255, 31, 255, 31};  // 1024 pixels: rows 0, 1 and 2
    QmvStream::AlphaCopy(src.data(), small.data(), full.data(), uint32_t(full.size()), w, h, 100, 2, 100);
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(small[size_t(x)], src[size_t(x)]);
        EXPECT_EQ(small[size_t(100 + x)], src[size_t(640 + x)]);
    }
}

class StreamTest : public VideoFixture {
protected:
    // Mask levels: a vertical band per level group, so runs cross row ends.
    static std::vector<uint8_t> MaskLevels(int frame) {
        std::vector<uint8_t> m(size_t(640) * 480);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) m[size_t(y) * 640 + size_t(x)] = uint8_t(x < 100 ? 0 : x < 300 ? 31 : (x / 20 + y / 16 + frame) % 31);
        return m;
    }
    std::string WriteMasked(const std::string& name, bool withAlpha) {
        auto blocks = Blocks();
        for (size_t i = 0; i < blocks.size() && withAlpha; ++i) blocks[i].push_back({{'A', 'L'}, QmvWriter_AlphaRuns(MaskLevels(int(i)))});
        return WriteVideo(name, QmvWriter_Container(blocks));
    }
    bool SurfaceIs(const Picture& picture) {
        CSurface* s = OrvQmv_GetSurface();
        if (!s) return false;
        s->Lock(0);
        const bool same = std::memcmp(s->pixels, picture.data(), picture.size() * 2) == 0;
        s->Unlock();
        return same;
    }
};

TEST_F(StreamTest, UpdateCompositesThroughTheMask) {
    QmvStream stream;
    stream.Open(WriteMasked("masked.qmv", true));
    ASSERT_TRUE(stream.IsOpen());
    window.GetBackBuffer().Clear(0x8410);
    ASSERT_TRUE(OrvDisplay_LockSurface());
    CSurface* render = OrvDisplay_GetRenderSurface();
    stream.Update(render);
    const std::vector<uint8_t> mask = MaskLevels(1);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 3) {
            uint16_t got;
            std::memcpy(&got, render->Row(y) + 2 * x, 2);
            const uint8_t level = mask[size_t(y) * 640 + size_t(x)];
            const uint16_t v = reference[1][size_t(y) * 640 + size_t(x)];
            const uint16_t expected = level == 0 ? 0x8410 : level == 31 ? v
                : uint16_t(v + QmvStream::BlendHigh(level, 0x84) + QmvStream::BlendLow(level, 0x10));
            ASSERT_EQ(got, expected) << x << "," << y;
        }
    OrvDisplay_UnlockSurface();
}

TEST_F(StreamTest, OpensAtFrameOneLoopsAfterTheLastAndCopiesVideosWithoutAlpha) {
    {
        QmvStream stream;
        stream.Open(dir / "datas_q2/qmv/absent.qmv");
        EXPECT_FALSE(stream.IsOpen());
        EXPECT_TRUE(Logged("void QmvStream::Open(string) ERROR: Pb ouverture QMV"));
        stream.Open(WriteMasked("dial/mas1c2.qmv", true));
        ASSERT_TRUE(stream.IsOpen());
        for (int f : {1, 2, 3, 4, 1}) {
            EXPECT_EQ(stream.GetFrame(), f);
            EXPECT_TRUE(SurfaceIs(reference[size_t(f)])) << f;
            stream.Advance();
        }
        stream.Close();
        EXPECT_FALSE(OrvQmv_IsOpen());
        // Closed: advancing and drawing do nothing.
        stream.Advance();
        stream.Update(OrvDisplay_GetRenderSurface());
        EXPECT_EQ(stream.GetFrame(), 0);

        // Without alpha the frame is copied whole.
        stream.Open(WriteMasked("plain.qmv", false));
        ASSERT_TRUE(stream.IsOpen());
        EXPECT_TRUE(Logged("void QmvStream::Open(string) ATTENTION: ouverture d'un QMV sans ALPHA:"));
        ASSERT_TRUE(OrvDisplay_LockSurface());
        stream.Update(OrvDisplay_GetRenderSurface());
        OrvDisplay_UnlockSurface();
        EXPECT_TRUE(ScreenShows(reference[1]));
    }
    EXPECT_EQ(OrvFile_OpenCount(), 0);
    // A closed stream's close leaves a playing video alone.
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    QmvStream().Close();
    EXPECT_TRUE(OrvQmv_IsOpen());
}
