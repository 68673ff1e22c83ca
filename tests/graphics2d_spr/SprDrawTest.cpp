// Drawing through the front end: clipping at every edge, hot spots, runs, blend modes per format.
#include <climits>

#include "tests/graphics2d_spr/SprTestUtil.h"

namespace {

constexpr int kW = 20, kH = 16;
const ClipRect kWhole{0, kH - 1, kW - 1, 0};
const RefBlend kCopy = [](uint32_t, uint32_t s, uint32_t) { return s; };

// 7 x 5 with holes: a transparent column, a transparent corner and a fully transparent row.
SprImage Holed(int hx, int hy) {
    return Picture(7, 5, hx, hy, [](int x, int y) { return x == 2 || (x > 4 && y < 2) || y == 3; });
}

class SprDraw : public SprTest {
protected:
    SprBank* Load(const std::vector<SprImage>& images, SprFileKind kind = SprFileKind::Bank) {
        Write("spr/draw.spr", Encode(images, kind));
        SprBank* bank = nullptr;
        EXPECT_TRUE(OrvSpr_LoadBank("draw.spr", &bank, 0));
        return bank;
    }
    // Draws with draw() into a fresh target and compares the whole buffer, margins included.
    void ExpectDraw(const CPixelFormat& pf, const ClipRect* clip, const std::function<void()>& draw, const SprImage& img,
                    int cx, int cy, const RefBlend& blend, const std::string& what) {
        GuardedTarget t(pf, kW, kH);
        const std::vector<uint32_t> before = t.All();
        OrvSpr_SetSurfaceInfo(&t.surf);
        if (clip) OrvSpr_SetClip(*clip);
        draw();
        ASSERT_EQ(t.All(), Expected(t, before, img, cx, cy, clip ? *clip : kWhole, blend)) << what;
    }
};

TEST_F(SprDraw, ClipsAtEveryEdgeAndCornerInEveryTargetFormat) {
    // The bank is loaded for 5-6-5 and follows each target's format when drawn.
    const ClipRect clip{3, 12, 15, 4};  // top, bottom, right, left
    const SprImage img = Holed(3, 2);
    SprBank* bank = Load({img});
    // Hot-spot positions that put the sprite across each edge and corner, inside, and wholly outside.
    for (const CPixelFormat& pf : {Fmt565(), Fmt555(), Fmt8888()})
        for (int x : {-10, 1, 2, 4, 10, 14, 15, 18, 30})
            for (int y : {-10, 1, 3, 8, 11, 12, 14, 25})
                ExpectDraw(pf, &clip, [&] { OrvSpr_Aff(bank, 0, x, y, SPR_MODE_PLAIN); }, img, x - 3, y - 2, kCopy,
                           std::to_string(pf.bitsPerPixel) + " bpp at " + std::to_string(x) + "," + std::to_string(y));
    EXPECT_TRUE(lines.empty());
    OrvSpr_LibereBank(&bank);
}

TEST_F(SprDraw, HotSpotsCentringAndTheNoPositionValue) {
    // Sprite 1 carries its screen place as a negative hot spot, as overlays do.
    const SprImage a = Holed(3, 2), b = Picture(4, 4, -6, -5, [](int, int) { return false; });
    SprBank* bank = Load({a, b});
    ExpectDraw(Fmt565(), nullptr, [&] { OrvSpr_Aff(bank, 1, SPR_NOPOS, SPR_NOPOS, SPR_MODE_PLAIN); }, b, 6, 5, kCopy, "nopos");
    // Centred: the corner is (x - w/2, y - h/2) whatever the hot spot.
    ExpectDraw(Fmt565(), nullptr, [&] { OrvSpr_Aff_centre(bank, 0, 10, 8, SPR_MODE_PLAIN); }, a, 7, 6, kCopy, "centre");
    ExpectDraw(Fmt565(), nullptr, [&] { OrvSpr_Aff_centre(bank, 1, 2, 2, SPR_MODE_PLAIN); }, b, 0, 0, kCopy, "centre");
    // Extreme positions neither overflow nor draw.
    GuardedTarget t(Fmt565(), kW, kH);
    const std::vector<uint32_t> before = t.All();
    OrvSpr_SetSurfaceInfo(&t.surf);
    OrvSpr_Aff(bank, 0, INT_MAX, INT_MIN, SPR_MODE_PLAIN);
    OrvSpr_Aff(bank, 1, INT_MIN + 1, INT_MIN + 1, SPR_MODE_PLAIN);
    OrvSpr_Aff_centre(bank, 0, INT_MIN, INT_MAX, SPR_MODE_PLAIN);
    EXPECT_EQ(t.All(), before);
    EXPECT_TRUE(lines.empty());
    OrvSpr_LibereBank(&bank);
}

TEST_F(SprDraw, LongSkipsAndRunsRoundTripExactly) {
    // Rows wider than one packet: runs and skips above 255 pixels, a row wholly transparent.
    SprImage img = Picture(600, 3, 0, 0, [](int x, int y) { return y == 1 || (x >= 10 && x < 300) || x >= 590; });
    for (size_t i = 0; i < img.pixels.size(); ++i)
        if (img.pixels[i]) img.pixels[i] = 0xFF000000u | uint32_t(i % 100) << 17 | uint32_t(i / 600) << 6;
    SprBank* bank = Load({img});
    GuardedTarget t(Fmt8888(), 610, 5);
    std::vector<uint32_t> before = t.All();
    OrvSpr_SetSurfaceInfo(&t.surf);
    OrvSpr_Aff(bank, 0, 2, 1, SPR_MODE_PLAIN);
    EXPECT_EQ(t.All(), Expected(t, before, img, 2, 1, ClipRect{0, 4, 609, 0}, kCopy));
    OrvSpr_LibereBank(&bank);
}

TEST_F(SprDraw, BlendResultsOnKnownColours) {
    // One white pixel and one mid-grey pixel over known backgrounds, checked against hand-worked values.
    SprImage img;
    img.width = 2;
    img.height = 1;
    img.pixels = {0xFFFFFFFF, 0xFF808080};
    SprBank* bank = Load({img});
    struct Case {
        CPixelFormat pf;
        int mode;
        uint32_t bg, white, grey;
    };
    const Case cases[] = {
        {Fmt565(), SPR_MODE_PLAIN, 0x0000, 0xFFFF, 0x8410},
        {Fmt565(), SPR_MODE_TRS50, 0x0000, 0x7BEF, 0x4208},  // (31,63,31)/2 = (15,31,15)
        {Fmt565(), SPR_MODE_ECL, 0x8410, 0xFFFF, 0xFFFF},    // 16+16 = 32 saturates at 31; 32+32 = 64 at 63
        {Fmt565(), SPR_MODE_OMB, 0xFFFF, 0x7BEF, 0x7BEF},
        {Fmt555(), SPR_MODE_TRS50, 0x0000, 0x3DEF, 0x2108},  // (31,31,31)/2 = (15,15,15)
        {Fmt555(), SPR_MODE_ECL, 0x4210, 0x7FFF, 0x7FFF},
        {Fmt555(), SPR_MODE_TRS + 64, 0x7C00, 0x7CE7, 0x6C84},  // r (31*64 + 31*192) >> 8 = 31, (16*64 + 31*192) >> 8 = 27
        {Fmt555(), SPR_MODE_TRS + 256, 0x7C00, 0x7FFF, 0x4210},
    };
    for (const Case& c : cases) {
        GuardedTarget t(c.pf, 4, 1, 1);
        t.Fill(c.bg);
        OrvSpr_SetSurfaceInfo(&t.surf);
        OrvSpr_Aff(bank, 0, 1, 0, c.mode);
        std::vector<uint32_t> want(6 * 3, c.bg);  // a one-pixel margin round the 4 x 1 surface
        want[8] = c.white;
        want[9] = c.grey;
        EXPECT_EQ(t.All(), want) << "mode " << c.mode << " green " << c.pf.greenMask;
    }
    OrvSpr_LibereBank(&bank);
}

TEST_F(SprDraw, LevelAndAlphaBlendsOverVariedBackgroundsWithClipping) {
    const SprImage plain = Holed(0, 0);
    SprImage alpha = plain;
    for (size_t i = 0; i < alpha.pixels.size(); ++i)
        if (alpha.pixels[i]) alpha.pixels[i] = (alpha.pixels[i] & 0xFFFFFF) | uint32_t((i * 41 + 1) & 0xFF) << 24;
    SprBank* bank = Load({plain});
    SprBank* alphaBank = nullptr;
    Write("spr/alpha.spr", Encode({alpha}, SprFileKind::BankAlpha));
    ASSERT_TRUE(OrvSpr_LoadBank("alpha.spr", &alphaBank, 0));
    // The alpha mode blends at level a + a / 128.
    const ClipRect clip{1, 14, 18, 1};
    for (const CPixelFormat& pf : {Fmt565(), Fmt555()}) {
        ExpectDraw(pf, &clip, [&] { OrvSpr_Aff(bank, 0, -2, 10, SPR_MODE_TRS + 77); }, plain, -2, 10,
                   [&](uint32_t d, uint32_t s, uint32_t) { return Mix(pf, d, s, 77); }, "level 77");
        ExpectDraw(pf, &clip, [&] { OrvSpr_Aff(alphaBank, 0, 15, 3, SPR_MODE_ALPHA); }, alpha, 15, 3,
                   [&](uint32_t d, uint32_t s, uint32_t a) { return Mix(pf, d, s, a + (a >> 7)); }, "alpha");
    }
    EXPECT_TRUE(lines.empty());
    OrvSpr_LibereBank(&bank);
    OrvSpr_LibereBank(&alphaBank);
}

TEST_F(SprDraw, RefusedDrawsLeaveTheSurfaceAlone) {
    SprBank* bank = Load({Holed(0, 0)});
    GuardedTarget t(Fmt565(), kW, kH);
    const std::vector<uint32_t> before = t.All();
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(Warned("OrvSpr_Aff(): pas de surface cible"));

    OrvSpr_SetSurfaceInfo(&t.surf);
    lines.clear();
    EXPECT_FALSE(OrvSpr_Aff(nullptr, 0, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(lines.empty()) << "a bank that failed to load draws nothing, silently";
    EXPECT_FALSE(OrvSpr_Aff(bank, 1, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(Warned("OrvSpr_Aff(): sprite 1 : Numéro de sprite hors limites (1 sprites)"));
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, 7));
    EXPECT_TRUE(Warned("OrvSpr_Aff(): mode 7 : Paramètre invalide"));

    CBufferSurface bgr565(t.surf.pixels, kW, kH, kW, CPixelFormat{PF_RGB, 16, 0, 0x1F, 0x7E0, 0xF800, 0});
    OrvSpr_SetSurfaceInfo(&bgr565);
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(Logged("format de surface non géré"));
    CBufferSurface unlocked(nullptr, kW, kH, kW, Fmt565());
    OrvSpr_SetSurfaceInfo(&unlocked);
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(Warned("OrvSpr_Aff(): Surface cible invalide"));
    EXPECT_EQ(t.All(), before);
    OrvSpr_LibereBank(&bank);
}

}  // namespace
