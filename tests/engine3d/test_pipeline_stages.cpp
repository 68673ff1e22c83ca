// Vertex stages: clip codes and culling (ties included), projections of every camera kind,
// rejection, face masks, occlusion, two-matrix and deformed meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine3d/GeometryPipeline.h"
#include "raster/HZBuffer.h"
#include "tests/engine3d/Expect3D.h"
#include "tests/engine3d/PipelineTestUtil.h"

namespace {

constexpr float kSentinel = -12345.0f;
constexpr DrawFlags kPerVertex = kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX;

class Stages : public PipelineFixture {
protected:
    // Transformed with every screen vertex marked first, so untouched ones show.
    void Transform(const CTMesh& mesh, DrawFlags flags = kSceneFlags, const CTCamera* cam = nullptr)
    {
        for (uint32_t i = 0; i < pipe.vertexCapacity; ++i) pipe.screenVertices[i] = {kSentinel, kSentinel, 0, 0};
        pipe.TransformVertices(cam ? *cam : camera, object, mesh, flags);
    }
    bool Rejected() const { return (pipe.clipIntersection & CLIP_PLANES) != 0; }
    CTMesh Tri(std::vector<CTVector3> v, uint32_t flags = 0) { return TestMesh(v, {0, 2, 1}, materials, {}, flags); }
};

TEST_F(Stages, ClipCodesAreStrictAndFacesWhollyOutsideOnePlaneAreHidden)
{
    // Face 0 lies wholly above the view (each corner on a different side too); face 1 touches the
    // near plane and the left edge exactly, which counts as inside.
    const float left = camera.slopes[0];
    const CTMesh mesh = TestMesh({{-20, -20, 5}, {0, -25, 5}, {20, -20, 5}, {left, 0, 1}, {0, 0.5f, 5}, {1, 0, 5}},
                                 {0, 2, 1, 3, 4, 5}, materials);
    Transform(mesh, kPerVertex);  // per-vertex codes, no bounds
    ASSERT_FALSE(Rejected());
    EXPECT_EQ(pipe.vertexCodes[0] & CLIP_PLANES, CLIP_TOP | CLIP_LEFT);
    EXPECT_EQ(pipe.vertexCodes[1] & CLIP_PLANES, CLIP_TOP);
    EXPECT_EQ(pipe.vertexCodes[3] & CLIP_PLANES, 0);
    EXPECT_EQ(pipe.currentFaceCodes[0], CLIP_HIDDEN);
    EXPECT_EQ(pipe.currentFaceCodes[1], 0);
    EXPECT_EQ(pipe.clipUnion, uint32_t(CLIP_TOP | CLIP_LEFT | CLIP_RIGHT));
}

TEST_F(Stages, BackFacesTiesIncludedNeverMarkTheirVertices)
{
    // Face 0 faces the camera; face 1 faces away; face 2 is edge-on (its plane holds the eye).
    const CTMesh mesh = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}, {3, 3, 6}, {3, 4, 6}, {4, 3, 6}, {0, 0, 4}, {0, 0, 8}, {0, 1, 6}},
                                 {0, 2, 1, 3, 5, 4, 6, 7, 8}, materials);
    Transform(mesh);
    ASSERT_FALSE(Rejected());
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    EXPECT_EQ(pipe.currentFaceCodes[1], CLIP_HIDDEN);
    EXPECT_EQ(pipe.currentFaceCodes[2], CLIP_HIDDEN);
    for (int i : {0, 1, 2}) EXPECT_NE(pipe.screenVertices[i].x, kSentinel) << i;
    for (int i : {3, 4, 5, 6, 7, 8}) EXPECT_EQ(pipe.screenVertices[i].x, kSentinel) << i;
}

TEST_F(Stages, EveryCameraKindProjectsByItsRule)
{
    // Perspective, box inside the view: 100 x / z + 50; depth 0 at near and 1 at far; q = 1/z.
    const CTMesh inside = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}, {0, 0, 6}}, {0, 2, 1}, materials);
    Transform(inside);
    EXPECT_EQ(pipe.clipUnion, 0u);
    EXPECT_EQ(pipe.vertexCodes[3], 0);  // used by no face
    const CTVector4& s = pipe.screenVertices[1];
    EXPECT_FLOAT_EQ(s.x, 70.0f);
    EXPECT_FLOAT_EQ(s.y, 30.0f);
    EXPECT_FLOAT_EQ(s.w, 0.2f);
    EXPECT_NEAR(s.z, (10.0f / 9.0f) * (1.0f - 1.0f / 5.0f), 1e-6);

    const CTMesh mesh = Tri({{-0.2f, -0.1f, 5}, {0.2f, -0.1f, 5}, {0.1f, 0.2f, 5}});
    CTCamera parallel;
    SetTestCamera(parallel, CAMERA_PARALLEL);
    Transform(mesh, kSceneFlags | DF_PARALLEL, &parallel);
    ASSERT_FALSE(Rejected());
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].x, 70.0f);
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].y, 40.0f);
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].w, 0.2f);
    ExpectVec(pipe.viewDirection, {0, 0, 1});  // left in object space

    CTCamera eye;
    SetTestCamera(eye, CAMERA_EYEPOINT);
    eye.eye = {0.4f, 0, -5};
    Transform(mesh, kSceneFlags | DF_EYEPOINT, &eye);
    ASSERT_FALSE(Rejected());
    // t = 5 / 10: halfway between the point and the eye.
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].x, (0.2f * 0.5f + 0.4f * 0.5f) * 100 + 50);
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].y, -0.05f * 100 + 50);
}

TEST_F(Stages, NearVerticesAreNeverProjectedAndOutsideObjectsRejected)
{
    // Crossing the near plane: coded per vertex, the near vertex (and one behind the eye) unprojected.
    for (const CTVector3 near : {CTVector3{0, 0.2f, 0.5f}, CTVector3{0, 3, -2}}) {
        Transform(Tri({{-1, -1, 5}, {1, -1, 5}, near}));
        ASSERT_FALSE(Rejected());
        EXPECT_EQ(pipe.vertexCodes[2] & CLIP_NEAR, CLIP_NEAR);
        EXPECT_EQ(pipe.screenVertices[2].x, kSentinel);
        EXPECT_NE(pipe.screenVertices[0].x, kSentinel);
    }
    EXPECT_EQ(pipe.currentFaceCodes[0] & CLIP_NEAR, CLIP_NEAR);

    Transform(Tri({{-30, 0, 5}, {-20, 1, 5}, {-20, 0, 5}}, MESH_DEFORMED), kPerVertex);
    EXPECT_EQ(pipe.clipIntersection & CLIP_LEFT, CLIP_LEFT);
    pipe.EndObject();
    const CTMesh mesh = Tri({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}});
    object.SetLocalPosition({0, 0, -20});
    Transform(mesh);
    EXPECT_TRUE(Rejected());
    object.SetLocalPosition({0, 0, 0});
    camera.projection = 8;  // an unknown kind
    Transform(mesh);
    EXPECT_TRUE(Rejected());
}

TEST_F(Stages, AFaceMaskHidesFacesOfOneObjectOnly)
{
    const CTMesh mesh = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}, {-1, 1, 5}}, {0, 2, 1, 0, 3, 2}, materials);
    const uint8_t mask[2] = {1, 0};
    pipe.faceMask = mask;
    Transform(mesh);
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    EXPECT_EQ(pipe.currentFaceCodes[1], CLIP_HIDDEN);
    Transform(mesh);
    EXPECT_EQ(pipe.currentFaceCodes[1], 0);
}

TEST_F(Stages, OcclusionAgainstTheClipRectangleAndTheHierarchicalZBuffer)
{
    CTBounds box;
    box.centre = {0, 0, 5};
    box.extent[0] = box.extent[1] = box.extent[2] = 0.5f;
    CTMatrix34 identity;
    CHZPyramid hz;
    ASSERT_TRUE(hz.Create(128));
    hz.Update();
    pipe.hzBuffer = &hz.Buffer();
    EXPECT_FALSE(pipe.IsBoxOccluded(camera, identity, box));

    // Everything nearer than the box: hidden, and so are the faces.
    std::fill(hz.Level0(), hz.Level0() + 128 * 128, uint16_t(0xFFFF));
    hz.Update();
    EXPECT_TRUE(pipe.IsBoxOccluded(camera, identity, box));
    Transform(Tri({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}}), DF_TRANSFORM | DF_BOUNDS | DF_OCCLUDE_FACES);
    EXPECT_EQ(pipe.currentFaceCodes[0], CLIP_HIDDEN);

    // A corner exactly at the near distance skips the test: drawn.
    box.centre = {0, 0, 1.5f};
    EXPECT_FALSE(pipe.IsBoxOccluded(camera, identity, box));
    // Wholly right of the clip rectangle: hidden without consulting a cell.
    box.centre = {20, 0, 5};
    pipe.hzBuffer = nullptr;
    EXPECT_TRUE(pipe.IsBoxOccluded(camera, identity, box));
}

TEST_F(Stages, TwoMatrixVerticesFollowTheirSelectedFrame)
{
    CTFrame parent;
    parent.SetLocalPosition({0, 0, 5});
    CTFrame child(&parent);
    child.SetLocalPosition({0, 0, 2});
    CTDbMesh r;
    r.name = "two";
    r.flags = MESH_DEFORMED;
    r.vertices = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}};
    r.matrixSelect = {0, 1, 0};
    r.faces = {0, 2, 1};
    r.groups = {{"", 1}};
    CTMesh mesh;
    ASSERT_TRUE(Mesh_FromDb(r, mesh, 0, materials));
    pipe.TransformVertices(camera, child, mesh, kPerVertex);
    EXPECT_FLOAT_EQ(pipe.cameraVertices[0].z, 7.0f);
    EXPECT_FLOAT_EQ(pipe.cameraVertices[1].z, 5.0f);
    // Deformed faces are tested with normals recomputed in camera space.
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    EXPECT_LT(pipe.facePlanes[0].z, 0.0f);
}

TEST(AlignedArrays, StartOn64BytesAndAreFreedThroughThePointerAfterThem)
{
    for (size_t n : {1u, 3u, 2048u}) {
        CTVector4* a = array_new_aligned_vec4(n);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 64, 0u);
        // The raw block starts at most 63 bytes before the array.
        uintptr_t raw;
        std::memcpy(&raw, a + n, sizeof raw);
        EXPECT_LE(reinterpret_cast<uintptr_t>(a) - raw, 63u);
        for (size_t i = 0; i < n; ++i) a[i] = {1, 2, 3, 4};
        array_delete_at_vec4(a, n);
    }
    // Every element type the pipeline keeps, zero-filled and aligned.
    CTAlignedArray<uint8_t> bytes(13);
    CTAlignedArray<uint32_t> words(5);
    CTAlignedArray<float> floats(7);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes.data()) % 64 + reinterpret_cast<uintptr_t>(words.data()) % 64 +
                  reinterpret_cast<uintptr_t>(floats.data()) % 64,
              0u);
    EXPECT_EQ(bytes[12] + words[4] + floats[6], 0.0f);
    EXPECT_TRUE(words.Resize(9));
    EXPECT_TRUE(bytes.Resize(0));
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
