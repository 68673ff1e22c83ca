// Drawing through the front end: clipping at every edge, hot spots, runs, blend modes per format.
#include <climits>

#include "tests/graphics2d_spr/SprTestUtil.h"

namespace {

constexpr int kW = 20, kH = 16;

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
};

const RefBlend kCopy = [](uint32_t, uint32_t s, uint32_t) { return s; };

TEST_F(SprDraw, ClipsAtEveryEdgeAndCornerOfASubRectangle) {
    const ClipRect clip{3, 12, 15, 4};  // top, bottom, right, left
    const SprImage img = Holed(3, 2);
    SprBank* bank = Load({img});
    // Hot-spot positions that put the sprite across each edge and corner, inside, and wholly outside.
    const int xs[] = {-10, 1, 2, 4, 10, 14, 15, 18, 30};
    const int ys[] = {-10, 1, 3, 8, 11, 12, 14, 25};
    for (const CPixelFormat& pf : {Fmt565(), Fmt555(), Fmt8888()}) {
        OrvSpr_SetScreenFormat(pf);
        for (int x : xs)
            for (int y : ys) {
                GuardedTarget t(pf, kW, kH);
                const std::vector<uint32_t> before = t.All();
                OrvSpr_SetSurfaceInfo(&t.surf);
                OrvSpr_SetClip(clip);
                OrvSpr_Aff(bank, 0, x, y, SPR_MODE_PLAIN);
                ASSERT_EQ(t.All(), Expected(t, before, img, x - 3, y - 2, clip, kCopy))
                    << pf.bitsPerPixel << " bpp at " << x << "," << y;
            }
    }
    EXPECT_TRUE(lines.empty());
    OrvSpr_LibereBank(&bank);
}

TEST_F(SprDraw, HotSpotsCentringAndTheNoPositionValue) {
    // Sprite 1 carries its screen place as a negative hot spot, as overlays do.
    const SprImage a = Holed(3, 2), b = Picture(4, 4, -6, -5, [](int, int) { return false; });
    SprBank* bank = Load({a, b});
    const ClipRect whole{0, kH - 1, kW - 1, 0};
    GuardedTarget t(Fmt565(), kW, kH);
    OrvSpr_SetSurfaceInfo(&t.surf);

    std::vector<uint32_t> before = t.All();
    OrvSpr_Aff(bank, 1, SPR_NOPOS, SPR_NOPOS, SPR_MODE_PLAIN);
    EXPECT_EQ(t.All(), Expected(t, before, b, 6, 5, whole, kCopy));

    // Centred: the corner is (x - w/2, y - h/2) whatever the hot spot.
    before = t.All();
    OrvSpr_Aff_centre(bank, 0, 10, 8, SPR_MODE_PLAIN);
    EXPECT_EQ(t.All(), Expected(t, before, a, 10 - 3, 8 - 2, whole, kCopy));
    before = t.All();
    OrvSpr_Aff_centre(bank, 1, 2, 2, SPR_MODE_PLAIN);
    EXPECT_EQ(t.All(), Expected(t, before, b, 0, 0, whole, kCopy));

    // Extreme positions neither overflow nor draw.
    before = t.All();
    OrvSpr_Aff(bank, 0, INT_MAX, INT_MAX, SPR_MODE_PLAIN);
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
    OrvSpr_SetScreenFormat(Fmt8888());
    GuardedTarget t(Fmt8888(), 610, 5);
    std::vector<uint32_t> before = t.All();
    OrvSpr_SetSurfaceInfo(&t.surf);
    OrvSpr_Aff(bank, 0, 2, 1, SPR_MODE_PLAIN);
    EXPECT_EQ(t.All(), Expected(t, before, img, 2, 1, ClipRect{0, 4, 609, 0}, kCopy));
    // The 8-bit source colours survive the 32-bit conversion unchanged.
    EXPECT_EQ(t.Get(2 + 599 - 10, 3), img.pixels[2 * 600 + 599 - 10]);
    OrvSpr_LibereBank(&bank);
}

TEST_F(SprDraw, BlendModesFollowTheirChannelFormulasOn565And555) {
    const SprImage plain = Holed(0, 0);
    SprImage alpha = plain;
    for (size_t i = 0; i < alpha.pixels.size(); ++i)
        if (alpha.pixels[i]) alpha.pixels[i] = (alpha.pixels[i] & 0xFFFFFF) | uint32_t((i * 41 + 1) & 0xFF) << 24;
    SprBank* bank = Load({plain});
    SprBank* alphaBank = nullptr;
    Write("spr/alpha.spr", Encode({alpha}, SprFileKind::BankAlpha));
    ASSERT_TRUE(OrvSpr_LoadBank("alpha.spr", &alphaBank, 0));

    auto level = [](uint32_t l) {
        return [l](uint32_t d, uint32_t s, uint32_t) { return (s * l + d * (256 - l)) >> 8; };
    };
    struct Case {
        int mode;
        std::function<uint32_t(uint32_t, uint32_t, uint32_t)> channel;
    };
    const Case cases[] = {
        {SPR_MODE_TRS50, [](uint32_t d, uint32_t s, uint32_t) { return (d + s) >> 1; }},
        {SPR_MODE_ECL, [](uint32_t d, uint32_t s, uint32_t m) { return std::min(d + s, m); }},
        {SPR_MODE_OMB, [](uint32_t d, uint32_t, uint32_t) { return d * 128 >> 8; }},
        {SPR_MODE_TRS + 0, level(0)},
        {SPR_MODE_TRS + 77, level(77)},
        {SPR_MODE_TRS + 256, level(256)},
    };
    const ClipRect clip{1, 14, 18, 1};
    for (const CPixelFormat& pf : {Fmt565(), Fmt555()}) {
        for (const Case& c : cases) {
            GuardedTarget t(pf, kW, kH);
            const std::vector<uint32_t> before = t.All();
            OrvSpr_SetSurfaceInfo(&t.surf);
            OrvSpr_SetClip(clip);
            OrvSpr_Aff(bank, 0, -2, 10, c.mode);
            const RefBlend ref = [&](uint32_t d, uint32_t s, uint32_t) { return PerChannel(pf, d, s, c.channel); };
            EXPECT_EQ(t.All(), Expected(t, before, plain, -2, 10, clip, ref))
                << "mode " << c.mode << " green " << pf.greenMask;
        }
        GuardedTarget t(pf, kW, kH);
        const std::vector<uint32_t> before = t.All();
        OrvSpr_SetSurfaceInfo(&t.surf);
        OrvSpr_SetClip(clip);
        OrvSpr_Aff(alphaBank, 0, 15, 3, SPR_MODE_ALPHA);
        const RefBlend ref = [&](uint32_t d, uint32_t s, uint32_t a) {
            const uint32_t l = a + (a >> 7);
            return PerChannel(pf, d, s, [l](uint32_t dc, uint32_t sc, uint32_t) { return (sc * l + dc * (256 - l)) >> 8; });
        };
        EXPECT_EQ(t.All(), Expected(t, before, alpha, 15, 3, clip, ref)) << "alpha";
    }
    EXPECT_TRUE(lines.empty());
    OrvSpr_LibereBank(&bank);
    OrvSpr_LibereBank(&alphaBank);
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
        OrvSpr_SetScreenFormat(c.pf);
        GuardedTarget t(c.pf, 4, 1, 1);
        t.FillWith(c.bg);
        OrvSpr_SetSurfaceInfo(&t.surf);
        OrvSpr_Aff(bank, 0, 1, 0, c.mode);
        EXPECT_EQ(t.Get(0, 0), c.bg);
        EXPECT_EQ(t.Get(1, 0), c.white) << "mode " << c.mode;
        EXPECT_EQ(t.Get(2, 0), c.grey) << "mode " << c.mode;
        EXPECT_EQ(t.Get(3, 0), c.bg);
    }
    OrvSpr_LibereBank(&bank);
}

TEST_F(SprDraw, BankFollowsTheTargetFormat) {
    // Loaded for 5-6-5, then drawn into 32-bit and 5-5-5 surfaces: the palette is converted again.
    const SprImage img = Holed(0, 0);
    SprBank* bank = Load({img});
    const ClipRect whole{0, kH - 1, kW - 1, 0};
    for (const CPixelFormat& pf : {Fmt8888(), Fmt555(), Fmt565()}) {
        GuardedTarget t(pf, kW, kH);
        const std::vector<uint32_t> before = t.All();
        OrvSpr_SetSurfaceInfo(&t.surf);
        EXPECT_TRUE(OrvSpr_Aff(bank, 0, 4, 4, SPR_MODE_PLAIN));
        EXPECT_EQ(t.All(), Expected(t, before, img, 4, 4, whole, kCopy)) << pf.bitsPerPixel;
    }
    OrvSpr_LibereBank(&bank);
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
    EXPECT_FALSE(OrvSpr_Aff(bank, -1, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(Warned("OrvSpr_Aff(): sprite 1 : Numéro de sprite hors limites (1 sprites)"));
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, 7));
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, SPR_MODE_TRS + 257));
    EXPECT_TRUE(Warned("OrvSpr_Aff(): mode 7 : Paramètre invalide"));

    CBufferSurface rgb24(t.surf.pixels, kW, kH, kW, CPixelFormat{PF_RGB, 24, 0, 0xFF0000, 0xFF00, 0xFF, 0});
    OrvSpr_SetSurfaceInfo(&rgb24);
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, SPR_MODE_PLAIN));
    CBufferSurface bgr565(t.surf.pixels, kW, kH, kW, CPixelFormat{PF_RGB, 16, 0, 0x1F, 0x7E0, 0xF800, 0});
    OrvSpr_SetSurfaceInfo(&bgr565);
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(WarnedContaining("format de surface non géré"));
    CBufferSurface unlocked(nullptr, kW, kH, kW, Fmt565());
    OrvSpr_SetSurfaceInfo(&unlocked);
    EXPECT_FALSE(OrvSpr_Aff(bank, 0, 1, 1, SPR_MODE_PLAIN));
    EXPECT_TRUE(Warned("OrvSpr_Aff(): Surface cible invalide"));

    EXPECT_EQ(t.All(), before);
    OrvSpr_LibereBank(&bank);
}

}  // namespace
