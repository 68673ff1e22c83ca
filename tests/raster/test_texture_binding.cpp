// Texture binding: what SetTexture publishes, the surfaces it refuses, and every family's texture rows
// drawing from textures that end at a guard page.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "raster/Rasterizer.h"
#include "tests/graphics2d/WarningCapture.h"
#include "tests/support/SimdLevels.h"

namespace {

CPixelFormat Fmt(int id) { return PixelFormatOf(id); }

// Pages of memory followed by a page that may not be touched: Tail(n) ends right before it.
class GuardedMemory {
public:
    explicit GuardedMemory(size_t bytes)
    {
        page_ = size_t(sysconf(_SC_PAGESIZE));
        size_ = (bytes + page_ - 1) / page_ * page_;
        base_ = static_cast<uint8_t*>(mmap(nullptr, size_ + page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        EXPECT_NE(base_, MAP_FAILED);
        EXPECT_EQ(mprotect(base_ + size_, page_, PROT_NONE), 0);
    }
    ~GuardedMemory() { munmap(base_, size_ + page_); }
    GuardedMemory(const GuardedMemory&) = delete;
    GuardedMemory& operator=(const GuardedMemory&) = delete;
    uint8_t* Tail(size_t bytes) const { return base_ + size_ - bytes; }

private:
    uint8_t* base_;
    size_t page_, size_;
};

struct Published {
    float scaleU, scaleV;
    uint32_t maskLo, maskHi, shift;
};
Published Now()
{
    const SpanState& s = rastState;
    return {s.rastTexScaleU, s.rastTexScaleV, s.rastTexMaskLo, s.rastTexMaskHi, s.rastTexShift};
}

}  // namespace

// Scales, masks and shift from the sides rounded up to powers of two (v always spans 2^26 over a
// power-of-two height); the picture inside a larger block is addressed through the block's rows.
TEST(TextureBinding, PublishedValues)
{
    CTRasterizer r;
    struct Case {
        int w, h, blockW, blockH;
        Published want;
    };
    const Case cases[] = {
        {256, 256, 256, 256, {262144.0f, 67108864.0f, 0x00FFFFFF, 0xFF000000, 16}},
        {64, 32, 64, 32, {64.0f * 32768.0f, 32.0f * 2097152.0f, 0x07FFFFFF, 0xF8000000, 21}},
        {100, 50, 128, 64, {100.0f * 8192.0f, 50.0f * 1048576.0f, 0x03FFFFFF, 0xFC000000, 19}},
        {1, 1, 1, 1, {67108864.0f, 67108864.0f, 0xFFFFFFFF, 0, 32}},
    };
    for (const Case& c : cases) {
        CSystemMemorySurface s;
        ASSERT_TRUE(s.Create(c.blockW, c.blockH, Fmt(PFID_R5G6B5)));
        s.width = c.w, s.height = c.h;
        r.SetTexture(&s);
        ASSERT_TRUE(r.EnabledMask() & RM_TEXTURE) << c.w << "x" << c.h;
        const Published p = Now();
        EXPECT_EQ(p.scaleU, c.want.scaleU) << c.w << "x" << c.h;
        EXPECT_EQ(p.scaleV, c.want.scaleV) << c.w << "x" << c.h;
        EXPECT_EQ(p.maskLo, c.want.maskLo) << c.w << "x" << c.h;
        EXPECT_EQ(p.maskHi, c.want.maskHi) << c.w << "x" << c.h;
        EXPECT_EQ(p.shift, c.want.shift) << c.w << "x" << c.h;
        EXPECT_EQ(rastState.rastTexBits, s.pixels);
        EXPECT_EQ(rastState.rastTexLastColumn, c.w - 1);
        EXPECT_EQ(rastState.rastTexLastRow, c.h - 1);
    }
}

// Surfaces whose memory does not hold the block the spans address are refused with a warning and
// leave no texture bound; the published values stay those of the last texture accepted.
TEST(TextureBinding, SurfacesTooSmallForTheirBlockAreRefused)
{
    CTRasterizer r;
    CSystemMemorySurface good;
    ASSERT_TRUE(good.Create(128, 64, Fmt(PFID_R5G6B5)));
    good.width = 100, good.height = 50;

    CSystemMemorySurface square, shortBlock, narrowPitch;
    ASSERT_TRUE(square.Create(100, 100, Fmt(PFID_R5G6B5)));        // addressed as 128 x 128
    ASSERT_TRUE(shortBlock.Create(128, 63, Fmt(PFID_R5G6B5)));     // one row short of its claim
    shortBlock.height = 64;
    std::vector<uint16_t> memory(100 * 64);
    CBufferSurface narrow(memory.data(), 100, 64, 100, Fmt(PFID_R5G6B5));  // rows of 100, not 128
    // Rows of 128 whose last one ends after the picture's 100 texels, 28 short of the block.
    std::vector<uint16_t> lastShort(128 * 63 + 100);
    CBufferSurface view(lastShort.data(), 100, 64, 128, Fmt(PFID_R5G6B5));
    CSystemMemorySurface empty;

    for (CSurface* bad : std::initializer_list<CSurface*>{&square, &shortBlock, &narrow, &view, &empty}) {
        r.SetTexture(&good);
        const Published before = Now();
        WarningCapture warnings;
        r.SetTexture(bad);
        EXPECT_FALSE(r.EnabledMask() & RM_TEXTURE) << bad->width << "x" << bad->height;
        EXPECT_TRUE(warnings.Warned("SetTexture")) << bad->width << "x" << bad->height;
        EXPECT_EQ(Now().scaleU, before.scaleU);
        EXPECT_EQ(rastState.rastTexBits, good.pixels);
        r.SetRenderMode(0x8);
        EXPECT_EQ(r.CurrentRow(), RasterizerTableBegin()) << "a refused texture serves no texture row";
    }
    // A refusal is reported once while the same surface is offered again; null is no texture.
    r.SetTexture(&square);
    WarningCapture warnings;
    r.SetTexture(&square);
    r.SetTexture(nullptr);
    EXPECT_FALSE(warnings.Warned("SetTexture"));
}

// Every texture row of every family, 8 and 16-bit texels, coordinates far outside 0..1, at every
// vector level: a texture whose block ends at a guard page draws, down to blocks of one texel; a
// picture whose memory ends there without its block is refused (a read past it would fault).
TEST(TextureBinding, EveryTextureRowStaysInsideTexturesEndingAtAGuardPage)
{
    constexpr int kW = 64, kH = 48;
    CSystemMemorySurface target, z32;
    ASSERT_TRUE(target.Create(kW, kH, Fmt(PFID_R5G6B5)));
    ASSERT_TRUE(z32.Create(kW, kH, Fmt(PFID_Z32)));
    std::vector<uint16_t> plane(kRastPaletteRows * kRastPaletteEntries, 0x1234);
    CBufferSurface palette(plane.data(), kRastPaletteEntries, kRastPaletteRows, kRastPaletteEntries, Fmt(PFID_R5G6B5));

    GuardedMemory g16(128 * 64 * 2), g8(128 * 64), gPicture16(100 * 50 * 2), gPicture8(100 * 50);
    std::memset(g16.Tail(128 * 64 * 2), 0x5A, 128 * 64 * 2);
    std::memset(g8.Tail(128 * 64), 7, 128 * 64);
    CBufferSurface block16(g16.Tail(128 * 64 * 2), 128, 64, 128, Fmt(PFID_R5G6B5));
    CBufferSurface block8(g8.Tail(128 * 64), 128, 64, 128, Fmt(PFID_P8));
    CBufferSurface picture16(gPicture16.Tail(100 * 50 * 2), 100, 50, 100, Fmt(PFID_R5G6B5));
    CBufferSurface picture8(gPicture8.Tail(100 * 50), 100, 50, 100, Fmt(PFID_P8));
    // The picture's size inside the whole block, as the loader keeps it.
    block16.width = block8.width = 100;
    block16.height = block8.height = 50;
    // Blocks of fewer texels than a 32-bit word of 8-bit texels holds, and up to four: every word a
    // vector loop may read of them is the block's own.
    struct Tiny {
        int w, h;
    };
    const Tiny tinySizes[] = {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {4, 1}, {1, 4}};
    std::vector<std::unique_ptr<GuardedMemory>> tinyMemory;
    std::vector<std::unique_ptr<CBufferSurface>> tiny8, tiny16;
    for (const Tiny& t : tinySizes) {
        const size_t n = size_t(t.w * t.h);
        tinyMemory.push_back(std::make_unique<GuardedMemory>(n));
        std::memset(tinyMemory.back()->Tail(n), 7, n);
        tiny8.push_back(std::make_unique<CBufferSurface>(tinyMemory.back()->Tail(n), t.w, t.h, t.w, Fmt(PFID_P8)));
        tinyMemory.push_back(std::make_unique<GuardedMemory>(2 * n));
        std::memset(tinyMemory.back()->Tail(2 * n), 0x5A, 2 * n);
        tiny16.push_back(
            std::make_unique<CBufferSurface>(tinyMemory.back()->Tail(2 * n), t.w, t.h, t.w, Fmt(PFID_R5G6B5)));
    }
    // The textures of each draw (8-bit, 16-bit) and whether the rasteriser takes them.
    struct Case {
        CSurface *t8, *t16;
        bool whole;
        const char* what;
    };
    std::vector<Case> cases = {{&block8, &block16, true, "block"}, {&picture8, &picture16, false, "picture"}};
    for (size_t i = 0; i < std::size(tinySizes); ++i) cases.push_back({tiny8[i].get(), tiny16[i].get(), true, "tiny block"});

    const struct {
        int kind, first, count;
    } families[] = {{1, kPortableFirstRow, kPortableRows}, {6, kMmxFirstRow, kHandWrittenRows},
                    {8, kP2FirstRow, kHandWrittenRows}, {18, kK63DFirstRow, kHandWrittenRows}};
    int drawn = 0;
    const WarningCapture refusals;
    AtEverySimdLevel([&] {
        for (const auto& f : families) {
            CTRasterizer r;
            r.SetProcessor(f.kind);
            r.SetTarget(&target);
            r.ZBuffer(&z32);
            r.SetTexturePalette(&palette);
            r.SetViewport({0, kH - 1, kW - 1, 0});
            r.SetVarAlpha(0.5f);
            r.BeginScene();
            for (int i = f.first; i < f.first + f.count; ++i) {
                const RasterizerRow& row = rasterizerTable[i];
                if (!(row.mode & RM_TEXTURE)) continue;
                const bool tex8 = row.mode & RM_TEXTURE8;
                for (const Case& c : cases) {
                    SCOPED_TRACE(testing::Message() << row.name << " " << c.what << " " << c.t8->width << "x" << c.t8->height);
                    const bool whole = c.whole;
                    r.SetTexture(tex8 ? c.t8 : c.t16);
                    r.SetRenderMode(row.mode & ~RM_LINEAR_TWIN);
                    ASSERT_EQ(r.CurrentRow() == &row, whole);
                    std::fill_n(static_cast<uint16_t*>(target.pixels), kW * kH, uint16_t(0x8410));
                    std::memset(z32.pixels, 0, size_t(kW * kH * 4));
                    const RastVertex v[3] = {{-5, -3, 0.9f, -3.3f, -2.1f, 0, 0, 0.7f, 0},
                                             {70, 10, 0.2f, 5.7f, -1.4f, 0, 0, 0.1f, 0},
                                             {20, 52, 0.5f, 1.5f, 6.2f, 0, 0, 1.0f, 0}};
                    std::copy(v, v + 3, rastState.rastVertices);
                    rastState.rastVertexEnd = rastState.rastVertices + 3;
                    r.DrawTriangle();
                    if (whole && (row.mode & RM_ZKIND_MASK) != RM_ZKIND_B15) {
                        const auto* p = static_cast<const uint16_t*>(target.pixels);
                        drawn += std::count_if(p, p + kW * kH, [](uint16_t px) { return px != 0x8410; }) > 100;
                    }
                }
            }
        }
    });
    // Every textured row of the four groups drew from each whole block, at every vector level.
    EXPECT_EQ(drawn, (96 + 3 * 104) * int(1 + std::size(tinySizes)) * (Simd_Available() == SimdLevel::Avx2 ? 2 : 1));
}
