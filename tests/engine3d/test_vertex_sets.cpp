// Vertex stages of processor kinds 8, 9 and 18 against the portable ones (kind 1): random scenes, exact
// ties, fast paths, block layouts, occlusion, capacities and the rounding mode.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <random>

#include <xmmintrin.h>

#include "engine3d/VertexStages.h"
#include "raster/HZBuffer.h"
#include "tests/engine3d/PipelineTestUtil.h"

namespace {

constexpr float kSentinel = -4321.0f;
constexpr DrawFlags kRigid = DF_TRANSFORM | DF_BOUNDS | DF_OCCLUDE_OBJECT | DF_OCCLUDE_FACES;
// As the scene layer builds a deformed mesh (portable two-matrix transform), and without the
// two-matrix bit, which reaches the kinds' own deformed transforms.
constexpr DrawFlags kDeformedScene = kRigid | DF_DEFORMED | DF_TWO_MATRIX;
constexpr DrawFlags kDeformedOwn = kRigid | DF_DEFORMED;
constexpr int kKinds[] = {CPU_PENTIUM_II, CPU_PENTIUM_III, CPU_AMD_K6_2};

// What one TransformVertices leaves.
struct Result {
    uint32_t andCode = 0, orCode = 0;
    std::vector<uint8_t> codes, faces;
    std::vector<CTVector4> cam, screen;
    uint32_t vertexCapacity = 0, faceCapacity = 0;
    bool Rejected() const { return (andCode & CLIP_PLANES) != 0; }
};

Result RunKind(int kind, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags,
           const HZBuffer* hz = nullptr, uint32_t vertexCapacity = 2048, uint32_t faceCapacity = 2048)
{
    ScopedProcessorKind scoped(kind);
    CTGeometryPipeline p(vertexCapacity, faceCapacity, 4);
    for (uint32_t i = 0; i < p.vertexCapacity; ++i)
        p.cameraVertices[i] = p.screenVertices[i] = {kSentinel, kSentinel, kSentinel, kSentinel};
    p.hzBuffer = hz;
    p.TransformVertices(camera, frame, mesh, flags);
    Result r;
    r.andCode = p.clipIntersection;
    r.orCode = p.clipUnion;
    r.codes.assign(p.vertexCodes.data(), p.vertexCodes.data() + mesh.vertexCount);
    r.faces.assign(p.currentFaceCodes, p.currentFaceCodes + mesh.faceCount);
    r.cam.assign(p.cameraVertices.data(), p.cameraVertices.data() + p.vertexCapacity);
    r.screen.assign(p.screenVertices.data(), p.screenVertices.data() + p.vertexCapacity);
    r.vertexCapacity = p.vertexCapacity;
    r.faceCapacity = p.faceCapacity;
    return r;
}

// Relative error of one reciprocal estimate of the kind (kind 9 with the software estimate).
double EstimateError(int kind)
{
    return kind == CPU_PENTIUM_III ? std::ldexp(1.0, -12) : kind == CPU_AMD_K6_2 ? std::ldexp(1.0, -15) : 0.0;
}

CTVector3 XYZ(const CTVector4& v) { return {v.x, v.y, v.z}; }
double Norm(const CTVector3& v) { return std::sqrt(double(Vec3_Norm2(v))); }

// Kind against the portable run on the same input. reach: the largest camera-space distance of the
// scene's points and translation, the scale of rounding errors.
void ExpectLikePortable(int kind, const Result& want, const Result& got, const CTCamera& camera, DrawFlags flags,
                        uint32_t classification, double reach)
{
    SCOPED_TRACE(testing::Message() << "kind " << kind << " flags 0x" << std::hex << flags);
    ASSERT_EQ(got.andCode, want.andCode);
    if (want.Rejected()) return;
    const bool rigid = !(flags & DF_DEFORMED);
    // Kind 18's own transform keeps the classification as the OR code, or 63 without one.
    const bool own18 = kind == CPU_AMD_K6_2 && !(flags & DF_TWO_MATRIX);
    EXPECT_EQ(got.orCode, own18 ? (rigid ? classification : 63u) : want.orCode);
    ASSERT_EQ(got.codes, want.codes);
    for (size_t f = 0; f < want.faces.size(); ++f) ASSERT_EQ(got.faces[f] & ~CLIP_USED, want.faces[f]) << "face " << f;
    const bool fastPath = rigid && classification == 0 && kind != CPU_AMD_K6_2;
    const double e = EstimateError(kind), slack = 2e-5;
    for (size_t i = 0; i < want.codes.size(); ++i) {
        if (!(want.codes[i] & CLIP_USED)) continue;
        const CTVector3 c = XYZ(want.cam[i]);
        if (fastPath) {
            ASSERT_EQ(got.cam[i].x, kSentinel) << i;
        } else {
            const double tol = (e + slack) * reach;
            ASSERT_NEAR(got.cam[i].x, c.x, tol) << i;
            ASSERT_NEAR(got.cam[i].y, c.y, tol) << i;
            ASSERT_NEAR(got.cam[i].z, c.z, tol) << i;
        }
        if (want.codes[i] & CLIP_NEAR) continue;
        const CTVector4 &s = want.screen[i], &t = got.screen[i];
        const double w = s.w, rho = reach / std::fabs(double(c.z));
        const double tolW = (2 * e + slack) * rho * w;
        ASSERT_NEAR(t.w, w, tolW) << i;
        ASSERT_NEAR(t.z, s.z, camera.Zs * tolW + 1e-6) << i;
        ASSERT_NEAR(t.x, s.x, (3 * e + slack) * rho * camera.Sx * reach * w + 1e-3) << i;
        ASSERT_NEAR(t.y, s.y, (3 * e + slack) * rho * camera.Sy * reach * w + 1e-3) << i;
    }
}

// Kind 9 tests use the software estimate: the same bits on every processor. The test camera (slopes
// -0.5 and 0.5, near 1, far 10) and object at the origin, camera scale 1, serve the exact ties.
class VertexSets : public PipelineFixture {
protected:
    void SetUp() override
    {
        PipelineFixture::SetUp();
        VxSse_SoftwareEstimate = true;
    }
    void TearDown() override { VxSse_SoftwareEstimate = false; }
};

// ---- Random scenes ----

enum Placement { kInside, kCrossing, kOutside };

struct RandomScene {
    CTCamera camera;
    CTFrame object;
    CTMesh mesh;
    CTMatrix34 m;  // object to camera, as the portable stages build it
    double reach = 0;
};

class SceneMaker {
public:
    explicit SceneMaker(uint32_t seed) : rng_(seed) {}

    // False when no scene with clear margins came out of the seed.
    bool Make(RandomScene& s, Placement where, bool deformed, CTMaterialMap& materials)
    {
        for (int attempt = 0; attempt < 50; ++attempt)
            if (Try(s, where, deformed, materials)) return true;
        return false;
    }

private:
    std::mt19937 rng_;
    float U(float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng_); }
    CTQuaternion Turn() { return CTQuaternion::FromAxisAngle({U(-1, 1), U(-1, 1), U(-1, 1)}, U(-3, 3)); }

    // Clear of every plane by far more than any set's error; vertices also in front of the eye.
    static bool Clear(const CTCamera& c, const CTVector3& p, bool vertex)
    {
        const float m = 1e-3f * (std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z)) + 1e-4f;
        if (vertex && !(p.z > m)) return false;
        return std::fabs(p.x - p.z * c.slopes[0]) > m && std::fabs(p.x - p.z * c.slopes[2]) > m &&
               std::fabs(p.y - p.z * c.slopes[1]) > m && std::fabs(p.y - p.z * c.slopes[3]) > m &&
               std::fabs(p.z - c.near) > m && std::fabs(p.z - c.far) > m && std::fabs(p.z) > m;
    }

    bool Try(RandomScene& s, Placement where, bool deformed, CTMaterialMap& materials)
    {
        CTCamera& c = s.camera;
        const int w = 64 + int(rng_() % 577), h = 64 + int(rng_() % 417);
        c.SetClipRect(0, 0, w - 1, h - 1);
        c.SetCenter(float(w) * U(0.4f, 0.6f), float(h) * U(0.4f, 0.6f));
        c.SetFocalScale(U(80, 400), U(80, 400));
        c.SetFar(U(30, 200));
        c.SetNear(U(0.5f, 3));
        const float cameraScale = rng_() % 2 ? 1.0f : U(0.5f, 2);
        c.frame.SetLocal(Turn(), {U(-5, 5), U(-5, 5), U(-5, 5)}, cameraScale);

        // The object's centre and half size in camera space.
        const float minSlope = std::min({-c.slopes[0], -c.slopes[1], c.slopes[2], c.slopes[3]});
        const float depth = U(c.near * 3, c.far * 0.5f);
        CTVector3 centre{0, 0, depth};
        float half = 0.2f * std::min({depth * minSlope, depth - c.near, c.far - depth});
        if (where == kCrossing) {
            half = depth * U(0.3f, 1.5f);
            centre.x = depth * U(-0.5f, 0.5f);
        } else if (where == kOutside) {
            centre.x = depth * c.slopes[0] * 3;
            half = std::min(half, -centre.x / 4);
        }
        const float objectScale = U(0.5f, 2);
        s.object.SetLocal(Turn(), c.frame.PointToWorld(centre), objectScale);
        s.m = Frame_RelativeMatrix(c.frame, s.object);
        const float k = objectScale / cameraScale, size = half / k / std::sqrt(3.0f);

        const int n = 3 + int(rng_() % 150);
        std::vector<CTVector3> vertices;
        s.reach = Norm({s.m.m[0][3], s.m.m[1][3], s.m.m[2][3]});
        while (int(vertices.size()) < n) {
            const CTVector3 p{U(-size, size), U(-size, size), U(-size, size)};
            const CTVector3 q = Vec3_Transform34(s.m, p);
            if (!Clear(c, q, true)) continue;
            vertices.push_back(p);
            s.reach = std::max(s.reach, Norm(q));
        }
        std::vector<uint16_t> faces;
        const int f = 1 + int(rng_() % 120);
        for (int i = 0; i < f; ++i) {
            const uint16_t a = uint16_t(rng_() % n), b = uint16_t(rng_() % n), d = uint16_t(rng_() % n);
            if (a != b && b != d && a != d) faces.insert(faces.end(), {a, b, d});
        }
        if (faces.empty()) return false;
        const uint32_t flags = deformed ? uint32_t(MESH_DEFORMED) : 0u;
        s.mesh = TestMesh(vertices, faces, materials, {}, flags);
        // Box corners clear too, and no face near its culling tie.
        const CTMatrix34& m = s.m;
        for (int corner = 0; corner < 8; ++corner) {
            CTVector3 q = s.mesh.bounds.centre;
            for (int i = 0; i < 3; ++i) {
                const CTVector3 a = Vec3_Scale(s.mesh.bounds.axis[i], s.mesh.bounds.extent[i]);
                q = (corner >> i & 1) ? Vec3_Add(q, a) : Vec3_Sub(q, a);
            }
            if (!Clear(c, Vec3_Transform34(m, q), false)) return false;
        }
        c.frame.UpdateWorld();
        const CTVector3 eye = s.object.PointFromWorld(c.frame.worldPosition);
        std::vector<uint16_t> kept;
        for (size_t i = 0; i < faces.size(); i += 3) {
            double v, scale;
            if (deformed) {
                const CTVector3 a = Vec3_Transform34(m, vertices[faces[i]]);
                const CTVector3 nrm = Vec3_Cross(Vec3_Sub(Vec3_Transform34(m, vertices[faces[i + 1]]), a),
                                                 Vec3_Sub(Vec3_Transform34(m, vertices[faces[i + 2]]), a));
                v = Vec3_Dot(nrm, a);
                scale = Norm(nrm) * Norm(a);
            } else {
                const CTVector4& pl = s.mesh.planes[i / 3];
                v = double(pl.x) * eye.x + double(pl.y) * eye.y + double(pl.z) * eye.z - pl.w;
                scale = Norm(eye) + std::fabs(pl.w);
            }
            if (std::fabs(v) > 1e-3 * scale + 1e-6) kept.insert(kept.end(), faces.begin() + i, faces.begin() + i + 3);
        }
        if (kept.empty()) return false;
        s.mesh = TestMesh(vertices, kept, materials, {}, flags);
        return true;
    }
};

TEST_F(VertexSets, RandomScenesGiveThePortableResultsWithinEachSetsPrecision)
{
    CHZPyramid open, shut;
    ASSERT_TRUE(open.Create(64, 0.1f, 0.1f));
    ASSERT_TRUE(shut.Create(64, 0.1f, 0.1f));
    std::fill(shut.Level0(), shut.Level0() + 64 * 64, uint16_t(0xFFFF));
    shut.Update();
    const HZBuffer* buffers[] = {nullptr, &open.Buffer(), &shut.Buffer()};
    int scenes = 0, fast = 0, rejected = 0;
    for (uint32_t seed = 0; seed < 30; ++seed) {
        SceneMaker maker(seed);
        for (Placement where : {kInside, kCrossing, kOutside}) {
            for (DrawFlags flags : {kRigid, kDeformedScene, kDeformedOwn}) {
                RandomScene s;
                ASSERT_TRUE(maker.Make(s, where, flags & DF_DEFORMED, materials));
                const uint32_t classification = s.camera.ClassifyBounds(s.m, s.mesh.bounds);
                const HZBuffer* hz = buffers[seed % 3];
                SCOPED_TRACE(testing::Message() << "seed " << seed << " placement " << where << " buffer " << seed % 3);
                const Result want = RunKind(CPU_GENERIC, s.camera, s.object, s.mesh, flags, hz);
                for (int kind : kKinds) {
                    // Kind 18 has no box occlusion test.
                    const DrawFlags f = kind == CPU_AMD_K6_2 ? flags & ~uint32_t(DF_OCCLUDE_OBJECT) : flags;
                    const Result base = f == flags ? want : RunKind(CPU_GENERIC, s.camera, s.object, s.mesh, f, hz);
                    const Result got = RunKind(kind, s.camera, s.object, s.mesh, f, hz);
                    ExpectLikePortable(kind, base, got, s.camera, f, classification, s.reach);
                    if (HasFatalFailure()) return;
                }
                ++scenes;
                fast += !(flags & DF_DEFORMED) && classification == 0 && !want.Rejected();
                rejected += want.Rejected();
            }
        }
    }
    // Every path was taken.
    EXPECT_GT(fast, 10);
    EXPECT_GT(rejected, 10);
    EXPECT_GT(scenes - fast - rejected, 50);
}

// The transform without codes, the classification and the box tests of the sets, called directly,
// against the portable transform, CTCamera::ClassifyBounds and CTGeometryPipeline::IsBoxOccluded.
TEST_F(VertexSets, SetRoutinesKeepTheContractsOfTheirPortableTwins)
{
    CHZPyramid shut;
    ASSERT_TRUE(shut.Create(64, 0.1f, 0.1f));
    std::fill(shut.Level0(), shut.Level0() + 64 * 64, uint16_t(0xFFFF));
    shut.Update();
    int verdicts[2][4] = {};  // [seen][placement, then "no buffer"]
    for (uint32_t seed = 100; seed < 130; ++seed) {
        SceneMaker maker(seed);
        for (Placement where : {kInside, kCrossing, kOutside}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " placement " << where);
            RandomScene s;
            ASSERT_TRUE(maker.Make(s, where, false, materials));
            const uint32_t n = s.mesh.vertexCount;
            CTGeometryPipeline p(2048, 2048, 4);
            Pipe_TransformClipC(p, s.camera, s.object, s.mesh, DF_TRANSFORM | DF_DEFORMED);
            CTAlignedArray<CTVector4> got(n);
            for (uint32_t i = 0; i < n; ++i) got[i] = {kSentinel, kSentinel, kSentinel, kSentinel};
            VertexStageCache = 0;
            VxSse_TransformNoClip(s.camera, s.object, s.mesh.vertices.data(), n, got.data());
            const double tol = (EstimateError(CPU_PENTIUM_III) + 2e-5) * s.reach;
            for (uint32_t i = 0; i < n; ++i) {
                ASSERT_NEAR(got[i].x, p.cameraVertices[i].x, tol) << i;
                ASSERT_NEAR(got[i].y, p.cameraVertices[i].y, tol) << i;
                ASSERT_NEAR(got[i].z, p.cameraVertices[i].z, tol) << i;
            }

            VertexStageCache = 0;
            EXPECT_EQ(VxSse_ClassifyBounds(s.camera, s.object, s.mesh.bounds), s.camera.ClassifyBounds(s.m, s.mesh.bounds));

            for (const HZBuffer* hz : {static_cast<const HZBuffer*>(nullptr), &shut.Buffer()}) {
                p.hzBuffer = hz;
                const bool seen = !p.IsBoxOccluded(s.camera, s.m, s.mesh.bounds);
                VertexStageCache = 0;
                EXPECT_EQ(VxSse_IsBoxVisible(hz, s.camera.clip, s.camera, s.object, s.mesh.bounds), seen);
                VertexStageCache = 0;
                EXPECT_EQ(VxP6_IsBoxVisible(hz, s.camera.clip, s.camera, s.object, s.mesh.bounds), seen);
                ++verdicts[seen][hz ? where : 3];
            }
        }
    }
    // Seen by the buffer, hidden by it, cut by the near plane, outside the clip rectangle.
    EXPECT_GT(verdicts[true][3], 30);
    EXPECT_EQ(verdicts[true][kInside], 0);
    EXPECT_GT(verdicts[true][kCrossing], 3);
    EXPECT_GT(verdicts[false][kCrossing], 3);
    EXPECT_EQ(verdicts[true][kOutside], 0);
}

// ---- Exact ties ----

TEST_F(VertexSets, PlaneTiesFollowEachRoutinesComparison)
{
    // On the left, top, right, bottom, near and far planes; a vertex nearer than near so that the
    // box crosses a plane and every vertex is coded; a face in the plane x = 0 through the eye.
    const CTMesh rigid = TestMesh({{-2, 0, 4}, {0, -2, 4}, {2, 0, 4}, {0, 2, 4}, {0, 0, 1}, {0, 0, 10},
                                   {0.25f, 0.25f, 0.5f}, {0, 0, 4}, {0, 1, 5}, {0, -1, 6}},
                                  {7, 8, 9, 0, 3, 1}, materials);
    const CTMesh deformed = TestMesh({{-2, 0, 4}, {0, -2, 4}, {2, 0, 4}, {0, 2, 4}, {0, 0, 1}, {0, 0, 10},
                                      {0.25f, 0.25f, 0.5f}, {0, 0, 4}, {0, 1, 5}, {0, -1, 6}},
                                     {7, 8, 9, 0, 3, 1}, materials, {}, MESH_DEFORMED);
    ASSERT_EQ(rigid.planes[0].w, 0.0f);
    struct Case {
        int kind;
        DrawFlags flags;
        uint8_t right, bottom, far;
        bool edgeOnDrawn;
    };
    const Case cases[] = {
        {CPU_GENERIC, kRigid, 0, 0, 0, false},
        {CPU_PENTIUM_II, kRigid, 0, 0, 0, true},
        {CPU_PENTIUM_III, kRigid, 0, 0, 0, false},
        {CPU_AMD_K6_2, kRigid, 0, 0, CLIP_FAR, true},
        {CPU_PENTIUM_II, kDeformedOwn, 0, 0, 0, false},
        {CPU_PENTIUM_III, kDeformedOwn, CLIP_RIGHT, CLIP_BOTTOM, CLIP_FAR, false},
        {CPU_PENTIUM_III, kDeformedScene, 0, 0, 0, false},
        {CPU_AMD_K6_2, kDeformedOwn, 0, 0, CLIP_FAR, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " flags 0x" << std::hex << c.flags);
        const Result r = RunKind(c.kind, camera, object, c.flags & DF_DEFORMED ? deformed : rigid, c.flags);
        ASSERT_FALSE(r.Rejected());
        const uint8_t want[6] = {0, 0, c.right, c.bottom, 0, c.far};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(r.codes[i] & CLIP_PLANES, want[i]) << "vertex " << i;
        if (!(c.flags & DF_DEFORMED)) {
            EXPECT_EQ(r.faces[0] == CLIP_HIDDEN, !c.edgeOnDrawn);
        }
    }
}

TEST_F(VertexSets, DeformedFacesThroughTheEyeBySignOfZero)
{
    // p0 at the eye: n . p0 is +0 for the first face and -0 for the second (reversed).
    const CTMesh mesh = TestMesh({{0, 0, 0}, {-1, -1, 8}, {1, -2, 8}}, {0, 1, 2, 0, 2, 1}, materials, {}, MESH_DEFORMED);
    struct Case {
        int kind;
        bool plusDrawn, minusDrawn;
    };
    const Case cases[] = {{CPU_GENERIC, false, false},
                          {CPU_PENTIUM_II, true, true},
                          {CPU_PENTIUM_III, false, true},
                          {CPU_AMD_K6_2, false, false}};
    for (DrawFlags flags : {kDeformedScene, kDeformedOwn}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "kind " << c.kind << " flags 0x" << std::hex << flags);
            const Result r = RunKind(c.kind, camera, object, mesh, flags);
            ASSERT_FALSE(r.Rejected());
            EXPECT_EQ(r.faces[0] != CLIP_HIDDEN, c.plusDrawn);
            EXPECT_EQ(r.faces[1] != CLIP_HIDDEN, c.minusDrawn);
        }
    }
}

// ---- Fast paths, blocks, counts and capacities ----

// n vertices at depth 5 to 6 inside the view, four per block; blocks with an even number carry a
// face (to the next block's first vertex when the block is short), odd ones none.
CTMesh BlockMesh(uint32_t n, CTMaterialMap& materials, float shift = 0)
{
    std::vector<CTVector3> v;
    const float lane[4][2] = {{-0.3f, -0.3f}, {0.3f, -0.3f}, {0, 0.3f}, {0.1f, 0}};
    for (uint32_t i = 0; i < n; ++i) {
        const float b = float(i / 4);
        v.push_back({lane[i % 4][0] + std::fmod(b, 7.0f) * 0.05f + shift, lane[i % 4][1], 5 + b / 512});
    }
    std::vector<uint16_t> faces;
    for (uint32_t b = 0; 4 * b + 2 < n; b += 2) faces.insert(faces.end(), {uint16_t(4 * b), uint16_t(4 * b + 2), uint16_t(4 * b + 1)});
    // A short last block joins the face of the block before it.
    if (n % 4 != 0 && n > 4 && (n / 4) % 2 == 1) faces.insert(faces.end(), {uint16_t(n - 1), uint16_t(n - 3), uint16_t(n - 2)});
    return TestMesh(v, faces, materials);
}

TEST_F(VertexSets, FastPathsLeaveTheCameraSpaceArrayOnKinds8And9)
{
    const CTMesh mesh = BlockMesh(20, materials);
    ASSERT_EQ(camera.ClassifyBounds(Frame_RelativeMatrix(camera.frame, object), mesh.bounds), 0u);
    const Result want = RunKind(CPU_GENERIC, camera, object, mesh, kRigid);
    for (int kind : kKinds) {
        SCOPED_TRACE(kind);
        const Result got = RunKind(kind, camera, object, mesh, kRigid);
        ExpectLikePortable(kind, want, got, camera, kRigid, 0, 8);
        const bool written = got.cam[0].x != kSentinel;
        EXPECT_EQ(written, kind == CPU_AMD_K6_2);
        if (written) {
            EXPECT_NEAR(got.cam[3].y, want.cam[3].y, 1e-5);
        }
    }
}

TEST_F(VertexSets, Kind9BlocksWithAUsedVertexAreUnpackedAndOthersStayPacked)
{
    for (uint32_t n : {1u, 3u, 4u, 5u, 8u, 9u, 13u, 2048u}) {
        for (float shift : {0.0f, -2.4f}) {  // inside the view, then across its left edge
            SCOPED_TRACE(testing::Message() << n << " vertices, shift " << shift);
            const CTMesh mesh = BlockMesh(n, materials, shift);
            const Result want = RunKind(CPU_GENERIC, camera, object, mesh, kRigid);
            const Result got = RunKind(CPU_PENTIUM_III, camera, object, mesh, kRigid);
            ASSERT_EQ(want.orCode == 0, shift == 0);
            ExpectLikePortable(CPU_PENTIUM_III, want, got, camera, kRigid, want.orCode, 8);
            const float* packed = &got.screen[0].x;
            for (uint32_t b = 0; 4 * b < n; ++b) {
                bool used = false;
                for (uint32_t i = 4 * b; i < 4 * b + 4 && i < n; ++i) used |= (want.codes[i] & CLIP_USED) != 0;
                if (used) {
                    // Unpacked: the fillers of a short block too are whole records.
                    for (uint32_t i = n; i < 4 * b + 4; ++i) EXPECT_NEAR(got.screen[i].w, got.screen[n - 1].w, 1e-6);
                    continue;
                }
                if (shift != 0) {
                    EXPECT_EQ(packed[16 * b], kSentinel);  // never projected
                    continue;
                }
                // Packed: screen x of the 4 vertices, then y, depth and 1/z.
                for (uint32_t lane = 0; lane < 4; ++lane) {
                    const uint32_t i = std::min(4 * b + lane, n - 1);
                    const CTVector4 s = camera.ProjectPoint(mesh.vertices[i]);
                    EXPECT_NEAR(packed[16 * b + lane], s.x, 0.05) << b;
                    EXPECT_NEAR(packed[16 * b + 4 + lane], s.y, 0.05) << b;
                    EXPECT_NEAR(packed[16 * b + 12 + lane], s.w, 1e-4) << b;
                }
            }
        }
    }
}

TEST_F(VertexSets, MeshesWithoutFacesOrWithOneAndOddCapacities)
{
    const CTMesh none = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}, {0, 0, 12}}, {}, materials);
    const CTMesh one = TestMesh({{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}, {0, 0, 12}}, {0, 2, 1}, materials);
    const CTMesh odd = BlockMesh(13, materials, -2.4f);
    for (const CTMesh* mesh : {&none, &one, &odd}) {
        for (DrawFlags flags : {kRigid, kDeformedOwn}) {
            const Result want = RunKind(CPU_GENERIC, camera, object, *mesh, flags, nullptr, 13, 5);
            EXPECT_EQ(want.vertexCapacity, 16u);
            EXPECT_EQ(want.faceCapacity, 8u);
            for (int kind : kKinds) {
                const Result got = RunKind(kind, camera, object, *mesh, flags, nullptr, 13, 5);
                ExpectLikePortable(kind, want, got, camera, flags, want.orCode, 16);
                if (mesh == &none) {
                    for (uint8_t c : got.codes) EXPECT_EQ(c & CLIP_USED, 0);
                }
            }
        }
    }
}

// ---- Occlusion ----

// A small triangle covering screen pixels [x + 0.5, x + 4.5] x [y + 0.5, y + 4.5] at depth 5, facing
// the test camera (screen = 100 p / z + 50).
void AddTriangle(std::vector<CTVector3>& v, std::vector<uint16_t>& f, float x, float y)
{
    const uint16_t i = uint16_t(v.size());
    auto at = [](float sx, float sy) { return CTVector3{(sx - 50) / 20, (sy - 50) / 20, 5}; };
    v.insert(v.end(), {at(x + 0.5f, y + 0.5f), at(x + 4.5f, y + 0.5f), at(x + 0.5f, y + 4.5f)});
    f.insert(f.end(), {i, uint16_t(i + 2), uint16_t(i + 1)});
}

TEST_F(VertexSets, OcclusionOnKinds8And9RejectsWhatThePortableTestRejects)
{
    // Level 0 covers pixels 0 to 63; its columns 0 to 31 hold an occluder nearer than everything.
    CHZPyramid hz;
    ASSERT_TRUE(hz.Create(64));
    for (int y = 0; y < 64; ++y) std::fill(hz.Level0() + 64 * y, hz.Level0() + 64 * y + 32, uint16_t(0xFFFF));
    hz.Update();
    // Triangles every 8 pixels over the view and across its edges, beyond the pyramid's right and
    // bottom edges included; a grid inside the view (no vertex outside) and one across its edges.
    for (int crossing = 0; crossing < 2; ++crossing) {
        std::vector<CTVector3> v;
        std::vector<uint16_t> f;
        for (int y = crossing ? -3 : 1; y < 96; y += 8)
            for (int x = crossing ? -3 : 1; x < 96; x += 8) AddTriangle(v, f, float(x), float(y));
        const CTMesh grid = TestMesh(v, f, materials);
        const Result want = RunKind(CPU_GENERIC, camera, object, grid, kRigid, &hz.Buffer());
        ASSERT_FALSE(want.Rejected());
        ASSERT_EQ(want.orCode != 0, crossing == 1);
        int hidden = 0;
        for (uint8_t c : want.faces) hidden += c == CLIP_HIDDEN;
        EXPECT_GT(hidden, 20);
        EXPECT_LT(hidden, int(want.faces.size()) - 20);
        for (int kind : {CPU_PENTIUM_II, CPU_PENTIUM_III})
            ExpectLikePortable(kind, want, RunKind(kind, camera, object, grid, kRigid, &hz.Buffer()), camera, kRigid,
                               want.orCode, 8);
    }
    // Whole objects: hidden, seen, straddling, and beyond the pyramid's right edge.
    for (float x : {10.0f, 40.0f, 29.0f, 80.0f}) {
        std::vector<CTVector3> v;
        std::vector<uint16_t> f;
        AddTriangle(v, f, x, 20);
        AddTriangle(v, f, x, 70);
        const CTMesh mesh = TestMesh(v, f, materials);
        const bool hidden = RunKind(CPU_GENERIC, camera, object, mesh, kRigid, &hz.Buffer()).Rejected();
        EXPECT_EQ(hidden, x < 20);
        for (int kind : {CPU_PENTIUM_II, CPU_PENTIUM_III})
            EXPECT_EQ(RunKind(kind, camera, object, mesh, kRigid, &hz.Buffer()).Rejected(), hidden) << kind << " at " << x;
    }
    // The rectangle test of kinds 8 and 9 is the portable one, rectangles beyond every edge included.
    const HZBuffer& b = hz.Buffer();
    const float rects[][4] = {{-9, 5, -2, 9}, {5, -9, 9, -2}, {70, 5, 90, 9}, {5, 70, 9, 90}, {-5, -5, 80, 80}, {40, 40, 41, 41}};
    for (const auto& r : rects)
        for (int kind : {CPU_PENTIUM_II, CPU_PENTIUM_III}) {
            ScopedProcessorKind k(kind);
            EXPECT_EQ(HZBuffer_IsVisible(&b, r[0], r[1], r[2], r[3], 0.2f), HZBuffer_IsVisibleC(&b, r[0], r[1], r[2], r[3], 0.2f));
        }
}

TEST_F(VertexSets, FacesRightOfTheClipRectangleAreDroppedOnlyWhenSomeVertexIsOutside)
{
    // Face 0 lies between the clip rectangle's right edge (99) and the view's (100); the pyramid,
    // wider than the view, sees it. Without a vertex outside the view only the pyramid decides.
    CHZPyramid hz;
    ASSERT_TRUE(hz.Create(128));
    hz.Update();
    auto at = [](float sx, float sy) { return CTVector3{(sx - 50) / 20, (sy - 50) / 20, 5}; };
    std::vector<CTVector3> v = {at(99.3f, 40), at(99.8f, 40), at(99.3f, 44)};
    std::vector<uint16_t> f = {0, 2, 1};
    AddTriangle(v, f, 40, 40);
    const CTMesh inside = TestMesh(v, f, materials);
    AddTriangle(v, f, -3, 40);
    const CTMesh crossing = TestMesh(v, f, materials);
    for (const CTMesh* mesh : {&inside, &crossing}) {
        const Result want = RunKind(CPU_GENERIC, camera, object, *mesh, kRigid, &hz.Buffer());
        ASSERT_EQ(want.orCode != 0, mesh == &crossing);
        EXPECT_EQ(want.faces[0] == CLIP_HIDDEN, mesh == &crossing);
        EXPECT_NE(want.faces[1], CLIP_HIDDEN);
        for (int kind : {CPU_PENTIUM_II, CPU_PENTIUM_III}) {
            const Result got = RunKind(kind, camera, object, *mesh, kRigid, &hz.Buffer());
            for (size_t i = 0; i < want.faces.size(); ++i)
                EXPECT_EQ(got.faces[i] == CLIP_HIDDEN, want.faces[i] == CLIP_HIDDEN) << kind << " face " << i;
        }
    }
}

TEST_F(VertexSets, EachDriverTestsItsOwnBoxAndDeformedMeshesNone)
{
    // Level 0 covers pixels 0 to 63; its columns 0 to 31 hold an occluder nearer than everything.
    CHZPyramid hz;
    ASSERT_TRUE(hz.Create(64));
    for (int y = 0; y < 64; ++y) std::fill(hz.Level0() + 64 * y, hz.Level0() + 64 * y + 32, uint16_t(0xFFFF));
    hz.Update();
    std::vector<CTVector3> v;
    std::vector<uint16_t> f;
    AddTriangle(v, f, 40, 20);  // in the open half
    const CTMesh open = TestMesh(v, f, materials);
    // One box moved 30 pixels left (1.5 at depth 5), behind the occluder: kind 9's rigid driver
    // tests the second box, kind 8 the first.
    CTMesh second = open, first = open;
    second.bounds2.centre.x -= 1.5f;
    first.bounds.centre.x -= 1.5f;
    // Moved off the view: only a classification of the first box would reject it.
    CTMesh away = TestMesh(v, f, materials, {}, MESH_DEFORMED);
    away.bounds.centre.x += 100.0f;
    struct Case {
        const CTMesh* mesh;
        DrawFlags flags;
        bool rejected8, rejected9;
    };
    const Case cases[] = {
        {&open, kRigid, false, false},
        {&second, kRigid, false, true},
        {&first, kRigid, true, false},
        {&second, kRigid & ~uint32_t(DF_OCCLUDE_OBJECT), false, false},
        {&away, kDeformedOwn, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(RunKind(CPU_PENTIUM_II, camera, object, *c.mesh, c.flags, &hz.Buffer()).Rejected(), c.rejected8);
        EXPECT_EQ(RunKind(CPU_PENTIUM_III, camera, object, *c.mesh, c.flags, &hz.Buffer()).Rejected(), c.rejected9);
    }
    // Deformed, the first box behind the occluder: no box test on kind 9 either.
    CTMesh hidden = TestMesh(v, f, materials, {}, MESH_DEFORMED);
    hidden.bounds.centre.x -= 1.5f;
    EXPECT_FALSE(RunKind(CPU_PENTIUM_III, camera, object, hidden, kDeformedOwn, &hz.Buffer()).Rejected());
}

// ---- Rounding mode, frames, estimates ----

TEST_F(VertexSets, NoKindLeavesARoundingModeBehind)
{
    const unsigned csr = _mm_getcsr();
    CHZPyramid shut;
    ASSERT_TRUE(shut.Create(64));
    std::fill(shut.Level0(), shut.Level0() + 64 * 64, uint16_t(0xFFFF));
    shut.Update();
    const CTMesh inside = BlockMesh(9, materials), crossing = BlockMesh(9, materials, -2.4f);
    const CTMesh outside = BlockMesh(9, materials, -40);
    for (int kind : {CPU_GENERIC, CPU_PENTIUM_II, CPU_PENTIUM_III, CPU_AMD_K6_2}) {
        for (bool soft : {false, true}) {
            VxSse_SoftwareEstimate = soft;
            ScopedProcessorKind k(kind);
            CTGeometryPipeline p(64, 64, 4);
            EXPECT_EQ(std::fegetround(), FE_TONEAREST);
            EXPECT_EQ(_mm_getcsr(), csr);
            for (const CTMesh* mesh : {&inside, &crossing, &outside})
                for (const HZBuffer* hz : {static_cast<const HZBuffer*>(nullptr), &shut.Buffer()})
                    for (DrawFlags flags : {kRigid, kDeformedOwn}) {
                        p.hzBuffer = hz;
                        p.TransformVertices(camera, object, *mesh, flags);
                        EXPECT_EQ(std::fegetround(), FE_TONEAREST) << kind;
                        EXPECT_EQ(_mm_getcsr(), csr) << kind;
                    }
        }
    }
}

// x, exact in double, rounded toward zero to a float.
float TowardZero(double x)
{
    float f = float(x);
    if (std::fabs(double(f)) > std::fabs(x)) f = std::nextafter(f, 0.0f);
    return f;
}

// Screen record of an exact camera-space point under the camera of the rounding test: focal scale
// 128 and centre 0 leave one rounding in screen x and y, depth offset 0 one in the depth.
CTVector4 ProjectedTowardZero(const CTCamera& c, const CTVector4& p)
{
    const float w = VxSse_Reciprocal(p.z);
    return {TowardZero(double(c.Sx) * p.x * w), TowardZero(double(c.Sy) * p.y * w), -TowardZero(double(w) * c.Zs), w};
}

void ExpectSameBits(const CTVector4& got, const CTVector4& want)
{
    EXPECT_EQ(std::memcmp(&got, &want, 3 * sizeof(float)), 0)
        << got.x << " " << got.y << " " << got.z << " against " << want.x << " " << want.y << " " << want.z;
}

TEST_F(VertexSets, SseRoutinesRoundTowardZero)
{
    // Dyadic scene: both frames unturned at the origin, camera scale 1, object scale k of 21
    // significant bits. Camera space is then k p, one rounding per coordinate, and every expected
    // result below is an exact double rounded once (the normals twice) toward zero.
    const float k = 1.0f + std::ldexp(1.0f, -9) + std::ldexp(1.0f, -20);
    object.SetLocal(CTQuaternion{}, {0, 0, 0}, k);
    object.UpdateWorld();  // as the drivers do before any routine
    camera.frame.UpdateWorld();
    camera.Sx = camera.Sy = 128.0f;
    camera.Cx = camera.Cy = camera.Zo = 0.0f;
    camera.Zs = 3.0f;
    std::mt19937 rng(29);
    const auto full = [&](float lo, float hi) { return lo + (hi - lo) * float(rng() % 8388608) / 8388608.0f; };
    constexpr uint32_t n = 13;
    std::vector<CTVector3> v;
    for (uint32_t i = 0; i < n; ++i) v.push_back({full(-2, 2), full(-2, 2), full(4.5f, 7)});
    const CTMesh mesh = TestMesh(v, {0, 1, 2}, materials);
    CTAlignedArray<CTVector4> want(16), screen(16), out(16);
    CTAlignedArray<uint8_t> codes(16), faceCodes(4);
    int nearestDiffers = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const float* p = &v[i].x;
        float* c = &want[i].x;
        for (int j = 0; j < 3; ++j) {
            c[j] = TowardZero(double(k) * p[j]);
            nearestDiffers += c[j] != float(double(k) * p[j]);
        }
        codes[i] = CLIP_USED;
    }
    ASSERT_GT(nearestDiffers, 10);
    const auto blockAt = [](const CTAlignedArray<CTVector4>& a, uint32_t i, int j, int stride) {
        return (&a[0].x)[(i / 4) * stride + 4 * j + i % 4];
    };

    VertexStageCache = 0;
    VxSse_TransformClip(camera, object, mesh.vertices.data(), n, out.data(), codes.data());
    for (uint32_t i = 0; i < n; ++i) ExpectSameBits(out[i], want[i]);
    VertexStageCache = 0;
    VxSse_TransformNoClip(camera, object, mesh.vertices.data(), n, out.data());
    for (uint32_t i = 0; i < n; ++i) ExpectSameBits(out[i], want[i]);
    VertexStageCache = 0;
    VxSse_TransformClipBlocks(camera, object, mesh.blockPositions.data(), 2, &out[0].x, codes.data());
    for (uint32_t i = 0; i < n; ++i)
        ExpectSameBits({blockAt(out, i, 0, 12), blockAt(out, i, 1, 12), blockAt(out, i, 2, 12), 0}, want[i]);
    for (uint32_t i = 0; i < n; ++i) codes[i] = CLIP_USED;
    VxSse_ProjectBlocks(codes.data(), &out[0].x, camera, &screen[0].x, 4);
    for (uint32_t i = 0; i < n; ++i)
        ExpectSameBits({blockAt(screen, i, 0, 16), blockAt(screen, i, 1, 16), blockAt(screen, i, 2, 16), 0},
                       ProjectedTowardZero(camera, want[i]));
    VertexStageCache = 0;
    VxSse_TransformProjectBlocks(camera, object, mesh.blockPositions.data(), 2, &screen[0].x);
    for (uint32_t i = 0; i < n; ++i)
        ExpectSameBits({blockAt(screen, i, 0, 16), blockAt(screen, i, 1, 16), blockAt(screen, i, 2, 16), 0},
                       ProjectedTowardZero(camera, want[i]));
    VxSse_ProjectPairs(codes.data(), want.data(), camera, screen.data(), (n + 1) / 2);
    for (uint32_t i = 0; i < n; ++i) ExpectSameBits(screen[i], ProjectedTowardZero(camera, want[i]));

    // Normals of faces from (0, 0, 4): the edges are exact, each product and the difference rounded.
    const uint16_t idx[] = {0, 1, 2, 0, 3, 4, 0xFFFF, 0xFFFF, 0xFFFF};
    CTAlignedArray<CTVector4> corners(5);
    corners[0] = {0, 0, 4, 0};
    for (int i = 1; i < 5; ++i) corners[i] = {v[i].x, v[i].y, v[i].z, 0};
    for (auto cull : {&VxSse_CullFacesDeformed, &VxSse_CullFacesDeformedNoClip}) {
        cull(idx, out.data(), codes.data(), corners.data(), faceCodes.data(), 2);
        for (int f = 0; f < 2; ++f) {
            const CTVector4& a = corners[idx[3 * f + 1]];
            const CTVector4& b = corners[idx[3 * f + 2]];
            const float u[3] = {a.x, a.y, a.z - 4}, w[3] = {b.x, b.y, b.z - 4};
            float nrm[3];
            for (int j = 0; j < 3; ++j) {
                const int p = (j + 1) % 3, q = (j + 2) % 3;
                nrm[j] = TowardZero(double(TowardZero(double(u[p]) * w[q])) - TowardZero(double(u[q]) * w[p]));
            }
            ExpectSameBits(out[f], {nrm[0], nrm[1], nrm[2], 0});
        }
    }

    // Verdicts on the far side of a rounding. n . e = (1 + 2^-12)(1 - 2^-12 + 2^-20) lies 0.5 ulp and a
    // little above 1 + 7 ulp, the face's constant: toward zero it is the constant, and the face is culled.
    const float ulp = std::ldexp(1.0f, -23);
    alignas(16) float planes[32] = {1 + std::ldexp(1.0f, -12)};
    planes[12] = 1 + 7 * ulp;
    std::memset(planes + 16, 0xFF, 4);
    const CTVector3 eye{1 - std::ldexp(1.0f, -12) + std::ldexp(1.0f, -20), 0, 0};
    VxSse_CullFacesBlocks(faceCodes.data(), idx, codes.data(), planes, eye, 1);
    EXPECT_EQ(faceCodes[0], CLIP_HIDDEN);
    VxSse_CullFacesNoClipBlocks(faceCodes.data(), idx, codes.data(), planes, eye, 1);
    EXPECT_EQ(faceCodes[0], CLIP_HIDDEN);
    // A box from z = k (9 - 2^-11) - k to k (9 - 2^-11) + k: its far side is 10 + 2^-9 - 2^-20 toward
    // zero, exactly the far distance, and 10 + 2^-9 to nearest.
    CTBounds box;
    box.centre = {0, 0, 9 - std::ldexp(1.0f, -11)};
    box.extent[0] = box.extent[1] = box.extent[2] = 1;
    object.SetLocalScale(1 + std::ldexp(1.0f, -12));
    object.UpdateWorld();
    SetTestCamera(camera);
    camera.SetFar(10 + std::ldexp(1.0f, -9) - std::ldexp(1.0f, -20));
    VertexStageCache = 0;
    EXPECT_EQ(VxSse_ClassifyBounds(camera, object, box), 0u);
    // The box from z = (c - 1) k to (c + 1) k, x from -k to k, all exact: its left edge on the screen is
    // 128 (-k w), w the estimate at (c - 1) k; a centre brings the nearest rounding of it to the clip
    // rectangle's right edge, 0. Toward zero the box lies right of it, hidden. c: the first depth
    // whose edge the two roundings part.
    object.SetLocalScale(k);
    object.UpdateWorld();
    camera.Sx = camera.Sy = 128.0f;
    camera.Cy = 0.0f;
    const auto exact = [&](double c) { return double(float(c * k)) == c * k; };
    double edge = 0;
    for (int c = 3; c < 40 && !(edge != 0 && TowardZero(edge) != float(edge)); ++c) {
        box.centre = {0, 0, float(c)};
        edge = exact(c - 1) && exact(c) && exact(c + 1) ? double(k) * VxSse_Reciprocal((c - 1) * k) : 0;
    }
    ASSERT_NE(TowardZero(edge), float(edge));
    camera.Cx = 128 * float(edge);
    VertexStageCache = 0;
    EXPECT_FALSE(VxSse_IsBoxVisible(nullptr, ClipRect{-100, 100, 0, -100}, camera, object, box));
    camera.Cx -= 1;
    VertexStageCache = 0;
    EXPECT_TRUE(VxSse_IsBoxVisible(nullptr, ClipRect{-100, 100, 0, -100}, camera, object, box));
}

TEST_F(VertexSets, StaleFramesGetTheSameWorldValuesOnKind9AsOnKind1)
{
    const CTMesh mesh = BlockMesh(9, materials);
    struct Chain {
        CTCamera camera;
        CTFrame parent;
        CTFrame child{&parent};
    };
    Chain chains[2];
    for (int run = 0; run < 2; ++run) {
        Chain& c = chains[run];
        SetTestCamera(c.camera);
        c.camera.frame.SetLocal(CTQuaternion::FromAxisAngle({0.3f, 1, 0.2f}, 0.7f), {0.3f, -0.2f, -1.1f}, 1.3f);
        c.parent.SetLocal(CTQuaternion::FromAxisAngle({1, 0.4f, -0.3f}, 0.4f), {0.1f, 0.2f, 2.7f}, 0.9f);
        c.child.SetLocal(CTQuaternion::FromAxisAngle({-0.2f, 0.5f, 1}, 1.1f), {0.7f, 0.1f, 0.3f}, 1.1f);
        ScopedProcessorKind k(run == 0 ? CPU_GENERIC : CPU_PENTIUM_III);
        CTGeometryPipeline p(64, 64, 4);
        p.TransformVertices(c.camera, c.child, mesh, kRigid);
    }
    for (auto frame : {&Chain::parent, &Chain::child}) {
        const CTFrame &a = chains[0].*frame, &b = chains[1].*frame;
        ASSERT_TRUE(a.worldValid && b.worldValid);
        EXPECT_EQ(std::memcmp(&a.worldRotation, &b.worldRotation, sizeof(CTQuaternion)), 0);
        EXPECT_EQ(std::memcmp(&a.worldPosition, &b.worldPosition, sizeof(CTVector3)), 0);
        EXPECT_EQ(a.worldScale, b.worldScale);
    }
    const CTFrame &a = chains[0].camera.frame, &b = chains[1].camera.frame;
    EXPECT_EQ(std::memcmp(&a.worldRotation, &b.worldRotation, sizeof(CTQuaternion)), 0);
}

TEST(VertexSetEstimates, SoftwareEstimateIsTruncatedAndSpecialValuesAreExact)
{
    VxSse_SoftwareEstimate = true;
    EXPECT_EQ(VxSse_Reciprocal(1.0f), 1.0f);
    EXPECT_EQ(VxSse_Reciprocal(0.0f), INFINITY);
    EXPECT_EQ(VxSse_Reciprocal(-0.0f), -INFINITY);
    EXPECT_EQ(VxSse_Reciprocal(1e-40f), INFINITY);  // a denormal reads as zero
    // Results below the normal range are zeros of their sign, as the instruction gives them.
    EXPECT_EQ(VxSse_Reciprocal(3e38f), 0.0f);
    EXPECT_TRUE(std::signbit(VxSse_Reciprocal(-3e38f)));
    EXPECT_TRUE(std::signbit(VxSse_Reciprocal(-INFINITY)));
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const float x = std::ldexp(1.0f + float(rng() % 8388608) / 8388608.0f, int(rng() % 200) - 100) * (rng() % 2 ? 1 : -1);
        const float r = VxSse_Reciprocal(x);
        const double exact = 1.0 / double(x);
        uint32_t bits;
        std::memcpy(&bits, &r, 4);
        ASSERT_EQ(bits & 0x7FF, 0u) << x;  // 12 fraction bits
        ASSERT_LE(std::fabs(double(r)), std::fabs(exact)) << x;
        ASSERT_LT(std::fabs(exact - r) / std::fabs(exact), std::ldexp(1.0, -12)) << x;
    }
    // The instruction stays within its documented bound.
    VxSse_SoftwareEstimate = false;
    for (float x : {1.0f, 3.0f, 0.7f, 1234.5f, -5e-3f}) EXPECT_LE(std::fabs(VxSse_Reciprocal(x) * x - 1), 1.5 * std::ldexp(1.0, -12));
}

}  // namespace
