// Materials from records, palettised textures, and the configurer's render modes.
#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/Material.h"
#include "graphics2d/PixelFormat.h"
#include "raster/Rasterizer.h"
#include "raster/SpanState.h"
#include "testdata/DbWriter.h"
#include "tests/graphics2d/WarningCapture.h"

namespace {

TEST(Material, FromDbTakesAlphaDeferredAndTheTextureByMapFile)
{
    const CTDataBase db = DbWriter_SampleScene();
    CTTextureMap textures;
    textures["checker.tga"].name = "checker.tga";
    CTMaterial m;
    Material_FromDb(db.materials.at("Checker"), textures, m);
    EXPECT_EQ(m.texture, &textures["checker.tga"]);
    EXPECT_EQ(m.colours[0].w, 1.0f);
    EXPECT_EQ(m.flags & MATERIAL_DEFERRED, 0u);
    EXPECT_EQ(m.power, 8.0f);

    Material_FromDb(db.materials.at("Glass"), textures, m);
    EXPECT_EQ(m.texture, nullptr);
    EXPECT_EQ(m.colours[0].w, 0.5f);
    EXPECT_EQ(m.flags & MATERIAL_DEFERRED, MATERIAL_DEFERRED);

    CTDbMaterial other = db.materials.at("Checker");
    other.mapFile = "elsewhere.tga";
    Material_FromDb(other, textures, m);
    EXPECT_EQ(m.texture, nullptr);

    EXPECT_EQ(Material_PackColour({1.0f, 0.5f, 0.0f, 1.0f}), 0xFFFF7F00u);
    EXPECT_EQ(Material_PackColour({2.0f, -1.0f, NAN, 0.2f}), 0x33FF0000u);
}

TEST(Material, PalettisedTextureHasAPaddedPlaneInFrontOfTheTexels)
{
    const CPixelFormat screen = PixelFormatOf(PFID_R5G6B5);
    CTTexture t;
    const uint32_t colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    ASSERT_TRUE(t.CreatePalettised(16, 8, screen, colours, 3));
    EXPECT_EQ(t.textureFlags & TEXTURE_PALETTISED, TEXTURE_PALETTISED);
    ASSERT_EQ(t.palette, &t.surface.plane);
    const auto* row0 = static_cast<const uint16_t*>(t.palette->pixels);
    EXPECT_EQ(row0[0], 0xF800);
    EXPECT_EQ(row0[1], 0x07E0);
    EXPECT_EQ(row0[2], 0x001F);
    for (int e = 3; e < 256; ++e) ASSERT_EQ(row0[e], 0) << e;
    // Shading level 16 of pure red is half red.
    EXPECT_EQ(row0[(kRastShadeRowFirst + 16) * 256], 0x7800);
    EXPECT_EQ(static_cast<uint8_t*>(t.surface.pixels) - static_cast<uint8_t*>(t.palette->pixels),
              kRastPaletteRows * 256 * 2);

    WarningCapture w;
    std::vector<uint32_t> many(257, 0xFFFFFFFF);
    EXPECT_FALSE(t.CreatePalettised(16, 8, screen, many.data(), 257));
    EXPECT_EQ(t.palette, nullptr);
    EXPECT_EQ(t.textureFlags & TEXTURE_PALETTISED, 0);
    EXPECT_EQ(t.surface.pixels, nullptr);
    EXPECT_FALSE(t.CreatePalettised(16, 8, PixelFormatOf(PFID_X8R8G8B8), colours, 3));
}

class Configurer : public ::testing::Test {
protected:
    CTRasterizer rast;
    CSystemMemorySurface target, zbuf;
    CTTexture tex16, tex8;
    CTMaterial plain, textured, palettised, glass;
    CTConfigurer conf;

    void SetUp() override
    {
        Orv3D_Opacity = 0;
        const CPixelFormat screen = PixelFormatOf(PFID_R5G6B5);
        ASSERT_TRUE(target.Create(32, 32, screen));
        ASSERT_TRUE(zbuf.Create(32, 32, PixelFormatOf(PFID_Z32)));
        ASSERT_TRUE(tex16.surface.Create(8, 8, screen));
        const uint32_t colours[2] = {0xFF000000, 0xFFFFFFFF};
        ASSERT_TRUE(tex8.CreatePalettised(8, 8, screen, colours, 2));
        rast.SetProcessor(1);
        rast.SetTarget(&target);
        rast.ZBuffer(&zbuf);
        plain.colours[0] = {1.0f, 0.5f, 0.25f, 1.0f};
        textured = plain;
        textured.texture = &tex16;
        palettised = plain;
        palettised.texture = &tex8;
        glass = palettised;
        glass.colours[0].w = 0.4f;
    }
    void TearDown() override { Orv3D_Opacity = 0; }

    // The row's mode without the z kind the selection adds.
    RenderMode Mode() const
    {
        const RasterizerRow* row = rast.CurrentRow();
        return row ? row->mode & ~(RM_ZKIND_MASK | RM_LINEAR_TWIN) : 0;
    }
};

TEST_F(Configurer, SetRasterModeForEachKindOfMaterial)
{
    EXPECT_EQ(conf.Material_SetRasterMode(rast, nullptr, nullptr), 1);
    EXPECT_EQ(rast.Color(), 0xFF000000u);

    EXPECT_EQ(conf.Material_SetRasterMode(rast, &glass, nullptr), 2);

    EXPECT_EQ(conf.Material_SetRasterMode(rast, &textured, nullptr), 1);
    EXPECT_EQ(Mode(), 0x20000Eu);
    EXPECT_EQ(rast.Color(), 0xFFFF7F3Fu);
    EXPECT_EQ(tex16.surface.flags & SURF_WRITE_LOCK, SURF_WRITE_LOCK);
    EXPECT_EQ(rast.EnabledMask() & RM_TEXTURE, uint32_t(RM_TEXTURE));

    EXPECT_EQ(conf.Material_SetRasterMode(rast, &palettised, nullptr), 1);
    EXPECT_EQ(Mode(), 0x800Eu);
    EXPECT_EQ(tex8.palette->flags & SURF_WRITE_LOCK, SURF_WRITE_LOCK);
    conf.lighting = 1;
    conf.Material_SetRasterMode(rast, &palettised, nullptr);
    EXPECT_EQ(Mode(), 0x10800Eu);

    // Colour key by material and by the switch is one bit.
    palettised.flags = MATERIAL_COLORKEY;
    Orv3D_Opacity = 1;
    conf.Material_SetRasterMode(rast, &palettised, nullptr);
    EXPECT_EQ(Mode(), 0x50800Eu);
    EXPECT_EQ(rast.Alpha() & 0xFF, 0xFFu);
}

TEST_F(Configurer, BindPublishesTheBlendWeightAndUnbindReleases)
{
    conf.Material_BindTexture(rast, &glass, nullptr);
    EXPECT_EQ(Mode(), 0x1010800Eu);
    EXPECT_EQ(rastState.rastVarWeightR, 13);  // round(32 x 0.4)
    EXPECT_EQ(rast.Color() >> 24, 0x66u);

    glass.texture = &tex16;
    glass.colours[0].w = 1.0f;
    conf.Material_BindTexture(rast, &glass, nullptr);
    EXPECT_EQ(Mode(), 0x1010000Eu);
    EXPECT_EQ(rastState.rastVarWeightG, 32);

    conf.Material_UnbindTexture(rast, &glass, nullptr);
    EXPECT_EQ(tex16.surface.flags & SURF_WRITE_LOCK, 0u);
    EXPECT_EQ(rast.EnabledMask() & RM_TEXTURE, 0u);

    conf.Material_BindTexture(rast, &palettised, nullptr);
    conf.Material_UnbindTexture(rast, &palettised, nullptr);
    EXPECT_EQ(tex8.palette->flags & SURF_WRITE_LOCK, 0u);
    EXPECT_EQ(rast.EnabledMask() & RM_TEXTURE8, 0u);

    // Nothing happens without a material or a texture.
    conf.Material_BindTexture(rast, nullptr, nullptr);
    conf.Material_UnbindTexture(rast, &plain, nullptr);
    conf.Material_UnbindTexture(rast, nullptr, nullptr);
}

}  // namespace
