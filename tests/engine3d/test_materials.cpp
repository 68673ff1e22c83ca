// Materials on the rasteriser: every state a material can take draws filled faces on a real row in
// every family, depth-tested where a depth buffer is bound, and the translucent faces' blend.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/Cpu.h"
#include "engine3d/Material.h"
#include "engine3d/PolygonPipeline.h"
#include "graphics2d/Draw.h"
#include "graphics2d/PixelFormat.h"
#include "raster/Rasterizer.h"
#include "raster/SpanState.h"
#include "tests/graphics2d/WarningCapture.h"

namespace {

constexpr int kW = 64, kH = 48;
constexpr int kProcessorKinds[] = {CPU_GENERIC, CPU_PENTIUM_MMX, CPU_PENTIUM_II, CPU_AMD_K6_2};
const char* KindName(int kind)
{
    return kind == CPU_GENERIC ? "portable" : kind == CPU_PENTIUM_MMX ? "MMX" : kind == CPU_PENTIUM_II ? "II" : "K6-3D";
}

// 16 palette colours, none black, white or near the background; texel (x, y) holds index (x + y) % 16.
uint32_t PaletteColour(int i) { return 0xFF000000u | uint32_t(0x30 + 12 * i) << 16 | uint32_t(0xF0 - 9 * i) << 8 | 0x20u; }

struct Textures {
    CTTexture t8, t16, refused;
    explicit Textures(const CPixelFormat& f)
    {
        std::vector<uint32_t> palette;
        for (int i = 0; i < 16; ++i) palette.push_back(PaletteColour(i));
        EXPECT_TRUE(t8.CreatePalettised(16, 16, f, palette.data(), 16));
        EXPECT_TRUE(t16.surface.Create(16, 16, f));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                t8.surface.Row(y)[x] = uint8_t((x + y) % 16);
                reinterpret_cast<uint16_t*>(t16.surface.Row(y))[x] = uint16_t(PackColor(f, PaletteColour((x + y) % 16)));
            }
        // Not a power of two and no larger block behind it.
        EXPECT_TRUE(refused.surface.Create(100, 100, f));
    }
};

// A 16-bit destination and a 32-bit depth buffer linked to one rasteriser.
struct Scene {
    CSystemMemorySurface target, zbuffer;
    CTRasterizer rast;
    CTConfigurer conf;
    uint16_t background;

    Scene(const CPixelFormat& f, int kind, bool withDepth)
    {
        EXPECT_TRUE(target.Create(kW, kH, f));
        EXPECT_TRUE(zbuffer.Create(kW, kH, PixelFormatOf(PFID_Z32)));
        background = uint16_t(PackColor(f, 0xFF102060));
        rast.SetProcessor(kind);
        rast.SetTarget(&target);
        rast.ZBuffer(withDepth ? &zbuffer : nullptr);
        rast.SetViewport({0, kH - 1, kW - 1, 0});
        rast.BeginScene();
        // Nothing can be drawn over the left half where the depth buffer is bound.
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                reinterpret_cast<uint16_t*>(target.Row(y))[x] = background;
                reinterpret_cast<uint32_t*>(zbuffer.Row(y))[x] = x < kW / 2 ? 0xFFFFFFFFu : 0u;
            }
    }
    uint16_t Pixel(int x, int y) const { return reinterpret_cast<const uint16_t*>(target.Row(y))[x]; }
    // A 48 x 32 quad at depth 1/w = 0.5, the texture once across it, full vertex intensity.
    void DrawQuad()
    {
        rastState.rastVertexEnd = rastState.rastVertices;
        const float corners[4][4] = {{8, 8, 0, 0}, {56, 8, 1, 0}, {56, 40, 1, 1}, {8, 40, 0, 1}};
        for (const auto& c : corners) rast_emit_vertex(c[0], c[1], 0.5f, c[2], c[3], {1, 1, 1, 1});
        rast_draw_polygon(rast);
    }
    // Pixels of the quad that differ from the background, in the left and the right half.
    std::pair<int, int> Changed() const
    {
        int left = 0, right = 0;
        for (int y = 8; y < 40; ++y)
            for (int x = 8; x < 56; ++x) (x < kW / 2 ? left : right) += Pixel(x, y) != background;
        return {left, right};
    }
};

}  // namespace

// Untextured, 16-bit, 8-bit and refused textures and no material at all; colour key by material and
// by the global switch; shaded palettes; opaque and translucent; with and without a depth buffer;
// both 16-bit formats; every processor family: a filled row every time (never the wireframe row)
// that fills the face, and leaves alone what the depth buffer holds nearer.
TEST(Materials, EveryStateDrawsFilledFacesOnARealRow)
{
    const WarningCapture refusals;
    for (const int fmtId : {PFID_R5G6B5, PFID_X1R5G5B5}) {
        const CPixelFormat f = PixelFormatOf(fmtId);
        Textures tex(f);
        CTTexture* const textures[] = {nullptr, &tex.t16, &tex.t8, &tex.refused};
        for (const int kind : kProcessorKinds)
            // Bits of a state: texture (2), colour key, global switch, translucent, shaded palettes;
            // then no material, with the switch off and on.
            for (int state = 0; state < 64 + 2; ++state)
                for (const bool withDepth : {false, true}) {
                    const bool noMaterial = state >= 64;
                    CTMaterial m;
                    m.colours[0] = {1.0f, 1.0f, 0.0f, (state >> 4) & 1 ? 0.3f : 1.0f};
                    m.texture = textures[state & 3];
                    m.flags = ((state >> 2) & 1 ? MATERIAL_COLORKEY : 0u) | ((state >> 4) & 1 ? MATERIAL_DEFERRED : 0u);
                    Orv3D_Opacity = noMaterial ? state & 1 : (state >> 3) & 1;
                    Scene scene(f, kind, withDepth);
                    scene.conf.lighting = uint8_t((state >> 5) & 1);
                    SCOPED_TRACE(testing::Message() << KindName(kind) << " " << (fmtId == PFID_R5G6B5 ? "565" : "555")
                                                    << " state " << state << (withDepth ? " depth" : ""));
                    const CTMaterial* material = noMaterial ? nullptr : &m;
                    const int result = scene.conf.Material_SetRasterMode(scene.rast, material, nullptr);
                    ASSERT_EQ(result, noMaterial || m.colours[0].w == 1.0f ? 1 : 2);
                    if (result == 2) scene.conf.Material_BindTexture(scene.rast, material, nullptr);
                    ASSERT_NE(scene.rast.CurrentRow(), RasterizerTableBegin()) << std::hex << rastState.rastMode;
                    ASSERT_TRUE(scene.rast.CurrentRow()->setup) << "a filled row";
                    // Textured where the texture is taken, with its own texel kind; flat otherwise.
                    const bool textured = !noMaterial && m.texture && m.texture != &tex.refused;
                    EXPECT_EQ(bool(rastState.rastMode & RM_TEXTURE), textured) << std::hex << rastState.rastMode;
                    EXPECT_EQ(bool(rastState.rastMode & RM_TEXTURE8), textured && m.texture == &tex.t8);
                    EXPECT_EQ(bool(rastState.rastMode & RM_ZBUFFER), withDepth) << std::hex << rastState.rastMode;
                    scene.DrawQuad();
                    scene.conf.Material_UnbindTexture(scene.rast, material, nullptr);
                    const auto [left, right] = scene.Changed();
                    EXPECT_EQ(right, 24 * 32) << std::hex << rastState.rastMode;
                    EXPECT_EQ(left, withDepth ? 0 : 24 * 32) << std::hex << rastState.rastMode;
                }
    }
    Orv3D_Opacity = 0;
}

// A flat panel behind a nearer textured wall stays hidden, and one in front of it covers it.
TEST(Materials, FlatFacesAreHiddenBehindNearerTexturedFaces)
{
    const CPixelFormat f = PixelFormatOf(PFID_R5G6B5);
    Textures tex(f);
    CTMaterial wall, panel;
    wall.texture = &tex.t16;
    wall.colours[0] = panel.colours[0] = {1, 1, 1, 1};
    for (const int kind : kProcessorKinds)
        for (const float panelDepth : {0.25f, 0.75f}) {
            Scene scene(f, kind, true);
            ClearSurface(scene.zbuffer, 0);
            auto draw = [&](const CTMaterial& m, float q) {
                ASSERT_EQ(scene.conf.Material_SetRasterMode(scene.rast, &m, nullptr), 1);
                rastState.rastVertexEnd = rastState.rastVertices;
                const float corners[4][4] = {{8, 8, 0, 0}, {56, 8, 1, 0}, {56, 40, 1, 1}, {8, 40, 0, 1}};
                for (const auto& c : corners) rast_emit_vertex(c[0], c[1], q, c[2], c[3], {1, 1, 1, 1});
                rast_draw_polygon(scene.rast);
                scene.conf.Material_UnbindTexture(scene.rast, &m, nullptr);
            };
            draw(wall, 0.5f);
            draw(panel, panelDepth);
            const uint16_t black = 0;
            EXPECT_EQ(scene.Pixel(30, 20) == black, panelDepth > 0.5f) << KindName(kind) << " panel at " << panelDepth;
        }
}

// The deferred pass blends a translucent face over what lies behind it: per channel
// D + ((S' - D) x w) >> 5 (arithmetic shift), S' the texel at the face's own u and v lit by the
// vertex intensity (the shading plane of its level for 8-bit textures, each channel times
// level / 32 for 16-bit ones) and w = round(32 x alpha), 10 for an alpha of 0.3, where truncation
// would give 9.
TEST(Materials, TranslucentFacesBlendTheirLitTexelsByTheirAlpha)
{
    for (const int fmtId : {PFID_R5G6B5, PFID_X1R5G5B5}) {
        const CPixelFormat f = PixelFormatOf(fmtId);
        const bool is565 = fmtId == PFID_R5G6B5;
        const int shifts[3] = {is565 ? 11 : 10, 5, 0}, maxes[3] = {31, is565 ? 63 : 31, 31};
        Textures tex(f);
        for (const int kind : kProcessorKinds)
            for (const bool tex8 : {true, false}) {
                SCOPED_TRACE(testing::Message() << KindName(kind) << (is565 ? " 565" : " 555") << (tex8 ? " 8-bit" : " 16-bit"));
                CTMaterial glass;
                glass.colours[0] = {1, 1, 1, 0.3f};
                glass.flags = MATERIAL_DEFERRED;
                glass.texture = tex8 ? &tex.t8 : &tex.t16;
                Scene scene(f, kind, false);
                CTPolygonPipeline pipe(64, 64, 4);
                pipe.rasterizer = &scene.rast;
                pipe.configurer = &scene.conf;
                const float corners[4][4] = {{0, 0, 0, 0}, {kW, 0, 1, 0}, {kW, kH, 1, 1}, {0, kH, 0, 1}};
                for (const auto& c : corners) {
                    PipeVertex v;
                    v.sx = c[0], v.sy = c[1], v.q = 0.5f, v.u0 = c[2], v.v0 = c[3];
                    v.diffuse = 0xFF808080;  // intensity 128 / 255: level 16
                    pipe.vertexList.push_back(v);
                }
                PipeFace face;
                face.format = PV_DIFFUSE | PV_TEX0;
                face.count = 4;
                face.key = 0.5f;
                face.material = &glass;
                pipe.faceList.push_back(face);
                // What a previous polygon left in the rasteriser's vertices must not show through.
                for (RastVertex& v : rastState.rastVertices) v.u = v.v = 0.0f, v.shade2 = 1.0f;
                pipe.EndScene();

                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        const int t = (x / 4 + y / 3) % 16;
                        const uint16_t* level16 = static_cast<const uint16_t*>(tex.t8.palette->pixels) +
                                                  (kRastShadeRowFirst + 16) * kRastPaletteEntries;
                        const uint32_t texel = PackColor(f, PaletteColour(t));
                        uint32_t want = 0;
                        for (int c = 0; c < 3; ++c) {
                            const int lit = tex8 ? (level16[t] >> shifts[c]) & maxes[c] : ((texel >> shifts[c]) & maxes[c]) * 16 >> 5;
                            const int d = (scene.background >> shifts[c]) & maxes[c];
                            const int delta = (lit - d) * 10;
                            want |= uint32_t((d + (delta >= 0 ? delta / 32 : -((-delta + 31) / 32))) & maxes[c]) << shifts[c];
                        }
                        // The hand-written families blend 5-5-5 red in their packed lanes, where it
                        // follows no per-channel formula.
                        const uint32_t compared = !is565 && kind != CPU_GENERIC ? 0x03FFu : 0xFFFFu;
                        ASSERT_EQ(scene.Pixel(x, y) & compared, want & compared) << "pixel " << x << "," << y << " texel " << t;
                    }
            }
    }
}
