// End to end through the scene layer: an animated, textured, depth-buffered scene against golden
// checksums in 5-6-5 and 5-5-5, a depth map hiding part of an object, translucent panels drawn
// farthest first over an opaque one and drawing without a z-buffer.
#include <gtest/gtest.h>

#include "engine3d/VertexStages.h"
#include "testdata/SceneWriter.h"
#include "testdata/ZbfWriter.h"
#include "tests/engine3d/SceneTestUtil.h"

namespace {

constexpr uint32_t kBackground = 0xFF203040;

uint64_t Checksum(const CSurface& s)
{
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = s.Row(y);
        for (int i = 0; i < s.width * 2; ++i) h = (h ^ row[i]) * 1099511628211ull;
    }
    return h;
}

int Red(uint32_t c) { return int(c >> 16 & 0xFF); }
int Green(uint32_t c) { return int(c >> 8 & 0xFF); }
int Blue(uint32_t c) { return int(c & 0xFF); }

class Render : public SceneLayer {
protected:
    Orv3DDataBase db;

    // Panels facing the camera "Cam" (0, 0, -8) at the given depths, each with its material.
    struct Panel {
        const char* name;
        const char* material;
        CTVector3 at;
        float half;
    };
    void LoadPanels(const std::vector<Panel>& panels, const std::vector<CTDbMaterial>& materials)
    {
        CTDataBase d = SceneWriter_RenderScene();
        d.objects.clear();
        d.meshes.clear();
        d.animations.clear();
        d.materials.clear();
        for (const CTDbMaterial& m : materials) d.materials[m.name] = m;
        for (const Panel& p : panels) {
            d.meshes[p.name] = SceneWriter_Panel(p.name, p.half, p.material);
            DbWriter_Add(d.objects, DbWriter_Object(p.name, p.name, "", p.at));
        }
        ASSERT_TRUE(TgaWriter_Save(Dir3D() + "blue.tga", PlainPicture(0xFF0000FF)));
        ASSERT_TRUE(TgaWriter_Save(Dir3D() + "red.tga", PlainPicture(0xFFFF0000)));
        ASSERT_TRUE(TgaWriter_Save(Dir3D() + "green.tga", PlainPicture(0xFF00FF00)));
        d.textures = {{"blue.tga", {"blue.tga", 0}}, {"red.tga", {"red.tga", 0}}, {"green.tga", {"green.tga", 0}}};
        ASSERT_TRUE(Orv3D_LoadDatabase(SaveDb(d, "panels.db").c_str(), db, true));
    }
    static CTDbMaterial Textured(const char* name, const char* map, float transparency = 0.0f)
    {
        CTDbMaterial m;
        m.name = name;
        m.textureName = m.mapFile = map;
        m.colours[0] = {1, 1, 1, 1};
        m.transparency = transparency;
        return m;
    }
};

TEST_F(Render, TheAnimatedSceneMatchesItsGoldenPictures)
{
    struct Golden {
        bool is555;
        uint64_t frame0;
        uint64_t frame7;
    };
    const Golden goldens[] = {
        {false, 0x45c3a799f36224a2ull, 0x4b0baddc0d45825dull},
        {true, 0x7ca0aeefce3a23b1ull, 0x0b7dc321eeb4c9feull},
    };
    for (const Golden& g : goldens) {
        SCOPED_TRACE(g.is555 ? "5-5-5" : "5-6-5");
        Open(g.is555);
        ASSERT_TRUE(SceneWriter_SaveRenderScene(Dir3D(), "scene.db"));
        ASSERT_TRUE(Orv3D_LoadDatabase((Dir3D() + "scene.db").c_str(), db, true));
        ASSERT_NE(Orv3D_CurrentCamera, nullptr);
        ASSERT_EQ(Orv3D_CurrentCamera->name, "Cam");
        p_zbufTR = &Orv3D_zbuf;
        CSurface& target = Clear(kBackground);
        Orv3D_draw_DataBase(&db);
        EXPECT_EQ(Checksum(target), g.frame0);
        for (int i = 0; i < 7; ++i) Orv3D_next_frame(&db);
        Clear(kBackground);
        Orv3D_draw_DataBase(&db);
        EXPECT_EQ(Checksum(target), g.frame7);
        EXPECT_EQ(fatals, 0);
        Orv3D_clear(&db);
        TearDown();
        SetUp();
    }
}

TEST_F(Render, EveryProcessorsVertexStagesDrawTheSceneAlike)
{
    Open();
    ASSERT_TRUE(SceneWriter_SaveRenderScene(Dir3D(), "scene.db"));
    ASSERT_TRUE(Orv3D_LoadDatabase((Dir3D() + "scene.db").c_str(), db, true));
    p_zbufTR = &Orv3D_zbuf;
    for (int i = 0; i < 5; ++i) Orv3D_next_frame(&db);
    VxSse_SoftwareEstimate = true;
    std::vector<uint32_t> portable;
    for (int kind : {CPU_GENERIC, CPU_PENTIUM_II, CPU_PENTIUM_III, CPU_AMD_K6_2}) {
        ScopedProcessorKind scoped(kind);
        CSurface& target = Clear(kBackground);
        const uint32_t background = SceneLayer::Pixel(target, 0, 0);
        Orv3D_draw_DataBase(&db);
        std::vector<uint32_t> picture;
        int drawn = 0;
        for (int y = 0; y < target.height; ++y)
            for (int x = 0; x < target.width; ++x) {
                picture.push_back(SceneLayer::Pixel(target, x, y));
                drawn += picture.back() != background;
            }
        EXPECT_GT(drawn, int(picture.size()) / 4) << kind;
        if (kind == CPU_GENERIC) {
            portable = picture;
            continue;
        }
        // Screen positions differ by rounding only: a few edge pixels at most.
        int differ = 0;
        for (size_t i = 0; i < picture.size(); ++i) differ += picture[i] != portable[i];
        EXPECT_LT(differ, int(picture.size()) / 200) << kind;
    }
    VxSse_SoftwareEstimate = false;
    EXPECT_EQ(fatals, 0);
}

TEST_F(Render, ADepthMapHidesTheObjectWhereItIsNearer)
{
    Open();
    LoadPanels({{"Wall", "Blue", {0, 0, 2}, 3.0f}}, {Textured("Blue", "blue.tga")});
    // Without a z-buffer the textured faces are still filled.
    p_zbufTR = nullptr;
    CSurface& target = Clear(kBackground);
    Orv3D_draw_DataBase(&db);
    for (int x : {250, 320, 390}) EXPECT_EQ(SceneLayer::Pixel(target, x, 240), 0xFF0000FFu) << x;

    // Left half of the view: scenery at depth 5 from the camera, nearer than the wall at 10.
    std::vector<uint32_t> depths(640 * 480, 0);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 320; ++x) depths[size_t(y) * 640 + x] = ZbfWriter_DepthAt(5.0f);
    const std::string map = dir.Path() + "view.zbf";
    ASSERT_TRUE(ZbfWriter_Save(map, 640, 480, depths));
    Clear(kBackground);
    ASSERT_TRUE(Load_zbuffer(map.c_str(), Orv3D_zbuf));
    p_zbufTR = &Orv3D_zbuf;
    Orv3D_draw_DataBase(&db);
    const uint32_t bg = SceneLayer::Pixel(target, 5, 5);
    EXPECT_EQ(SceneLayer::Pixel(target, 300, 240), bg);
    EXPECT_EQ(SceneLayer::Pixel(target, 340, 240), 0xFF0000FFu);
    EXPECT_EQ(SceneLayer::Pixel(target, 340, 100), 0xFF0000FFu);
}

TEST_F(Render, TranslucentPanelsBlendFarthestFirstOverAnOpaqueOne)
{
    Open();
    // Red glass nearest, green glass behind it, then the blue wall; recorded nearest first.
    LoadPanels({{"A-Red", "RedGlass", {-0.5f, 0, -2}, 1.5f},
                {"B-Green", "GreenGlass", {0.5f, 0, 0}, 2.0f},
                {"C-Wall", "Blue", {0, 0, 2}, 3.0f}},
               {Textured("Blue", "blue.tga"), Textured("RedGlass", "red.tga", 0.5f),
                Textured("GreenGlass", "green.tga", 0.5f)});
    p_zbufTR = &Orv3D_zbuf;
    CSurface& target = Clear(kBackground);
    Orv3D_draw_DataBase(&db);
    const uint32_t centre = SceneLayer::Pixel(target, 320, 240);
    // Green half over blue, then red half over that: red dominates, blue is a quarter.
    EXPECT_GT(Red(centre), Green(centre) + 40);
    EXPECT_NEAR(Red(centre), 128, 16);
    EXPECT_NEAR(Green(centre), 64, 16);
    EXPECT_NEAR(Blue(centre), 64, 16);
    // Green glass alone over the wall, and red glass alone: half and half.
    const uint32_t right = SceneLayer::Pixel(target, 460, 240);
    EXPECT_NEAR(Green(right), 128, 16);
    EXPECT_NEAR(Blue(right), 128, 16);
    EXPECT_EQ(Red(right), 0);
    const uint32_t left = SceneLayer::Pixel(target, 170, 240);
    EXPECT_NEAR(Red(left), 128, 16);
    EXPECT_NEAR(Blue(left), 128, 16);
    EXPECT_EQ(Green(left), 0);
}

}  // namespace
