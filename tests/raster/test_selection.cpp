// CTRasterizer: row selection, fallbacks, the cache and the linear-twin switch.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <cstring>
#include <string>
#include <vector>
#include "raster/Rasterizer.h"
#include "raster_test.h"
#include "tests/support/ForcedProcessorKind.h"

namespace {

CPixelFormat Fmt(int id) { return PixelFormatOf(id); }

class Selection : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(target565.Create(64, 48, Fmt(PFID_R5G6B5)));
        ASSERT_TRUE(target555.Create(64, 48, Fmt(PFID_X1R5G5B5)));
        ASSERT_TRUE(target32.Create(8, 8, Fmt(PFID_X8R8G8B8)));
        ASSERT_TRUE(target8.Create(8, 8, Fmt(PFID_P8)));
        ASSERT_TRUE(z32.Create(64, 48, Fmt(PFID_Z32)));
        ASSERT_TRUE(z16.Create(64, 48, Fmt(PFID_Z16)));
        ASSERT_TRUE(tex16.Create(64, 32, Fmt(PFID_R5G6B5)));
        ASSERT_TRUE(tex8.CreateWithPlane(32, 32, Fmt(PFID_P8), 256, 35, Fmt(PFID_R5G6B5)));
        r.SetProcessor(1);
        r.SetTarget(&target565);
    }
    // Every resource a mode can ask for.
    void SetAllResources()
    {
        r.ZBuffer(&z32);
        r.SetTexture(&tex16);
        r.SetTexturePalette(&tex8.plane);
    }
    int RowIndex() const { return int(r.CurrentRow() - RasterizerTableBegin()); }
    std::string RowName() const { return rastState.rastRowName; }

    CSystemMemorySurface target565, target555, target32, target8, z32, z16, tex16, tex8;
    CTRasterizer r;
};

int GroupFirstRow(uint32_t variant)
{
    switch (variant) {
    case RK_K63D: return kK63DFirstRow;
    case RK_P2: return kP2FirstRow;
    case RK_MMX: return kMmxFirstRow;
    default: return kPortableFirstRow;
    }
}

}  // namespace

TEST_F(Selection, ProcessorKindsMapToVariants)
{
    for (int kind = 0; kind <= 23; ++kind) {
        r.SetProcessor(kind);
        uint32_t expect = RK_PORTABLE;
        if (kind == 0) expect = RK_NONE;
        if (kind == 6 || kind == 22 || kind == 23) expect = RK_MMX;
        if (kind == 8 || kind == 9 || kind == 10) expect = RK_P2;
        if (kind == 18 || kind == 19) expect = RK_K63D;
        EXPECT_EQ(r.Key() & RK_VARIANT_MASK, expect) << kind;
        EXPECT_EQ(r.Key() & RK_FORMAT_MASK, uint32_t(RK_DEST565));
    }
    r.SetProcessor(18);
    r.SetProcessor(24);
    r.SetProcessor(-1);
    EXPECT_EQ(r.Key(), uint32_t(RK_DEST565 | RK_K63D));
    CPixelFormat pf{};
    EXPECT_EQ(r.GetZBufferFormat(pf), Fmt(PFID_Z32));
}

// Every kind draws each mode with a row of its own group, else with a portable row, else as
// wireframe; kind 0 selects exactly what kind 1 selects.
TEST_F(Selection, EveryKindSelectsRowsOfItsGroup)
{
    SetAllResources();
    for (int kind = 0; kind <= 23; ++kind) {
        r.SetProcessor(kind);
        const uint32_t variant = r.Key() & RK_VARIANT_MASK;
        const int first = GroupFirstRow(variant);
        for (int i = 1; i < kRasterizerRows; ++i) {
            const RenderMode mode = rasterizerTable[i].mode & ~RM_LINEAR_TWIN;
            int expect = rtest::RowOfMode(first, mode);
            if (expect < 0)
                expect = std::max(rtest::RowOfMode(kPortableFirstRow, mode), 0);
            r.SetRenderMode(mode);
            ASSERT_EQ(RowIndex(), expect) << "kind " << kind << " mode " << std::hex << mode;
        }
    }
}

TEST_F(Selection, CompletionFallbackAndFailureCases)
{
    SetAllResources();
    // Completed with the default z kind; twin rows still match; no twin bit without the request's.
    r.SelectRoutine(0x20000E, 0x404);
    EXPECT_EQ(RowName(), "Zi32Texture16FastPerspective1516MX");
    EXPECT_EQ(rastState.rastMode, 0x20010Eu);
    EXPECT_EQ(rastState.rastKey, 0x404u);
    r.SelectRoutine(0x4020000E, 0x404);
    EXPECT_EQ(rastState.rastMode, 0x4020010Eu);

    r.SelectRoutine(0x1, 0x410);
    EXPECT_EQ(RowName(), "FlatC");
    EXPECT_EQ(rastState.rastKey, 0x401u);

    // Add with Gouraudmono exists only in the hand-written groups.
    r.SelectRoutine(0x2100008, 0x401);
    EXPECT_EQ(RowIndex(), 0);
    r.SelectRoutine(0x2100008, 0x404);
    EXPECT_EQ(RowName(), "Texture16LinearAddTransparencyGouraudmono1516MX");

    // Flat with z-buffer: every variant through the portable fallback, none without a z-buffer.
    for (uint32_t v : {RK_PORTABLE, RK_MMX, RK_P2, RK_K63D, RK_NONE}) {
        r.SelectRoutine(0x107, 0x400 | v);
        EXPECT_EQ(RowIndex(), 2) << v;
    }
    r.ZBuffer(nullptr);
    r.SelectRoutine(0x107, 0x410);
    EXPECT_EQ(RowIndex(), 0);
    EXPECT_EQ(rastState.rastMode, 0x107u);

    // 8, 24 and 32-bit destinations and a key without a destination format draw wireframe.
    r.SetTarget(&target32);
    EXPECT_EQ(r.Key() & RK_FORMAT_MASK, uint32_t(RK_DEST32));
    r.SetRenderMode(0x1);
    EXPECT_EQ(RowIndex(), 0);
    r.SetTarget(&target8);
    r.SetRenderMode(0x1);
    EXPECT_EQ(RowIndex(), 0);
    r.SelectRoutine(0x1, 0x001);
    EXPECT_EQ(RowIndex(), 0);
}

TEST_F(Selection, ResourcesDecideAndTheCacheFollowsThem)
{
    // A complete mode, so that the request equals the published rastMode and rastKey.
    r.ZBuffer(&z32);
    r.SetRenderMode(0x20010E);
    EXPECT_EQ(RowIndex(), 0);  // no texture
    r.SetTexture(&tex16);
    r.SetRenderMode(0x20010E);
    EXPECT_EQ(RowName(), "Zi32Texture1516FastPerspective1516C");
    r.SetTexture(nullptr);
    r.SetRenderMode(0x20010E);
    EXPECT_EQ(RowIndex(), 0);

    // Resources too small for what the rows read.
    r.SetTexture(&tex8);
    r.SetRenderMode(0x20000E);
    EXPECT_EQ(RowIndex(), 0) << "16-bit rows on 8-bit texels";
    r.SetTexturePalette(&tex8.plane);
    r.SetRenderMode(0x800E);
    EXPECT_EQ(RowName(), "Zi32Texture8Linear1516C");
    CSystemMemorySurface shortPlane;
    ASSERT_TRUE(shortPlane.Create(256, 1, Fmt(PFID_R5G6B5)));
    r.SetTexturePalette(&shortPlane);
    r.SetRenderMode(0x800E);
    EXPECT_EQ(RowIndex(), 0) << "palette without shading rows";
    r.ZBuffer(&z16);
    r.SetRenderMode(0x806);
    EXPECT_EQ(RowName(), "Zi32b15C");
    r.SetRenderMode(0x107);
    EXPECT_EQ(RowIndex(), 0) << "32-bit z rows on a 16-bit z-buffer";
}

// The linear twin draws triangles at most 32 pixels wide from the first vertex, and draws
// exactly what the linear row draws; wider ones draw what the perspective row draws.
TEST_F(Selection, LinearTwinSwitchDrawsTheTwinsPixels)
{
    r.ZBuffer(&z32);
    auto* texels = static_cast<uint16_t*>(tex16.pixels);
    for (int i = 0; i < 64 * 32; ++i)
        texels[i] = uint16_t(i * 7 + 1);
    r.SetTexture(&tex16);
    r.SetProcessor(6);
    r.SetViewport({0, 47, 63, 0});
    r.BeginScene();

    auto draw = [&](RenderMode mode, float x1, bool viaDrawTriangle) {
        std::memset(target565.pixels, 0, size_t(64 * 48 * 2));
        std::memset(z32.pixels, 0, size_t(64 * 48 * 4));
        r.SetRenderMode(mode);
        const RastVertex v[3] = {{10, 2, 1.0f, 0, 0, 0, 0, 1, 0},
                                 {x1, 30, 0.1f, 1, 0.2f, 0, 0, 1, 0},
                                 {30, 45, 0.5f, 0.1f, 1, 0, 0, 1, 0}};
        std::copy(v, v + 3, rastState.rastVertices);
        rastState.rastVertexEnd = rastState.rastVertices + 3;
        if (viaDrawTriangle)
            r.DrawTriangle();
        else
            rastState.rastTriangleFn();
        const auto* p = static_cast<const uint16_t*>(target565.pixels);
        return std::vector<uint16_t>(p, p + 64 * 48);
    };
    const RenderMode perspective = 0x4020010E, linear = 0x10E;
    const auto narrowTwin = draw(perspective, 42.9f, true);
    EXPECT_EQ(RowName(), "Zi32Texture16FastPerspective1516MX") << "the perspective row is published again";
    EXPECT_EQ(rastState.rastMode, perspective);
    EXPECT_EQ(narrowTwin, draw(linear, 42.9f, false));
    EXPECT_NE(narrowTwin, draw(perspective, 42.9f, false));
    EXPECT_EQ(draw(perspective, 43.0f, true), draw(perspective, 43.0f, false));
    // Without the request's twin bit the perspective row draws.
    EXPECT_EQ(draw(0x20010E, 42.9f, true), draw(0x20010E, 42.9f, false));
}

// The alpha becomes the weight of the blend selected: sixteenths for AddVar and the SubVar blends,
// thirty-seconds for the VarGouraudmono ones, rounded, converted again at every selection.
TEST_F(Selection, VarAlphaIsConvertedForTheBlendSelected)
{
    SetAllResources();
    auto weights = [] {
        const SpanState& s = rastState;
        EXPECT_EQ(s.rastVarWeightR, s.rastVarWeightG);
        EXPECT_EQ(s.rastVarWeightR, s.rastVarWeightB);
        return int(s.rastVarWeightG);
    };
    const RenderMode addVar = 0x1200010E, subVar = 0x1400010E, destSubVar = 0x18000008, varShade = 0x1010010E;
    r.SetRenderMode(addVar);
    r.SetVarAlpha(0.3f);
    EXPECT_EQ(weights(), 5);  // 4.8
    r.SetRenderMode(varShade);
    EXPECT_EQ(weights(), 10);  // 9.6
    r.SetRenderMode(subVar);
    EXPECT_EQ(weights(), 5);
    r.SetRenderMode(destSubVar);
    EXPECT_EQ(weights(), 5);
    for (const auto& [alpha, sixteenths, thirtySeconds] :
         {std::tuple{1.0f, 16, 32}, {2.5f, 16, 32}, {0.0f, 0, 0}, {-1.0f, 0, 0}, {NAN, 0, 0}, {0.99f, 16, 32}, {0.01f, 0, 0}}) {
        r.SetVarAlpha(alpha);
        r.SetRenderMode(addVar);
        EXPECT_EQ(weights(), sixteenths) << alpha;
        r.SetRenderMode(varShade);
        EXPECT_EQ(weights(), thirtySeconds) << alpha;
    }
}

// The published viewport never leaves the destination or the depth buffer, whichever is smaller,
// nor goes left of column 0 or above row 0: a triangle far larger than both writes only inside.
TEST_F(Selection, TheViewportStaysInsideTheDestinationAndTheDepthBuffer)
{
    CSystemMemorySurface smallZ;
    ASSERT_TRUE(smallZ.Create(40, 30, Fmt(PFID_Z32)));
    std::memset(target565.pixels, 0, size_t(64 * 48 * 2));
    std::memset(smallZ.pixels, 0, size_t(40 * 30 * 4));
    r.SetViewport({-20, 1000, 900, -30});
    r.ZBuffer(&smallZ);
    r.BeginScene();
    EXPECT_EQ(rastState.rastClipTop, 0);
    EXPECT_EQ(rastState.rastClipLeft, 0);
    EXPECT_EQ(rastState.rastClipRightEnd, 40);
    EXPECT_EQ(rastState.rastClipBottomEnd, 30);
    r.SetColor(0xFFFFFFFF);
    for (int kind : {1, 6, 8, 18}) {
        r.SetProcessor(kind);
        r.SetRenderMode(0x107);
        ASSERT_EQ(RowName(), "Zi32FlatC");
        const RastVertex v[3] = {{-500, -400, 0.5f, 0, 0, 0, 0, 0, 0}, {3000, -10, 0.5f, 0, 0, 0, 0, 0, 0},
                                 {-20, 2500, 0.5f, 0, 0, 0, 0, 0, 0}};
        std::copy(v, v + 3, rastState.rastVertices);
        rastState.rastVertexEnd = rastState.rastVertices + 3;
        r.DrawTriangle();
    }
    const auto* p = static_cast<const uint16_t*>(target565.pixels);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(p[y * 64 + x] != 0, x < 40 && y < 30) << x << "," << y;
    r.EndScene();

    // Set outside a scene: the surfaces set now; without a depth buffer the destination alone.
    r.SetViewport({0, 100, 100, 0});
    EXPECT_EQ(rastState.rastClipRightEnd, 40);
    EXPECT_EQ(rastState.rastClipBottomEnd, 30);
    r.ZBuffer(nullptr);
    r.SetViewport({5, 70, 80, 2});
    EXPECT_EQ(rastState.rastClipRightEnd, 64);
    EXPECT_EQ(rastState.rastClipBottomEnd, 48);
    EXPECT_EQ(rastState.rastClipLeftF, 2.0f);
    r.BeginScene();
    r.SetViewport({0, 100, 100, 0});
    EXPECT_EQ(rastState.rastClipRightEnd, 64);
    EXPECT_EQ(rastState.rastClipBottomEnd, 48);
}

// The kind a picture test forces holds when nothing has detected the processor yet, reaches rasterisers built
// while it lives, and gives way to the kind before it at its end.
TEST(ForcedKind, HoldsAgainstTheFirstDetectionAndIsUndoneAtItsEnd)
{
    const char* env = std::getenv("QM_CPU_KIND");
    const std::string kept = env ? env : "";
    const bool overridden = env != nullptr;
    setenv("QM_CPU_KIND", "18", 1);
    cpu_forget();
    {
        ForcedProcessorKind forced(CPU_PENTIUM_II);
        const CTRasterizer later;
        EXPECT_EQ(later.Key() & RK_VARIANT_MASK, uint32_t(RK_P2));
        EXPECT_EQ(rasterizerTR.Key() & RK_VARIANT_MASK, uint32_t(RK_P2));
        EXPECT_EQ(ProcessorKind, CPU_PENTIUM_II);
        EXPECT_EQ(GetCPUType(), CPU_PENTIUM_II);
    }
    EXPECT_EQ(ProcessorKind, CPU_AMD_K6_2);
    EXPECT_EQ(rasterizerTR.Key() & RK_VARIANT_MASK, uint32_t(RK_K63D));
    if (overridden)
        setenv("QM_CPU_KIND", kept.c_str(), 1);
    else
        unsetenv("QM_CPU_KIND");
    rasterizerTR.SetProcessor(cpu_redetect());
}
