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
RastVertex At(const CTVector3& p) { return {100 * p.x / p.z + 50, 100 * p.y / p.z + 50, 1 / p.z, 0, 0, 0, 0, 0, 0}; }

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
    // A one-face mesh, transformed and given its material table.
    CTMesh Prepared(CTVector3 a, CTVector3 b, CTVector3 c, const char* material = "")
    {
        CTMesh mesh = TestMesh({a, b, c}, {0, 1, 2}, materials, {{material, 1}}, MESH_DEFORMED);
        pipe.TransformVertices(camera, object, mesh, kPerVertex);
        EXPECT_EQ(pipe.clipIntersection & CLIP_PLANES, 0u);
        EXPECT_EQ(pipe.currentFaceCodes[0] & CLIP_HIDDEN, 0u);
        pipe.BuildMaterialTable(mesh, kPerVertex);
        return mesh;
    }
};

TEST_F(Raster, TheClipTableGivesExactVertexLists)
{
    const CTVector3 a0{0, -1, 5}, a1{-1, 1, 0.5f}, a2{1, 1, 5};         // one corner before near
    const CTVector3 b0{-0.2f, 0.3f, 0.5f}, b1{3, 0, 20}, b2{0, -1, 5};  // cut by near and far
    const struct {
        CTVector3 c0, c1, c2;
        std::vector<RastVertex> want;
    } cases[] = {
        {a0, a1, a2, {At(a0), At(a0, a1, 1), At(a1, a2, 1), At(a2)}},
        {b0, b1, b2, {At(b2, b0, 1), At(b0, b1, 1), At(b0, b1, 10), At(b1, b2, 10), At(b2)}},
    };
    for (const auto& k : cases) {
        const CTMesh mesh = Prepared(k.c0, k.c1, k.c2);
        pipe.RasterizeObject(camera, mesh);
        const std::vector<RastVertex> got = CapturingRasterizer::Last();
        ASSERT_EQ(got.size(), k.want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].x, k.want[i].x, 1e-3f) << i;
            EXPECT_NEAR(got[i].y, k.want[i].y, 1e-3f) << i;
            EXPECT_NEAR(got[i].z, k.want[i].z, 1e-6f) << i;
            // The general body gives neutral attributes, never the previous polygon's.
            EXPECT_EQ(got[i].u, 0.0f);
            EXPECT_EQ(got[i].shade2, 1.0f);
        }
        if (k.want.size() == 4) EXPECT_EQ(cap.rast.faceCode & ~uint32_t(CLIP_LEFT | CLIP_BOTTOM), uint32_t(CLIP_NEAR));
    }
}

TEST_F(Raster, ClippedColoursBlendInTheProportionOfTheCut)
{
    const CTMesh mesh = Prepared({0, -1, 5}, {-1, 1, 0.5f}, {1, 1, 5});
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

TEST_F(Raster, DeferredFacesAreClippedAtOnePlaneWithTruncatedColours)
{
    const struct {
        CTVector3 a, b, c;
        std::vector<float> q;
    } cases[] = {
        // Wholly inside: the corners as they are.
        {{0, -1, 5}, {-1, 1, 4}, {1, 1, 6}, {0.2f, 0.25f, 1.0f / 6.0f}},
        // One corner before the near plane: two corners and two intersections on z = near.
        {{0, -1, 5}, {-1, 1, 0.5f}, {1, 1, 5}, {0.2f, 1.0f, 1.0f, 0.2f}},
        // Two corners before it: one corner and two intersections.
        {{0, -1, 5}, {-1, 1, 0.5f}, {1, 1, 0.5f}, {1.0f, 0.2f, 1.0f}},
        // One corner beyond the far plane only: clipped there.
        {{0, -1, 5}, {-1, 1, 20}, {1, 1, 5}, {0.2f, 0.1f, 0.1f, 0.2f}},
        // Near and far: clipped at the near plane only, the far corner kept.
        {{-0.2f, 0.3f, 0.5f}, {3, 0, 20}, {0, -1, 5}, {1.0f, 1.0f, 0.05f, 0.2f}},
    };
    for (const auto& k : cases) {
        pipe.BeginScene();
        const CTMesh mesh = Prepared(k.a, k.b, k.c, "Glass");
        pipe.RasterizeObject(camera, mesh);
        ASSERT_EQ(pipe.faceList.size(), 1u);
        const PipeFace& f = pipe.faceList[0];
        ASSERT_EQ(f.count, k.q.size());
        ASSERT_EQ(pipe.vertexList.size(), k.q.size());
        EXPECT_EQ(f.material, &pipe.deferredMaterials.front());
        float sum = 0;
        for (size_t i = 0; i < k.q.size(); ++i) {
            EXPECT_NEAR(pipe.vertexList[i].q, k.q[i], 1e-6f) << i;
            EXPECT_EQ(pipe.vertexList[i].diffuse, 0xFFFFFFFFu);
            sum += pipe.vertexList[i].q;
        }
        EXPECT_NEAR(f.key, sum / float(k.q.size()), 1e-6f);
    }

    // A cut at t = 127.9 / 255 from the inside corner (red 0) to the outside one (red 255).
    pipe.BeginScene();
    const float outZ = 5.0f + (1.0f - 5.0f) / (127.9f / 255.0f);
    const CTMesh mesh = Prepared({0, -1, 5}, {0, 1, outZ}, {1, 1, 5}, "Glass");
    const uint32_t colours[3] = {0xFF000000, 0xFFFF0000, 0xFF000000};
    pipe.currentColours = colours;
    pipe.RasterizeColor(camera, mesh);
    ASSERT_EQ(pipe.faceList.size(), 1u);
    EXPECT_EQ(pipe.faceList[0].format, uint32_t(PV_DIFFUSE));
    ASSERT_GE(pipe.vertexList.size(), 2u);
    EXPECT_EQ(pipe.vertexList[1].diffuse, 0xFF7F0000u);
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
}

TEST_F(Raster, MaterialTablesTakeOverridesForOneObject)
{
    CTMaterial& red = materials["Red"];
    const CTMesh mesh = TestMesh({{0, -1, 5}, {-1, 1, 5}, {1, 1, 5}}, {0, 2, 1, 0, 2, 1, 0, 2, 1}, materials,
                                 {{"Red", 1}, {"Glass", 1}, {"", 1}});
    pipe.BuildMaterialTable(mesh, 0);
    ASSERT_EQ(pipe.materialTable.size(), 4u);
    EXPECT_EQ(pipe.materialTable[0], &red);
    EXPECT_EQ(pipe.materialTable[1], &pipe.deferredMaterials.back());
    EXPECT_EQ(pipe.materialTable[2], nullptr);

    // An override replaces every group's material, and holds for one object, even one that is culled.
    pipe.materialOverride[0] = &materials["Glass"];
    pipe.BuildMaterialTable(mesh, 0);
    for (int g = 0; g < 3; ++g) EXPECT_EQ(pipe.materialTable[g], &pipe.deferredMaterials.back());
    object.SetLocalPosition({0, 0, -50});
    EXPECT_FALSE(pipe.DrawObject(camera, object, mesh, kSceneFlags));
    EXPECT_EQ(pipe.materialOverride[0], nullptr);
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
    // Farthest first (smallest key), equal keys in their order, a NaN key dropped.
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
}

}  // namespace
