// The scene layer: database loading into caches and handles, refused files, texture maps, frame
// steps, clearing, z-buffer sizing, animation pairing and the colour helpers.
#include <gtest/gtest.h>

#include <functional>

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

TEST_F(Scene, ASampleDatabaseLoadsInHierarchyOrderWithItsCamerasAndLights)
{
    const std::string path = SaveDb(DbWriter_SampleScene());
    Orv3DDataBase db;
    ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), db, true));
    EXPECT_EQ(db.valid, 1u);
    ASSERT_EQ(db.instances.size(), 4u);
    const char* names[4] = {"Body", "Head", "Pivot", "Arm"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(db.instances[i]->name, names[i]);
    EXPECT_EQ(db.instances[2]->mesh, nullptr);
    ASSERT_NE(db.instances[3]->mesh, nullptr);
    EXPECT_EQ(db.instances[3]->mesh, db.instances[0]->mesh);
    EXPECT_EQ(db.instances[1]->frame.Parent(), &db.instances[0]->frame);
    EXPECT_EQ(db.instances[0]->frame.Parent(), &db.root);
    ASSERT_EQ(db.animations.size(), 4u);
    EXPECT_EQ(db.animations[0], &db.animationSets.at("Body"));
    EXPECT_EQ(db.animations[1], &db.animationSets.at("Head"));
    EXPECT_EQ(db.animations[2], nullptr);
    EXPECT_EQ(db.frameCount, 20.0f);

    ASSERT_EQ(Orv3D_Cameras.size(), 2u);
    EXPECT_EQ(Orv3D_Cameras[0].name, "Default");
    EXPECT_FLOAT_EQ(Orv3D_Cameras[0].near, 1.5f);
    EXPECT_FLOAT_EQ(Orv3D_Cameras[0].far, 20000.0f);
    ASSERT_EQ(Orv3D_CurrentCamera, &Orv3D_Cameras[1]);
    EXPECT_EQ(Orv3D_CurrentCamera->name, "Cam1");
    EXPECT_FLOAT_EQ(Orv3D_CurrentCamera->far, 200.0f);
    ASSERT_EQ(Orv3D_Lights.size(), 1u);
    EXPECT_EQ(Orv3D_LastLight, &Orv3D_Lights.back());
    EXPECT_EQ(Orv3D_LastLight->flags, 0x02u);

    // A name met again reuses the cached record: the map is loaded once.
    Orv3DDataBase again;
    ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), again, false));
    EXPECT_EQ(again.instances[0]->mesh, db.instances[0]->mesh);
    EXPECT_EQ(CountLogged("Loading checker.tga"), 1);
    EXPECT_EQ(Orv3D_TextureCache.size(), 1u);
    EXPECT_EQ(Orv3D_Cameras.size(), 2u);
}

TEST_F(Scene, MissingAndBrokenDatabasesLeaveNoValidHandle)
{
    Orv3DDataBase db;
    EXPECT_FALSE(Orv3D_LoadDatabase((Dir3D() + "absent.db").c_str(), db, true));
    EXPECT_TRUE(Logged("Fichier 3d inexistant"));
    EXPECT_EQ(db.valid, 0u);

    const std::string good = SaveDb(DbWriter_SampleScene());
    ASSERT_TRUE(Orv3D_LoadDatabase(good.c_str(), db, false));
    std::vector<uint8_t> bytes = DbWriter_Encode(DbWriter_SampleScene());
    bytes.resize(bytes.size() / 2);
    const std::string broken = Dir3D() + "broken.db";
    ASSERT_TRUE(WriteFileBytes(broken, bytes.data(), bytes.size()));
    lines.clear();
    EXPECT_FALSE(Orv3D_LoadDatabase(broken.c_str(), db, false));
    EXPECT_TRUE(Logged("invalid .db file"));
    EXPECT_EQ(db.valid, 0u);
    EXPECT_TRUE(db.instances.empty());
    EXPECT_TRUE(db.animations.empty());
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
    EXPECT_EQ(t.surface.width, 5);
    EXPECT_EQ(t.surface.height, 3);
    EXPECT_EQ(t.surface.pitch, 8);
    const auto* texels = static_cast<const uint8_t*>(t.surface.pixels);
    EXPECT_EQ(texels[0], 1);
    EXPECT_EQ(texels[8 + 4], 0);
    EXPECT_EQ(texels[5], 0);              // padding of row 0
    for (int i = 3 * 8; i < 4 * 8; ++i) EXPECT_EQ(texels[i], 0) << i;  // padding row
    const auto* plane = static_cast<const uint16_t*>(t.palette->pixels);
    EXPECT_EQ(plane[1], PackColor(window.GetPixelFormat(), 0xFF00FF00));
    EXPECT_EQ(plane[2], 0);               // beyond the colour map: black

    // More than 256 colours cannot be shaded: the checkerboard instead.
    stone.palette.assign(300, 0xFF808080);
    ASSERT_TRUE(TgaWriter_Save(Dir3D() + "many.tga", stone));
    CTTexture many;
    EXPECT_FALSE(Orv3D_LoadMapTexture(CTDbTexture{"many.tga", 0}, many));
    EXPECT_EQ(many.surface.width, 32);
    EXPECT_EQ(many.textureFlags & TEXTURE_PALETTISED, 0);

    // A missing map: a warning and the 2-pixel checkerboard in the texture format.
    CTTexture missing;
    EXPECT_FALSE(Orv3D_LoadMapTexture(CTDbTexture{"nowhere.tga", 0}, missing));
    EXPECT_TRUE(Logged("Map 3d introuvable"));
    EXPECT_TRUE(Logged("Generating nowhere.tga"));
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
        {[] { Orv3D_draw_DataBase(nullptr); }, "Orv3D_draw_DataBase(NULL)/valid=0"},
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
    // An invalid handle is left alone by a clear.
    OrvError_ResetForTests();
    Orv3D_clear(&invalid);

    const std::string path = SaveDb(DbWriter_SampleScene());
    Orv3DDataBase loaded;
    ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), loaded, false));
    Orv3D_clear(&loaded);
    EXPECT_EQ(loaded.valid, 0u);
    EXPECT_TRUE(loaded.instances.empty());
    EXPECT_TRUE(loaded.animationSets.empty());

    // Emptying the caches first clears the handles whose instances point into them.
    ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), loaded, false));
    Orv3D_clear_caches();
    EXPECT_EQ(loaded.valid, 0u);
    EXPECT_TRUE(Orv3D_MeshCache.empty());
    EXPECT_TRUE(Orv3D_TextureCache.empty());
}

TEST_F(Scene, AnimationSetsAndInstancesArePairedUpToTheShorterList)
{
    Open();
    CTMesh dummy;
    CTAnimationSet slide, lift;
    slide.positionKeys = {{0, {1, 2, 3}}};
    lift.positionKeys = {{0, {0, 9, 0}}};
    Orv3DDataBase db;
    db.valid = 1;
    db.instances.push_back(std::make_unique<CTObjectInstance>());
    db.animations = {&slide, &lift};
    Orv3D_draw_DataBase(&db);
    EXPECT_EQ(db.instances[0]->frame.LocalPosition().x, 1.0f);

    db.instances.push_back(std::make_unique<CTObjectInstance>());
    db.animations = {&lift};
    Orv3D_draw_DataBase(&db);
    EXPECT_EQ(db.instances[0]->frame.LocalPosition().y, 9.0f);
    EXPECT_EQ(db.instances[1]->frame.LocalPosition().y, 0.0f);
    EXPECT_EQ(fatals, 0);
}

TEST_F(Scene, ADatabaseWithoutMeshesStillBeginsAndEndsTheScene)
{
    Open();
    CTCamera camera;
    Orv3D_CurrentCamera = &camera;
    Orv3DDataBase db;
    db.valid = 1;
    db.instances.push_back(std::make_unique<CTObjectInstance>());
    pipelineTR.faceList.resize(3);
    Orv3D_draw_DataBase(&db);
    EXPECT_TRUE(pipelineTR.faceList.empty());
    EXPECT_FALSE(rasterizerTR.InScene());
    EXPECT_EQ(pipelineTR.rasterizer, &rasterizerTR);
}

TEST_F(Scene, ZBuffersFollowTheScreenSizeUnlessRefused)
{
    Orv3D_SetNewScreenSizeAlways(320, 200);
    EXPECT_EQ(Orv3D_zbuf.width, 320);
    EXPECT_EQ(Orv3D_zbuf2.height, 200);
    EXPECT_EQ(Orv3D_zbuf.format, PixelFormatOf(PFID_Z32));
    OrvDisplay_EnableRenderWarp800(0, "test");
    Orv3D_SetNewScreenSize(800, 600);
    EXPECT_EQ(Orv3D_zbuf.width, 320);
    OrvDisplay_EnableRenderWarp800(1, "test");
    Orv3D_SetNewScreenSize(800, 600);
    EXPECT_EQ(Orv3D_zbuf.width, 800);
    EXPECT_EQ(Orv3D_zbuf2.height, 600);
}

TEST(MeshSet, CopiesAsManyPointsAsTheMeshHolds)
{
    CTMesh m;
    m.vertices = {{0, 0, 0}, {1, 1, 1}};
    mesh_set_vertices({{5, 5, 5}, {6, 6, 6}, {7, 7, 7}}, m);
    ASSERT_EQ(m.vertices.size(), 2u);
    EXPECT_EQ(m.vertices[1].x, 6.0f);
    mesh_set_vertices({{9, 9, 9}}, m);
    EXPECT_EQ(m.vertices[0].x, 9.0f);
    EXPECT_EQ(m.vertices[1].x, 6.0f);
}

TEST(SceneColours, PackAndMaterialColour)
{
    EXPECT_EQ(color_pack_argb(300, 128, 0, 255), 0xFFFF8000u);
    EXPECT_EQ(color_pack_argb(-4, 1, 2, 3), 0x03000102u);
    CTMaterial m;
    m.colours[0] = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(material_get_color(&m).z, 0.3f);
    EXPECT_EQ(material_get_color(nullptr).w, 0.0f);
}

}  // namespace
