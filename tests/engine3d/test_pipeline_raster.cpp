// Object rasterisation: the near/far clip table's vertex lists, attribute interpolation, deferred
// records and their clipping, material tables with overrides, depth order and material binding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine3d/PolygonPipeline.h"
#include "tests/engine3d/PipelineTestUtil.h"

namespace {

constexpr DrawFlags kPerVertex = kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX;

// The screen point of the segment p-c where it meets the plane z = d, through the test camera.
RastVertex At(const CTVector3& p, const CTVector3& c, double d)
{
    const double t = (d - p.z) / (double(c.z) - p.z);
    const double x = p.x + (c.x - p.x) * t, y = p.y + (c.y - p.y) * t;
    return {float(100 * x / d + 50), float(100 * y / d + 50), float(1 / d), 0, 0, 0, 0, 0, 0};
}
RastVertex At(const CTVector3& p)
{
    return {100 * p.x / p.z + 50, 100 * p.y / p.z + 50, 1 / p.z, 0, 0, 0, 0, 0, 0};
}

void ExpectList(const std::vector<RastVertex>& got, const std::vector<RastVertex>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, want[i].x, 1e-3f) << i;
        EXPECT_NEAR(got[i].y, want[i].y, 1e-3f) << i;
        EXPECT_NEAR(got[i].z, want[i].z, 1e-6f) << i;
    }
}

class Raster : public PipelineFixture {
protected:
    CapturingRasterizer cap;

    void SetUp() override
    {
        PipelineFixture::SetUp();
        cap.Link(pipe);
        CTMaterial& glass = materials["Glass"];
        glass.colours[0] = {0.6f, 0.8f, 1.0f, 0.5f};
        glass.flags = MATERIAL_DEFERRED;
        pipe.BeginScene();
    }
    // Transformed and given its material table, one face per test.
    void Prepare(const CTMesh& mesh, DrawFlags flags = kPerVertex)
    {
        pipe.TransformVertices(camera, object, mesh, flags);
        ASSERT_EQ(pipe.clipIntersection & CLIP_PLANES, 0u);
        ASSERT_EQ(pipe.currentFaceCodes[0] & CLIP_HIDDEN, 0u);
        pipe.BuildMaterialTable(mesh, flags);
    }
    CTMesh Triangle(CTVector3 a, CTVector3 b, CTVector3 c, const char* material = "")
    {
        return TestMesh({a, b, c}, {0, 1, 2}, materials, {{material, 1}}, MESH_DEFORMED);
    }
};

TEST_F(Raster, ACornerBeforeTheNearPlaneGivesTwoIntersectionsInEdgeOrder)
{
    const CTVector3 c0{0, -1, 5}, c1{-1, 1, 0.5f}, c2{1, 1, 5};
    const CTMesh mesh = Triangle(c0, c1, c2);
    Prepare(mesh);
    pipe.RasterizeObject(camera, mesh);
    ExpectList(CapturingRasterizer::Last(), {At(c0), At(c0, c1, 1), At(c1, c2, 1), At(c2)});
    EXPECT_EQ(cap.rast.faceCode & ~uint32_t(CLIP_LEFT | CLIP_BOTTOM), uint32_t(CLIP_NEAR));
}

TEST_F(Raster, ATriangleCutByBothPlanesIsAFanOfFive)
{
    const CTVector3 c0{-0.2f, 0.3f, 0.5f}, c1{3, 0, 20}, c2{0, -1, 5};
    const CTMesh mesh = Triangle(c0, c1, c2);
    Prepare(mesh);
    pipe.RasterizeObject(camera, mesh);
    ExpectList(CapturingRasterizer::Last(),
               {At(c2, c0, 1), At(c0, c1, 1), At(c0, c1, 10), At(c1, c2, 10), At(c2)});
    // The general body gives neutral attributes, never the previous polygon's.
    for (const RastVertex& v : CapturingRasterizer::Last()) {
        EXPECT_EQ(v.u, 0.0f);
        EXPECT_EQ(v.shade2, 1.0f);
    }
}

TEST_F(Raster, ClippedColoursBlendInTheProportionOfTheCut)
{
    const CTVector3 c0{0, -1, 5}, c1{-1, 1, 0.5f}, c2{1, 1, 5};
    const CTMesh mesh = Triangle(c0, c1, c2);
    Prepare(mesh);
    const uint32_t colours[3] = {0xFF000000, 0xFFFFFFFF, 0xFF00FF00};
    pipe.currentColours = colours;
    pipe.RasterizeColor(camera, mesh);
    const std::vector<RastVertex> v = CapturingRasterizer::Last();
    ASSERT_EQ(v.size(), 4u);
    const float t = (1.0f - 5.0f) / (0.5f - 5.0f);
    EXPECT_NEAR(v[1].shade0, t, 1e-5f);
    EXPECT_NEAR(v[1].shade1, t, 1e-5f);
    EXPECT_EQ(v[3].shade0, 0.0f);
    EXPECT_EQ(v[3].shade1, 1.0f);

    // The specular colour never reaches the rasteriser: the same list with or without it.
    const uint32_t specular[3] = {0xFF123456, 0xFF654321, 0xFFABCDEF};
    pipe.currentSpecular = specular;
    pipe.RasterizeColorSpec(camera, mesh);
    const std::vector<RastVertex> w = CapturingRasterizer::Last();
    ASSERT_EQ(w.size(), v.size());
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(std::memcmp(&v[i], &w[i], sizeof(RastVertex)), 0) << i;
}

TEST_F(Raster, WholeDeferredFacesKeepTheVertexDefaults)
{
    const CTMesh mesh = Triangle({0, -1, 5}, {-1, 1, 4}, {1, 1, 6}, "Glass");
    Prepare(mesh);
    pipe.RasterizeObject(camera, mesh);
    ASSERT_EQ(pipe.faceList.size(), 1u);
    const PipeFace& f = pipe.faceList[0];
    EXPECT_EQ(f.count, 3u);
    EXPECT_EQ(f.format, 0u);
    EXPECT_EQ(f.first, 0u);
    EXPECT_FLOAT_EQ(f.key, (0.2f + 0.25f + 1.0f / 6.0f) * 0.33333334f);
    ASSERT_EQ(pipe.deferredMaterials.size(), 1u);
    EXPECT_EQ(f.material, &pipe.deferredMaterials.front());
    ASSERT_EQ(pipe.vertexList.size(), 3u);
    for (const PipeVertex& v : pipe.vertexList) {
        EXPECT_EQ(v.u0, 0.0f);
        EXPECT_EQ(v.v1, 0.0f);
        EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
        EXPECT_EQ(v.specular, 0u);
    }
    EXPECT_FLOAT_EQ(pipe.vertexList[1].sx, 100 * -1 / 4.0f + 50);
    EXPECT_FLOAT_EQ(pipe.vertexList[1].q, 0.25f);
}

TEST_F(Raster, DeferredFacesAreClippedAtOnePlane)
{
    struct Case {
        CTVector3 a, b, c;
        size_t count;
        std::vector<float> q;
    };
    const std::vector<Case> cases = {
        // One corner before the near plane: two corners and two intersections on z = near.
        {{0, -1, 5}, {-1, 1, 0.5f}, {1, 1, 5}, 4, {0.2f, 1.0f, 1.0f, 0.2f}},
        // Two corners before it: one corner and two intersections.
        {{0, -1, 5}, {-1, 1, 0.5f}, {1, 1, 0.5f}, 3, {1.0f, 0.2f, 1.0f}},
        // One corner beyond the far plane only: clipped there.
        {{0, -1, 5}, {-1, 1, 20}, {1, 1, 5}, 4, {0.2f, 0.1f, 0.1f, 0.2f}},
        // Near and far: clipped at the near plane only, the far corner kept.
        {{-0.2f, 0.3f, 0.5f}, {3, 0, 20}, {0, -1, 5}, 4, {1.0f, 1.0f, 0.05f, 0.2f}},
    };
    for (const Case& k : cases) {
        pipe.BeginScene();
        const CTMesh mesh = Triangle(k.a, k.b, k.c, "Glass");
        Prepare(mesh);
        pipe.RasterizeObject(camera, mesh);
        ASSERT_EQ(pipe.faceList.size(), 1u);
        const PipeFace& f = pipe.faceList[0];
        ASSERT_EQ(f.count, k.count);
        ASSERT_EQ(pipe.vertexList.size(), k.count);
        float sum = 0;
        for (size_t i = 0; i < k.count; ++i) {
            EXPECT_NEAR(pipe.vertexList[i].q, k.q[i], 1e-6f) << i;
            sum += pipe.vertexList[i].q;
        }
        EXPECT_NEAR(f.key, sum / float(k.count), 1e-6f);
    }
}

TEST_F(Raster, DeferredIntersectionColoursAreTruncated)
{
    // The cut lies at t = 127.9 / 255 from the inside corner (red 0) to the outside one (red 255).
    const float t = 127.9f / 255.0f;
    const float outZ = 5.0f + (1.0f - 5.0f) / t;
    const CTMesh mesh = Triangle({0, -1, 5}, {0, 1, outZ}, {1, 1, 5}, "Glass");
    Prepare(mesh);
    const uint32_t colours[3] = {0xFF000000, 0xFFFF0000, 0xFF000000};
    pipe.currentColours = colours;
    pipe.RasterizeColor(camera, mesh);
    ASSERT_EQ(pipe.faceList.size(), 1u);
    EXPECT_EQ(pipe.faceList[0].format, uint32_t(PV_DIFFUSE));
    ASSERT_GE(pipe.vertexList.size(), 2u);
    EXPECT_EQ(pipe.vertexList[1].diffuse, 0xFF7F0000u);

    EXPECT_EQ(color_unpack_argb(0xFFFF0000).x, 1.0f);
    EXPECT_EQ(color_unpack_argb(0xFFFF0000).y, 0.0f);
}

TEST_F(Raster, HiddenFacesStillAdvanceTheAttributeCursors)
{
    // Face 0 turns away; face 1 is drawn with its own texture coordinates and colours.
    const CTMesh mesh = TestMesh({{0, -1, 5}, {-1, 1, 5}, {1, 1, 5}}, {0, 2, 1, 0, 1, 2}, materials, {{"Glass", 2}}, 0,
                                 {9, 9, 9, 9, 9, 9, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f});
    pipe.TransformVertices(camera, object, mesh, kSceneFlags);
    ASSERT_EQ(pipe.currentFaceCodes[0], CLIP_HIDDEN);
    pipe.BuildMaterialTable(mesh, kSceneFlags);
    const DrawFlags flags = kSceneFlags | pipe.ComputeTexCoords(camera, object, mesh, kSceneFlags);
    const uint32_t colours[6] = {1, 2, 3, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000};
    pipe.currentColours = colours;
    pipe.Rasterize(camera, mesh, flags | DF_COLOURS);
    ASSERT_EQ(pipe.faceList.size(), 1u);
    EXPECT_EQ(pipe.faceList[0].format, uint32_t(PV_DIFFUSE | PV_TEX0));
    EXPECT_EQ(pipe.vertexList[0].u0, 0.1f);
    EXPECT_EQ(pipe.vertexList[2].v0, 0.6f);
    EXPECT_EQ(pipe.vertexList[1].diffuse, colours[mesh.faceColours[4]]);
    EXPECT_NE(colours[mesh.faceColours[4]], colours[mesh.faceColours[1]]);
    EXPECT_EQ(pipe.facesExamined, 2u);
    EXPECT_EQ(pipe.facesDrawn, 1u);
}

TEST_F(Raster, BodiesBeyondTheEightKeysCarryPositionsOnly)
{
    const CTMesh mesh = Triangle({0, -1, 5}, {-1, 1, 4}, {1, 1, 6}, "Glass");
    Prepare(mesh);
    const float uv[6] = {1, 1, 1, 1, 1, 1};
    pipe.texResult[1] = uv;
    pipe.Rasterize(camera, mesh, DF_TEX1);
    pipe.texResult[0] = uv;
    pipe.Rasterize(camera, mesh, DF_TEX0 | DF_PARALLEL);
    ASSERT_EQ(pipe.faceList.size(), 2u);
    EXPECT_EQ(pipe.faceList[0].format, 0u);
    EXPECT_EQ(pipe.faceList[1].format, 0u);

    const uint32_t colours[3] = {0xFF112233, 0xFF112233, 0xFF112233};
    const uint32_t specular[3] = {0xFF445566, 0xFF445566, 0xFF445566};
    pipe.texResult[0] = pipe.texResult[1] = uv;
    pipe.currentColours = colours;
    pipe.currentSpecular = specular;
    pipe.Rasterize(camera, mesh, DF_TEX0 | DF_TEX1 | DF_COLOURS | DF_SPECULAR);
    ASSERT_EQ(pipe.faceList.size(), 3u);
    EXPECT_EQ(pipe.faceList[2].format, uint32_t(PV_DIFFUSE | PV_SPECULAR | PV_TEX0 | PV_TEX1));
    EXPECT_EQ(pipe.vertexList[6].specular, 0xFF445566u);
    EXPECT_EQ(pipe.vertexList[6].u1, 1.0f);
}

TEST_F(Raster, MaterialTablesTakeOverridesAndCopyDeferredMaterials)
{
    CTMaterial& red = materials["Red"];
    red.colours[0] = {1, 0, 0, 1};
    const CTMesh mesh = TestMesh({{0, -1, 5}, {-1, 1, 5}, {1, 1, 5}}, {0, 2, 1, 0, 2, 1, 0, 2, 1}, materials,
                                 {{"Red", 1}, {"Glass", 1}, {"", 1}});
    pipe.BuildMaterialTable(mesh, 0);
    ASSERT_EQ(pipe.materialTable.size(), 4u);
    EXPECT_EQ(pipe.materialTable[0], &red);
    EXPECT_EQ(pipe.materialTable[1], &pipe.deferredMaterials.back());
    EXPECT_EQ(pipe.materialTable[2], nullptr);
    EXPECT_EQ(pipe.materialTable[3], nullptr);

    pipe.materialOverride[0] = &materials["Glass"];
    pipe.BuildMaterialTable(mesh, 0);
    EXPECT_EQ(pipe.deferredMaterials.size(), 2u);
    for (int g = 0; g < 3; ++g) EXPECT_EQ(pipe.materialTable[g], &pipe.deferredMaterials.back());
    EXPECT_EQ(pipe.materialTable[3], nullptr);

    // Overrides hold for one object, even one that is culled.
    object.SetLocalPosition({0, 0, -50});
    EXPECT_FALSE(pipe.DrawObject(camera, object, mesh, kSceneFlags));
    EXPECT_EQ(pipe.materialOverride[0], nullptr);

    const CTMaterial* table[3] = {nullptr, &red, nullptr};
    pipe.materialTableOverride[0] = table;
    pipe.BuildMaterialTable(mesh, 0);
    EXPECT_EQ(pipe.materialTable[1], &red);
}

// A palette plane that counts its locks, standing for one material's binding.
class CountingPlane : public CBufferSurface {
public:
    CountingPlane() : memory_(kRastPaletteEntries * kRastPaletteRows, 0)
    {
        Set(memory_.data(), kRastPaletteEntries, kRastPaletteRows, kRastPaletteEntries, PixelFormatOf(PFID_R5G6B5));
    }
    void* Lock(int level) override
    {
        ++locks;
        return CBufferSurface::Lock(level);
    }
    void Unlock() override
    {
        ++unlocks;
        CBufferSurface::Unlock();
    }
    int locks = 0, unlocks = 0;

private:
    std::vector<uint16_t> memory_;
};

TEST_F(Raster, TheDeferredPassSortsStablyAndBindsOnlyOnChange)
{
    CTTexture t1, t2;
    CountingPlane p1, p2;
    for (auto [t, p] : {std::pair{&t1, &p1}, std::pair{&t2, &p2}}) {
        ASSERT_TRUE(t->surface.Create(8, 8, PixelFormatOf(PFID_P8)));
        t->textureFlags = TEXTURE_PALETTISED;
        t->palette = p;
    }
    CTMaterial m1 = materials["Glass"], m2 = m1;
    m1.texture = &t1;
    m2.texture = &t2;
    auto face = [](float key, const CTMaterial* m) {
        PipeFace f;
        f.key = key;
        f.material = m;
        return f;
    };
    pipe.faceList = {face(2, &m1), face(1, &m1), face(2, &m2), face(NAN, &m2), face(0.5f, &m1)};
    pipe.EndScene();
    const auto& s = pipe.sortList;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0], &pipe.faceList[4]);
    EXPECT_EQ(s[1], &pipe.faceList[1]);
    EXPECT_EQ(s[2], &pipe.faceList[0]);
    EXPECT_EQ(s[3], &pipe.faceList[2]);
    // m1 three times in a row, then m2: one bind and one release each.
    EXPECT_EQ(p1.locks, 1);
    EXPECT_EQ(p1.unlocks, 1);
    EXPECT_EQ(p2.locks, 1);
    EXPECT_EQ(p2.unlocks, 1);

    // No deferred face: no sort and no time.
    pipe.BeginScene();
    const double before = pipe.rasterTime.total;
    pipe.EndScene();
    EXPECT_EQ(pipe.sortList.size(), 4u);
    EXPECT_EQ(pipe.rasterTime.total, before);
}

}  // namespace
