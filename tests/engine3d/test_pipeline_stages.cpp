// Vertex stages: capacities, clip codes and culling (ties included), projections of every camera
// kind, rejection, face masks, occlusion, two-matrix and deformed meshes, table square roots.
#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/GeometryPipeline.h"
#include "raster/HZBuffer.h"
#include "tests/engine3d/Expect3D.h"
#include "tests/engine3d/PipelineTestUtil.h"

namespace {

constexpr float kSentinel = -12345.0f;

class Stages : public PipelineFixture {
protected:
    void MarkScreen()
    {
        for (uint32_t i = 0; i < pipe.vertexCapacity; ++i) pipe.screenVertices[i] = {kSentinel, kSentinel, 0, 0};
    }
    void Transform(const CTMesh& mesh, DrawFlags flags = kSceneFlags)
    {
        MarkScreen();
        pipe.TransformVertices(camera, object, mesh, flags);
    }
    bool Rejected() const { return (pipe.clipIntersection & CLIP_PLANES) != 0; }
};

TEST_F(Stages, CapacitiesGrowInStepsAndNormalsFollowTheVertices)
{
    CTMesh m;
    m.vertexCount = 3000;
    ASSERT_TRUE(pipe.EnsureCapacity(m));
    EXPECT_EQ(pipe.vertexCapacity, 2048u + 2 * 2048u);
    // Derived from the old vertex capacity, not from its own previous value.
    EXPECT_EQ(pipe.normalCapacity, 2048u);

    CTGeometryPipeline p2(2048, 2048, 16);
    m = CTMesh{};
    m.vertexCount = 100;
    m.normalCount = 5000;
    ASSERT_TRUE(p2.EnsureCapacity(m));
    EXPECT_EQ(p2.vertexCapacity, 2048u);
    EXPECT_EQ(p2.normalCapacity, 2048u + 3 * 2048u);
    m.normalCount = 10;
    ASSERT_TRUE(p2.EnsureCapacity(m));
    EXPECT_EQ(p2.normalCapacity, 2048u);

    // The colour arrays are indexed by lit-vertex slot, which may outnumber the normals.
    m.slots.resize(2100);
    ASSERT_TRUE(p2.EnsureCapacity(m));
    EXPECT_GE(p2.normalCapacity, 2100u);
}

TEST_F(Stages, ClipCodesAreStrictAndFacesWhollyOutsideOnePlaneAreHidden)
{
    // Face 0 lies wholly above the view (each corner on a different side too); face 1 touches the
    // near plane and the left edge exactly, which counts as inside.
    const float left = camera.slopes[0];
    const CTMesh mesh = TestMesh({{-20, -20, 5}, {0, -25, 5}, {20, -20, 5}, {left, 0, 1}, {0, 0.5f, 5}, {1, 0, 5}},
                                 {0, 2, 1, 3, 4, 5}, materials);
    Transform(mesh, kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX);  // per-vertex codes, no bounds
    ASSERT_FALSE(Rejected());
    EXPECT_EQ(pipe.vertexCodes[0] & CLIP_PLANES, CLIP_TOP | CLIP_LEFT);
    EXPECT_EQ(pipe.vertexCodes[1] & CLIP_PLANES, CLIP_TOP);
    EXPECT_EQ(pipe.vertexCodes[2] & CLIP_PLANES, CLIP_TOP | CLIP_RIGHT);
    EXPECT_EQ(pipe.vertexCodes[3] & CLIP_PLANES, 0);
    EXPECT_EQ(pipe.currentFaceCodes[0], CLIP_HIDDEN);
    EXPECT_EQ(pipe.currentFaceCodes[1], 0);
    EXPECT_EQ(pipe.clipUnion, uint32_t(CLIP_TOP | CLIP_LEFT | CLIP_RIGHT));
    EXPECT_EQ(pipe.clipIntersection, 0u);
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

TEST_F(Stages, ABoxInsideTheViewTakesTheFastPath)
{
    const CTMesh mesh = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}, {0, 0, 6}}, {0, 2, 1}, materials);
    Transform(mesh);
    EXPECT_EQ(pipe.clipUnion, 0u);
    EXPECT_EQ(pipe.clipIntersection, 0u);
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    for (int i : {0, 1, 2}) EXPECT_EQ(pipe.vertexCodes[i], CLIP_USED);
    EXPECT_EQ(pipe.vertexCodes[3], 0);
    // Perspective: 100 x / z + 50; depth 0 at near and 1 at far; q = 1/z.
    const CTVector4& s = pipe.screenVertices[1];
    EXPECT_FLOAT_EQ(s.x, 70.0f);
    EXPECT_FLOAT_EQ(s.y, 30.0f);
    EXPECT_FLOAT_EQ(s.w, 0.2f);
    EXPECT_NEAR(s.z, (10.0f / 9.0f) * (1.0f - 1.0f / 5.0f), 1e-6);
}

TEST_F(Stages, AnObjectCrossingTheNearPlaneIsCodedPerVertexAndItsNearVertexNotProjected)
{
    const CTMesh mesh = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 0.2f, 0.5f}}, {0, 2, 1}, materials);
    Transform(mesh);
    ASSERT_FALSE(Rejected());
    EXPECT_NE(pipe.clipUnion & CLIP_NEAR, 0u);
    EXPECT_EQ(pipe.currentFaceCodes[0] & CLIP_NEAR, CLIP_NEAR);
    EXPECT_EQ(pipe.screenVertices[2].x, kSentinel);
    EXPECT_NE(pipe.screenVertices[0].x, kSentinel);

    // A point behind the eye is near too and never projected, whatever its side.
    const CTMesh behind = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 3, -2}}, {0, 2, 1}, materials);
    Transform(behind);
    EXPECT_EQ(pipe.vertexCodes[2] & CLIP_NEAR, CLIP_NEAR);
    EXPECT_EQ(pipe.screenVertices[2].x, kSentinel);
}

TEST_F(Stages, ObjectsOutsideOrSeenThroughAnUnknownKindAreRejected)
{
    const CTMesh left = TestMesh({{-30, 0, 5}, {-20, 1, 5}, {-20, 0, 5}}, {0, 2, 1}, materials, {}, MESH_DEFORMED);
    Transform(left, kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX);
    EXPECT_TRUE(Rejected());
    EXPECT_EQ(pipe.clipIntersection & CLIP_LEFT, CLIP_LEFT);
    pipe.EndObject();

    const CTMesh mesh = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}}, {0, 2, 1}, materials);
    object.SetLocalPosition({0, 0, -20});
    Transform(mesh);
    EXPECT_TRUE(Rejected());
    object.SetLocalPosition({0, 0, 0});

    camera.projection = 8;
    Transform(mesh);
    EXPECT_TRUE(Rejected());
}

TEST_F(Stages, EveryCameraKindProjectsByItsRule)
{
    const CTMesh mesh = TestMesh({{-0.2f, -0.1f, 5}, {0.2f, -0.1f, 5}, {0.1f, 0.2f, 5}}, {0, 2, 1}, materials);
    CTCamera parallel;
    SetTestCamera(parallel, CAMERA_PARALLEL);
    pipe.TransformVertices(parallel, object, mesh, kSceneFlags | DF_PARALLEL);
    ASSERT_FALSE(Rejected());
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].x, 70.0f);
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].y, 40.0f);
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].w, 0.2f);
    // The parallel face stage leaves the view direction in object space.
    ExpectVec(pipe.viewDirection, {0, 0, 1});

    CTCamera eye;
    SetTestCamera(eye, CAMERA_EYEPOINT);
    eye.eye = {0.4f, 0, -5};
    pipe.TransformVertices(eye, object, mesh, kSceneFlags | DF_EYEPOINT);
    ASSERT_FALSE(Rejected());
    // t = 5 / 10: halfway between the point and the eye.
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].x, (0.2f * 0.5f + 0.4f * 0.5f) * 100 + 50);
    EXPECT_FLOAT_EQ(pipe.screenVertices[1].y, -0.05f * 100 + 50);
    ExpectVec(pipe.eyePoint, {0.4f, 0, -5});
}

TEST_F(Stages, AFaceMaskHidesFacesOfOneObjectOnly)
{
    const CTMesh mesh = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}, {-1, 1, 5}}, {0, 2, 1, 0, 3, 2}, materials);
    const uint8_t mask[2] = {1, 0};
    pipe.faceMask = mask;
    Transform(mesh);
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    EXPECT_EQ(pipe.currentFaceCodes[1], CLIP_HIDDEN);
    EXPECT_EQ(pipe.faceMask, nullptr);
    Transform(mesh);
    EXPECT_EQ(pipe.currentFaceCodes[1], 0);

    // Without the transform flag no stage runs, only the face codes are selected.
    pipe.faceMask = mask;
    Transform(mesh, 0);
    EXPECT_EQ(pipe.screenVertices[0].x, kSentinel);
    EXPECT_EQ(pipe.currentFaceCodes, pipe.maskedFaceCodes.data());
}

TEST_F(Stages, BoxOcclusionAgainstTheClipRectangleAndTheHierarchicalZBuffer)
{
    CTBounds box;
    box.centre = {0, 0, 5};
    box.extent[0] = box.extent[1] = box.extent[2] = 0.5f;
    CTMatrix34 identity;
    CHZPyramid hz;
    ASSERT_TRUE(hz.Create(128));
    hz.Update();
    pipe.hzBuffer = &hz.Buffer();
    EXPECT_FALSE(Pipe_IsBoxOccluded(pipe, camera, identity, box));

    // Everything nearer than the box: hidden.
    std::fill(hz.Level0(), hz.Level0() + 128 * 128, uint16_t(0xFFFF));
    hz.Update();
    EXPECT_TRUE(Pipe_IsBoxOccluded(pipe, camera, identity, box));

    // A corner exactly at the near distance skips the test: drawn.
    box.centre = {0, 0, 1.5f};
    EXPECT_FALSE(Pipe_IsBoxOccluded(pipe, camera, identity, box));

    // Wholly right of the clip rectangle: hidden without consulting a cell.
    box.centre = {20, 0, 5};
    pipe.hzBuffer = nullptr;
    EXPECT_TRUE(Pipe_IsBoxOccluded(pipe, camera, identity, box));
}

TEST_F(Stages, FaceOcclusionHidesFacesBehindTheDepthPyramid)
{
    const CTMesh mesh = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}}, {0, 2, 1}, materials);
    CHZPyramid hz;
    ASSERT_TRUE(hz.Create(128));
    std::fill(hz.Level0(), hz.Level0() + 128 * 128, uint16_t(0xFFFF));
    hz.Update();
    pipe.hzBuffer = &hz.Buffer();
    Transform(mesh, DF_TRANSFORM | DF_BOUNDS | DF_OCCLUDE_FACES);
    EXPECT_EQ(pipe.currentFaceCodes[0], CLIP_HIDDEN);
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
    pipe.TransformVertices(camera, child, mesh, kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX);
    EXPECT_FLOAT_EQ(pipe.cameraVertices[0].z, 7.0f);
    EXPECT_FLOAT_EQ(pipe.cameraVertices[1].z, 5.0f);
    // Deformed faces are tested with normals recomputed in camera space.
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    EXPECT_LT(pipe.facePlanes[0].z, 0.0f);
}

TEST_F(Stages, DeformedMeshesUnderTheEyePointKindGetFaceCodes)
{
    CTCamera eye;
    SetTestCamera(eye, CAMERA_EYEPOINT);
    eye.eye = {0, 0, -5};
    const CTMesh mesh =
        TestMesh({{-0.5f, -0.5f, 5}, {0.5f, -0.5f, 5}, {0, 0.5f, 5}}, {0, 2, 1, 0, 1, 2}, materials, {}, MESH_DEFORMED);
    std::fill(pipe.faceCodes.data(), pipe.faceCodes.data() + 2, uint8_t(0x77));
    pipe.TransformVertices(eye, object, mesh, kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX | DF_EYEPOINT);
    ASSERT_FALSE(Rejected());
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    EXPECT_EQ(pipe.currentFaceCodes[1], CLIP_HIDDEN);
}

TEST(PipelineMath, TableSquareRootsAndViewTransforms)
{
    EXPECT_EQ(FastSqrt(4.0f), 2.0f);
    EXPECT_EQ(FastSqrt(0.0f), 0.0f);
    EXPECT_EQ(FastSqrt(-4.0f), 0.0f);
    EXPECT_EQ(FastRSqrt(0.0f), 0.0f);
    for (float x : {1e-6f, 0.3f, 1.0f, 2.0f, 3.999f, 17.0f, 12345.0f}) {
        EXPECT_NEAR(FastSqrt(x) / std::sqrt(x), 1.0f, 5e-4f) << x;
        EXPECT_NEAR(FastRSqrt(x) * std::sqrt(x), 1.0f, 5e-4f) << x;
    }
    ExpectVec(Vec3_NormalizeFast({3, 0, 4}), {0.6f, 0, 0.8f}, 5e-4f);
    ExpectVec(Vec3_NormalizeFast({0, 0, 0}), {0, 0, 0});

    EXPECT_FALSE(Spheres_Intersect({0, 0, 0}, 2, {3, 0, 0}, 2));
    EXPECT_TRUE(Spheres_Intersect({0, 0, 0}, 2, {3, 0, 0}, 3));

    CTFrame ref, obj;
    ref.SetLocal(CTQuaternion::FromAxisAngle({0, 1, 0}, 1.5707964f), {1, 0, 0}, 2.0f);
    obj.SetLocal(CTQuaternion{}, {1, 0, 4}, 4.0f);
    CTViewTransform t;
    Pipe_BuildViewMatrix(t, ref, obj, 7);
    EXPECT_FLOAT_EQ(t.scale, 2.0f);
    // (0, 0, 4) / 2 seen from axes turned a quarter about y.
    ExpectVec(t.translation, {-2, 0, 0}, 1e-5f);
    ExpectVec(t.matrix * CTVector3{1, 0, 0}, {0, 0, 2}, 1e-5f);
    Pipe_BuildViewMatrix(t, ref, obj, 2);
    ExpectVec(t.translation, {0, 0, 0});
    ExpectVec(t.matrix * CTVector3{1, 0, 0}, {0, 0, 1}, 1e-5f);
    Pipe_BuildViewMatrix(t, ref, obj, 3);
    ExpectVec(t.matrix * CTVector3{1, 2, 3}, {1, 2, 3});
}

}  // namespace
