// Vertex lighting: every light kind against hand-computed colours, attenuation, ranges and cones, the
// specular pass, light records; texture-coordinate generation: source, scaled, sphere, light-spot and
// planar modes with worked values, unknown modes, and the stage defaults from one object to the next.
#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/GeometryPipeline.h"
#include "engine3d/Light.h"
#include "tests/engine3d/Expect3D.h"
#include "tests/engine3d/PipelineTestUtil.h"

namespace {

// Channels of a packed colour, each within one unit of the expected ones (table square roots).
void ExpectColour(uint32_t got, uint32_t want)
{
    for (int shift : {0, 8, 16, 24})
        EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 1) << std::hex << got << " " << want;
}

CTLight Light(uint32_t flags, CTVector3 at, CTVector4 diffuse = {1, 1, 1, 1})
{
    CTLight l;
    l.flags = flags;
    l.colours[1] = diffuse;
    l.colours[2] = {1, 1, 1, 1};
    l.frame.SetLocalPosition(at);
    return l;
}

// Emissive 0.1 red plus material diffuse (0.5, 0.25, 1) at full strength or half, alpha saturated.
constexpr uint32_t kFull = 0xFF993FFF;
constexpr uint32_t kHalf = 0xFF591F7F;
constexpr uint32_t kEmissive = 0xFF190000;

class Lighting : public PipelineFixture {
protected:
    CTMesh mesh;

    void SetUp() override
    {
        PipelineFixture::SetUp();
        CTMaterial& m = materials["M"];
        m.colours[0] = {0.5f, 0.25f, 1.0f, 1.0f};
        m.colours[1] = m.colours[2] = {1, 1, 1, 1};
        m.colours[3] = {0.1f, 0, 0, 1};
        m.power = 2.0f;
        // Vertex 0 at the origin with the normal (0, 0, -1).
        mesh = TestMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2}, materials, {{"M", 1}}, MESH_LIT);
        ASSERT_TRUE(pipe.EnsureCapacity(mesh));
        pipe.materialTable = {&materials["M"], nullptr};
        for (int i = 0; i < 3; ++i) pipe.vertexCodes[i] = CLIP_USED;
    }
    uint32_t Lit(std::vector<const CTLight*> lights)
    {
        pipe.lights = std::move(lights);
        pipe.SetupLights(camera, object, mesh, 0);
        return pipe.LightVertices(camera, object, mesh, 0)[0];
    }
};

TEST_F(Lighting, EveryKindOfLightAgainstHandComputedColours)
{
    const CTLight sun = Light(LIGHT_DIRECTIONAL, {0, 0, 0});
    EXPECT_EQ(Lit({&sun}), kFull);
    // Turned away, only emissive and material ambient x the ambient lights remain.
    CTLight away = sun;
    away.frame.SetLocalRotation(CTQuaternion::FromAxisAngle({0, 1, 0}, 3.14159265f));
    CTLight ambient = Light(LIGHT_AMBIENT, {0, 0, 0});
    ambient.colours[0] = {0.2f, 0.2f, 0.2f, 1};
    EXPECT_EQ(Lit({&away, &ambient}), 0xFF4C3333u);
    // Switched off: no record, emissive only.
    const CTLight off = Light(LIGHT_DIRECTIONAL | LIGHT_OFF, {0, 0, 0});
    EXPECT_EQ(Lit({&off}), kEmissive);
    EXPECT_TRUE(pipe.lightRecords.empty());

    const CTLight point = Light(LIGHT_POINT, {0, 0, -10});
    ExpectColour(Lit({&point}), kFull);
    // Constant attenuation 2 lights as an unattenuated light of half the colour.
    CTDbLight r;
    r.flags = 0x08 | 0x100;
    r.colours[1] = 0xFFFFFFFF;
    r.values[0] = 2.0f;
    r.position = {0, 0, -10};
    CTLight attenuated;
    Orv3D_MakeLight(r, attenuated);
    const CTLight half = Light(LIGHT_POINT, {0, 0, -10}, {0.5f, 0.5f, 0.5f, 0.5f});
    ExpectColour(Lit({&half}), kHalf);
    EXPECT_EQ(Lit({&attenuated}), Lit({&half}));

    // Ranged: inner 2, outer 6; full inside, smooth step between, nothing at or beyond the range.
    CTLight ranged = Light(LIGHT_POINT | LIGHT_RANGED, {0, 0, -1});
    ranged.values[0] = 2.0f;
    ranged.values[1] = 6.0f;
    const std::pair<float, uint32_t> steps[] = {{-1.0f, kFull}, {-4.0f, kHalf}, {-6.0f, kEmissive}, {-7.0f, kEmissive}};
    for (const auto& [z, want] : steps) {
        ranged.frame.SetLocalPosition({0, 0, z});
        if (want == kEmissive)
            EXPECT_EQ(Lit({&ranged}), want) << z;
        else
            ExpectColour(Lit({&ranged}), want);
    }

    // A spot lights only inside its cone: 10 / sqrt(125) = 0.894 is below cos 0.3 = 0.955.
    CTLight spot = Light(LIGHT_SPOT, {0, 0, -10});
    spot.coneCos = std::cos(0.3f);
    ExpectColour(Lit({&spot}), kFull);
    spot.frame.SetLocalPosition({5, 0, -10});
    EXPECT_EQ(Lit({&spot}), kEmissive);

    // A light without distance from the vertex adds nothing rather than dividing by zero.
    const CTLight on = Light(LIGHT_POINT | LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_LINEAR, {0, 0, 0});
    pipe.lights = {&on};
    pipe.SetupLights(camera, object, mesh, DF_DEFORMED);
    CTVector4 sum;
    Pipe_LightVertexDiffuse(sum, pipe.lightRecords[0], {0, 0, 0}, {0, 0, -1});
    EXPECT_EQ(sum.x, 0.0f);
}

TEST_F(Lighting, PointLightsTakenAsADirectionAreAttenuatedByTheirDistance)
{
    // The record's direction is not the way to the light, so N . D (1), not N . L / d (0.8), is the
    // term; d = 5 and the divisor 0.25 x 25 + 0.5 x 5 + 1 = 9.75.
    PipeLight r;
    r.position = {0, 3, -4};
    r.direction = {0, 0, -1};
    r.diffuseProduct = {195, 97.5f, 39, 9.75f};
    r.K[0] = 1.0f;
    r.K[1] = 0.5f;
    r.K[2] = 0.25f;
    for (uint32_t attenuation : {0x3000u, 0x5000u, 0x7000u}) {
        r.kind = LIGHT_POINT_DIRECTION | attenuation;
        SCOPED_TRACE(r.kind);
        CTVector4 sum{1, 1, 1, 1};
        Pipe_LightVertexDiffuse(sum, r, {0, 0, 0}, {0, 0, -1});
        EXPECT_NEAR(sum.x, 21.0f, 1e-3f);
        EXPECT_NEAR(sum.y, 11.0f, 1e-3f);
        EXPECT_NEAR(sum.z, 5.0f, 1e-3f);
        EXPECT_NEAR(sum.w, 2.0f, 1e-3f);
        // Turned away from the direction: nothing.
        CTVector4 away;
        Pipe_LightVertexDiffuse(away, r, {0, 0, 0}, {0, 0, 1});
        EXPECT_EQ(away.x, 0.0f);
    }

    // Through the records: the direction from the box centre (0.5, 0.5, 0) to the light at (0, 0, -4),
    // N . D = 4 / sqrt(16.5); the vertex at the origin is 4 away: divisor 0.25 x 16 + 0.5 x 4 + 1 = 7.
    CTLight light = Light(LIGHT_POINT_DIRECTION | LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_LINEAR, {0, 0, -4});
    light.values[0] = 1.0f;
    light.values[1] = 0.5f;
    light.values[2] = 0.25f;
    const float k = 4.0f / std::sqrt(16.5f) / 7.0f;
    const auto channel = [](float v) { return uint32_t(v); };
    ExpectColour(Lit({&light}), 0xFF000000u | channel(25.5f + 127.5f * k) << 16 | channel(63.75f * k) << 8 | channel(255 * k));
}

TEST_F(Lighting, SpecularHalfwayTermAndAttenuation)
{
    CTLight shiny = Light(LIGHT_POINT | LIGHT_SPECULAR, {0, 0, -10});
    pipe.lights = {&shiny};
    pipe.SetupLights(camera, object, mesh, 0);
    pipe.eyePoint = {0, 0, -10};
    EXPECT_EQ(pipe.LightVerticesSecondPass(camera, object, mesh, 0)[0], 0xFFFFFFFFu);
    // Eye along -y: the halfway vector is 45 degrees off the normal; cos^2 = 0.5.
    pipe.eyePoint = {0, -10, 0};
    ExpectColour(pipe.LightVerticesSecondPass(camera, object, mesh, 0)[0], 0x7F7F7F7F);

    // Constant and linear attenuation: a = 1 + 0.1 x 10.
    shiny.flags |= LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_LINEAR;
    shiny.values[0] = 1.0f;
    shiny.values[1] = 0.1f;
    pipe.SetupLights(camera, object, mesh, DF_DEFORMED);
    CTVector4 sum;
    PipeLight r = pipe.lightRecords[0];
    r.specularProduct = {255, 255, 255, 255};
    r.K[4] = 1.0f;
    Pipe_LightVertexSpecular(sum, r, {0, 0, -10}, {0, 0, 0}, {0, 0, -1});
    EXPECT_NEAR(sum.x, 127.5f, 0.1f);
    // Channels are truncated and held to bytes.
    EXPECT_EQ(Pipe_PackColour({300, -5, 12.7f, 255}), 0xFFFF000Cu);
}

TEST(LightRecord, MadeFromADatabaseLight)
{
    CTDbLight r;
    r.flags = 0x10 | 0x40 | 0x200 | 0x10000000;
    r.colours[1] = 0x80FF8000;
    r.intensity = 0.5f;
    r.values[0] = -1.0f;
    r.values[2] = -3.0f;
    r.coneAngle = 0.5f;
    r.position = {1, 2, 3};
    CTLight l;
    Orv3D_MakeLight(r, l);
    EXPECT_EQ(l.flags, 0x20003110u);
    EXPECT_FLOAT_EQ(l.colours[1].w, 0.5f * 128.0f / 255.0f);  // intensity x alpha
    EXPECT_EQ(l.values[0], 1.0f);
    EXPECT_EQ(l.values[2], 0.0f);
    ExpectVec(l.frame.GetPosition(nullptr), {1, 2, 3});
}

TEST_F(Lighting, DeformedNormalsAreRecomputedFromTheCameraSpaceFaces)
{
    const CTMesh quad = TestMesh({{-1, -1, 5}, {0, 1, 5}, {1, -1, 5}, {1, 1, 5}}, {0, 1, 2, 2, 1, 3}, materials, {},
                                 MESH_DEFORMED);
    pipe.TransformVertices(camera, object, quad, kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX);
    pipe.ComputeVertexNormals(quad);
    for (int n : {0, 1, 2, 3}) {
        ExpectVec({pipe.vertexNormals[n].x, pipe.vertexNormals[n].y, pipe.vertexNormals[n].z}, {0, 0, -1}, 1e-3f);
        EXPECT_EQ(pipe.vertexNormals[n].w, 1.0f);
    }
}

class TexCoords : public PipelineFixture {
protected:
    // One face in z = 5, with or without source coordinates.
    CTMesh Face(std::vector<float> uv = {}) { return TestMesh({{0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2}, materials, {}, 0, uv); }
    // Every face drawn, without running the vertex stages.
    uint32_t Compute(const CTMesh& mesh)
    {
        EXPECT_TRUE(pipe.EnsureCapacity(mesh));
        std::fill(pipe.faceCodes.data(), pipe.faceCodes.data() + mesh.faceCount, uint8_t(0));
        pipe.currentFaceCodes = pipe.faceCodes.data();
        pipe.clipIntersection = 0;
        return pipe.ComputeTexCoords(camera, object, mesh, 0);
    }
    const float* UV(int stage, int face, int corner) const { return pipe.texResult[stage] + face * 6 + corner * 2; }
};

TEST_F(TexCoords, SourceAndScaledCoordinatesAndTheStageDefaults)
{
    EXPECT_EQ(Compute(Face()), 0u);
    const CTMesh mesh = Face({0.25f, 0.5f, 1, 0, 0, 1});
    // A new pipeline's stage 1 has no coordinates until the first object ends.
    EXPECT_EQ(Compute(mesh), uint32_t(DF_TEX0));
    EXPECT_EQ(pipe.texResult[0], mesh.texCoords.data());
    pipe.EndObject();
    EXPECT_EQ(Compute(mesh), uint32_t(DF_TEX0 | DF_TEX1));

    // Scaled: 0.25 x 2 + 0.5 and 0.5 x 2 + 0; nothing without a source.
    pipe.SetTextureStage(0, TEXGEN_SCALED, nullptr, 0.5f, 0.0f, 2.0f, 2.0f);
    pipe.SetTextureStage(1, TEXGEN_NONE, nullptr, 0, 0, 0, 0);
    EXPECT_EQ(Compute(mesh), uint32_t(DF_TEX0));
    EXPECT_FLOAT_EQ(UV(0, 0, 0)[0], 1.0f);
    EXPECT_FLOAT_EQ(UV(0, 0, 0)[1], 1.0f);
    EXPECT_EQ(Compute(Face()), 0u);

    // Unknown modes give none.
    for (uint32_t mode : {3u, 5u, 9u, 17u}) {
        pipe.SetTextureStage(0, mode, nullptr, 0, 0, 1, 1);
        pipe.SetTextureStage(1, mode, nullptr, 0, 0, 1, 1);
        EXPECT_EQ(Compute(mesh), 0u) << mode;
    }
}

TEST_F(TexCoords, SphereAndPlanarMaps)
{
    // A normal facing the camera maps to the centre of the sphere map.
    // The shared normals freed (as at exit) are taken anew by the next sphere map.
    for (int run = 0; run < 2; ++run) {
        pipe.SetTextureStage(0, TEXGEN_SPHERE, nullptr, 0, 0, 0, 0);
        EXPECT_EQ(Compute(Face()) & DF_TEX0, uint32_t(DF_TEX0));
        for (int c = 0; c < 3; ++c) {
            EXPECT_FLOAT_EQ(UV(0, 0, c)[0], 0.5f);
            EXPECT_FLOAT_EQ(UV(0, 0, c)[1], 0.5f);
        }
        Pipe_FreeEnvNormals();
    }

    // Face 0 has the normal (0, 0, 1), face 1 the normal (0, 1, 0).
    const CTMesh mesh = TestMesh({{100, 50, 7}, {101, 50, 7}, {100, 51, 7}, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}},
                                 {0, 1, 2, 3, 4, 5}, materials);
    pipe.SetTextureStage(0, TEXGEN_PLANAR, nullptr, 0, 0, 0, 0);
    Compute(mesh);
    EXPECT_FLOAT_EQ(UV(0, 0, 0)[0], -0.2f);
    EXPECT_FLOAT_EQ(UV(0, 0, 0)[1], -0.4f);
    // A = (1, 0, 0) at once, B = (0, 0, -1): the corner (0, 0, 1) maps to (-0.004, 0).
    EXPECT_FLOAT_EQ(UV(0, 1, 1)[0], -0.004f);
    EXPECT_FLOAT_EQ(UV(0, 1, 1)[1], 0.0f);
}

TEST_F(TexCoords, LightSpotHidesFacesBeyondItsRadius)
{
    // Face 0 lies in z = 0, face 1 in z = 5, both facing -z; the light is 1 in front of face 0.
    const CTMesh mesh = TestMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2, 3, 4, 5},
                                 materials);
    pipe.SetTextureStage(0, TEXGEN_LIGHT_SPOT, nullptr, 0.5f, 0.5f, 1.5f, 0);
    EXPECT_EQ(Compute(mesh) & DF_TEX0, uint32_t(DF_TEX0));
    EXPECT_NE(pipe.clipIntersection & CLIP_PLANES, 0u);  // no light: the object is hidden

    CTLight light;
    light.frame.SetLocalPosition({0, 0, -1});
    pipe.lights = {&light};
    pipe.SetTextureStage(0, TEXGEN_LIGHT_SPOT, nullptr, 0.5f, 0.5f, 1.5f, 0);
    Compute(mesh);
    EXPECT_EQ(pipe.clipIntersection, 0u);
    EXPECT_EQ(pipe.currentFaceCodes[0], 0);
    EXPECT_EQ(pipe.currentFaceCodes[1], CLIP_HIDDEN);
    // Radius 3 at height 1: r = sqrt(8), k = 0.5 / r; axes T = (0, 1, 0), S = T x n = (-1, 0, 0).
    const float k = 0.5f / std::sqrt(8.0f);
    EXPECT_NEAR(UV(0, 0, 0)[0], 0.5f, 1e-6f);
    EXPECT_NEAR(UV(0, 0, 1)[0], 0.5f + k, 1e-4f);
    EXPECT_NEAR(UV(0, 0, 2)[1], 0.5f - k, 1e-4f);

    // A light too far from the bounding sphere hides the whole object.
    light.frame.SetLocalPosition({0, 0, -30});
    Compute(mesh);
    EXPECT_EQ(pipe.clipIntersection, uint32_t(CLIP_PLANES));
}

}  // namespace
