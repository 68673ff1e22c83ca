// The scene layer: database loading into caches and handles, refused files, texture maps, frame
// steps, clearing, z-buffer sizing, animation pairing, and depth maps with missing, short and bad files.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "testdata/ZbfWriter.h"
#include "tests/engine3d/SceneTestUtil.h"

namespace {

class Scene : public SceneLayer {
protected:
    void SetUp() override
    {
        SceneLayer::SetUp();
        ASSERT_TRUE(TgaWriter_Save(Dir3D() + "checker.tga", PlainPicture(0xFF336699, 16, 16)));
    }
};

TEST_F(Scene, DatabasesLoadThroughTheCachesOrLeaveNoValidHandle)
{
    const std::string path = SaveDb(DbWriter_SampleScene());
    Orv3DDataBase db, again;
    ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), db, true));
    ASSERT_EQ(db.instances.size(), 4u);
    EXPECT_EQ(db.instances[3]->mesh, db.instances[0]->mesh);
    EXPECT_EQ(db.animations[1], &db.animationSets.at("Head"));
    ASSERT_EQ(Orv3D_Cameras.size(), 2u);
    EXPECT_EQ(Orv3D_Cameras[0].name, "Default");
    ASSERT_EQ(Orv3D_CurrentCamera, &Orv3D_Cameras[1]);
    EXPECT_FLOAT_EQ(Orv3D_CurrentCamera->far, 200.0f);
    ASSERT_EQ(Orv3D_Lights.size(), 1u);
    // A name met again reuses the cached record: the map is loaded once.
    ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), again, false));
    EXPECT_EQ(again.instances[0]->mesh, db.instances[0]->mesh);
    EXPECT_EQ(CountLogged("Loading checker.tga"), 1);

    EXPECT_FALSE(Orv3D_LoadDatabase((Dir3D() + "absent.db").c_str(), again, true));
    EXPECT_TRUE(Logged("Fichier 3d inexistant"));
    EXPECT_EQ(again.valid, 0u);
    std::vector<uint8_t> bytes = DbWriter_Encode(DbWriter_SampleScene());
    bytes.resize(bytes.size() / 2);
    ASSERT_TRUE(WriteFileBytes(Dir3D() + "broken.db", bytes.data(), bytes.size()));
    EXPECT_FALSE(Orv3D_LoadDatabase((Dir3D() + "broken.db").c_str(), db, false));
    EXPECT_EQ(db.valid, 0u);
    EXPECT_TRUE(db.instances.empty());
}

TEST_F(Scene, TextureMapsArePaddedPalettisedOrGenerated)
{
    Open();
    TgaImage stone;
    stone.width = 5;
    stone.height = 3;
    stone.type = 1;
    stone.bitsPerPixel = 8;
    stone.palette = {0xFFFF0000, 0xFF00FF00};
    stone.pixels = {1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 1};
    ASSERT_TRUE(TgaWriter_Save(Dir3D() + "stone.tga", stone));
    CTTexture t;
    EXPECT_TRUE(Orv3D_LoadMapTexture(CTDbTexture{"stone.tga", 0}, t));
    ASSERT_EQ(t.textureFlags & TEXTURE_PALETTISED, TEXTURE_PALETTISED);
    EXPECT_EQ(t.surface.pitch, 8);
    const auto* texels = static_cast<const uint8_t*>(t.surface.pixels);
    EXPECT_EQ(texels[8 + 4], 0);
    EXPECT_EQ(texels[0], 1);
    EXPECT_EQ(texels[5], 0);                                             // padding of row 0
    for (int i = 3 * 8; i < 4 * 8; ++i) EXPECT_EQ(texels[i], 0) << i;  // padding row
    const auto* plane = static_cast<const uint16_t*>(t.palette->pixels);
    EXPECT_EQ(plane[1], PackColor(window.GetPixelFormat(), 0xFF00FF00));
    EXPECT_EQ(plane[2], 0);  // beyond the colour map: black

    // The picture's size inside its whole block, which the rasteriser takes; 16-bit maps alike.
    ASSERT_TRUE(TgaWriter_Save(Dir3D() + "wall.tga", PlainPicture(0xFF336699, 6, 5)));
    CTTexture wall;
    EXPECT_TRUE(Orv3D_LoadMapTexture(CTDbTexture{"wall.tga", 0}, wall));
    for (const auto& [tex, w, h, side] : {std::tuple{&t, 5, 3, 8}, std::tuple{&wall, 6, 5, 8}}) {
        EXPECT_EQ(tex->surface.width, w);
        EXPECT_EQ(tex->surface.height, h);
        EXPECT_EQ(tex->surface.block.width, side);
        EXPECT_EQ(tex->surface.block.height, h == 3 ? 4 : 8);
        EXPECT_EQ(tex->surface.block.pitch, side);
        rasterizerTR.SetTexture(&tex->surface);
        EXPECT_TRUE(rasterizerTR.EnabledMask() & RM_TEXTURE) << w << "x" << h;
    }
    rasterizerTR.SetTexture(nullptr);

    // A missing map: a warning and the 2-pixel checkerboard in the texture format.
    CTTexture missing;
    EXPECT_FALSE(Orv3D_LoadMapTexture(CTDbTexture{"nowhere.tga", 0}, missing));
    EXPECT_TRUE(Logged("Map 3d introuvable"));
    ASSERT_EQ(missing.surface.width, 32);
    EXPECT_EQ(missing.surface.format, window.GetPixelFormat());
    EXPECT_EQ(SceneLayer::Pixel(missing.surface, 0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(SceneLayer::Pixel(missing.surface, 2, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(Scene, FramesStepAndWrapAndHandlesClear)
{
    Orv3DDataBase db;
    db.valid = 1;
    db.frameCount = 10.0f;
    db.frame = 8.0f;
    Orv3D_next_frame(&db);
    EXPECT_EQ(db.frame, 9.0f);
    Orv3D_next_frame(&db);
    EXPECT_EQ(db.frame, 0.0f);

    Orv3DDataBase invalid;
    const std::pair<std::function<void()>, const char*> fatal[] = {
        {[] { Orv3D_next_frame(nullptr); }, "Orv3D_next_frame(NULL)/valid=0"},
        {[&] { Orv3D_next_frame(&invalid); }, "Orv3D_next_frame(NULL)/valid=0"},
        {[] { Orv3D_clear(nullptr); }, "Orv3D_clear(NULL)"},
        {[&] { Orv3D_draw_DataBase(&invalid); }, "Orv3D_draw_DataBase(NULL)/valid=0"},
    };
    for (const auto& [call, text] : fatal) {
        OrvError_ResetForTests();
        lines.clear();
        const int before = fatals;
        call();
        EXPECT_EQ(fatals, before + 1) << text;
        EXPECT_TRUE(Logged(text)) << text;
    }
    OrvError_ResetForTests();

    // Emptying the caches first clears the handles whose instances point into them.
    const std::string path = SaveDb(DbWriter_SampleScene());
    Orv3DDataBase loaded;
    ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), loaded, false));
    Orv3D_clear_caches();
    EXPECT_EQ(loaded.valid, 0u);
    EXPECT_TRUE(loaded.instances.empty());
    EXPECT_TRUE(Orv3D_MeshCache.empty());
}

TEST_F(Scene, AnimationSetsAndInstancesArePairedUpToTheShorterList)
{
    Open();
    CTCamera camera;
    Orv3D_CurrentCamera = &camera;
    pipelineTR.faceList.resize(3);
    CTAnimationSet slide, lift;
    slide.positionKeys = {{0, {1, 2, 3}}};
    lift.positionKeys = {{0, {0, 9, 0}}};
    Orv3DDataBase db;
    db.valid = 1;
    db.instances.push_back(std::make_unique<CTObjectInstance>());
    db.animations = {&slide, &lift};
    Orv3D_draw_DataBase(&db);
    EXPECT_EQ(db.instances[0]->frame.LocalPosition().x, 1.0f);
    // Without meshes the scene still begins and ends.
    EXPECT_TRUE(pipelineTR.faceList.empty());
    EXPECT_FALSE(rasterizerTR.InScene());

    db.instances.push_back(std::make_unique<CTObjectInstance>());
    db.animations = {&lift};
    Orv3D_draw_DataBase(&db);
    EXPECT_EQ(db.instances[0]->frame.LocalPosition().y, 9.0f);
    EXPECT_EQ(db.instances[1]->frame.LocalPosition().y, 0.0f);
    EXPECT_EQ(fatals, 0);
}

TEST_F(Scene, ZBuffersFollowTheScreenSizeUnlessRefused)
{
    Orv3D_SetNewScreenSizeAlways(320, 200);
    EXPECT_EQ(Orv3D_zbuf.width, 320);
    EXPECT_EQ(Orv3D_zbuf2.height, 200);
    OrvDisplay_EnableRenderWarp800(0, "test");
    Orv3D_SetNewScreenSize(800, 600);
    EXPECT_EQ(Orv3D_zbuf.width, 320);
    OrvDisplay_EnableRenderWarp800(1, "test");
    Orv3D_SetNewScreenSize(800, 600);
    EXPECT_EQ(Orv3D_zbuf2.height, 600);
}

uint32_t At(const CSurface& s, int x, int y) { return reinterpret_cast<const uint32_t*>(s.Row(y))[x]; }

TEST_F(SceneLayer, DepthMapsReplaceTheSurfaceWithExactDepths)
{
    CSystemMemorySurface z;
    ASSERT_TRUE(z.Create(16, 16, PixelFormatOf(PFID_Z32)));
    std::vector<uint32_t> depths(640 * 480);
    for (size_t i = 0; i < depths.size(); ++i) depths[i] = uint32_t(i * 2654435761u);
    std::vector<uint8_t> bytes = ZbfWriter_Encode(640, 480, depths);
    for (int i = 0; i < 28; ++i) bytes[i] = uint8_t(0xA5 ^ i);  // the skipped header bytes hold anything
    const std::string path = dir.Path() + "view.zbf";
    ASSERT_TRUE(WriteFileBytes(path, bytes.data(), bytes.size()));
    ASSERT_TRUE(Load_zbuffer(path.c_str(), z));
    EXPECT_EQ(z.width, 640);
    EXPECT_EQ(z.height, 480);
    for (int y : {0, 1, 240, 479})
        for (int x : {0, 1, 333, 639}) ASSERT_EQ(At(z, x, y), depths[size_t(y) * 640 + x]) << x << "," << y;

    // A short file is zero-filled.
    ASSERT_TRUE(ZbfWriter_Save(dir.Path() + "short.zbf", 4, 3, {1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(Load_zbuffer((dir.Path() + "short.zbf").c_str(), z));
    EXPECT_TRUE(Logged("shorter than its header says"));
    EXPECT_EQ(z.height, 3);
    EXPECT_EQ(At(z, 1, 1), 6u);
    EXPECT_EQ(At(z, 2, 1), 0u);
    EXPECT_EQ(At(z, 3, 2), 0u);

    // Bad files are refused and leave the surface as it was.
    ASSERT_TRUE(WriteFileBytes(dir.Path() + "empty.zbf", "", 0));
    ASSERT_TRUE(WriteFileBytes(dir.Path() + "header.zbf", "0123456789", 10));
    ASSERT_TRUE(ZbfWriter_Save(dir.Path() + "w0.zbf", 0, 3, {}));
    ASSERT_TRUE(ZbfWriter_Save(dir.Path() + "wide.zbf", 5000, 1, {}));
    const std::pair<const char*, const char*> bad[] = {
        {"absent.zbf", "missing or empty"}, {"empty.zbf", "missing or empty"}, {"header.zbf", "bad size"},
        {"w0.zbf", "bad size"},             {"wide.zbf", "bad size"},
    };
    for (const auto& [name, why] : bad) {
        lines.clear();
        EXPECT_FALSE(Load_zbuffer((dir.Path() + name).c_str(), z)) << name;
        EXPECT_TRUE(Logged(why)) << name;
        EXPECT_EQ(z.width, 4) << name;
        EXPECT_EQ(z.height, 3) << name;
    }
    EXPECT_EQ(fatals, 0);
}

}  // namespace
