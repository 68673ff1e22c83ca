// Vertex lighting: every light kind against hand-computed colours, attenuation, ranges and cones,
// the specular pass, packing, switched-off lights, light records from database lights.
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
    for (int shift : {0, 8, 16, 24}) {
        const int g = int(got >> shift & 0xFF), w = int(want >> shift & 0xFF);
        EXPECT_NEAR(g, w, 1) << std::hex << "got 0x" << got << " want 0x" << want;
    }
}

class Lighting : public PipelineFixture {
protected:
    CTMesh mesh;

    void SetUp() override
    {
        PipelineFixture::SetUp();
        CTMaterial& m = materials["M"];
        m.colours[0] = {0.5f, 0.25f, 1.0f, 1.0f};
        m.colours[1] = {1, 1, 1, 1};
        m.colours[2] = {1, 1, 1, 1};
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

CTLight Light(uint32_t flags, CTVector3 at, CTVector4 diffuse = {1, 1, 1, 1})
{
    CTLight l;
    l.flags = flags;
    l.colours[1] = diffuse;
    l.colours[2] = {1, 1, 1, 1};
    l.frame.SetLocalPosition(at);
    return l;
}

// Emissive 0.1 red plus material diffuse (0.5, 0.25, 1) at full strength, alpha saturated.
constexpr uint32_t kFull = 0xFF993FFF;
constexpr uint32_t kHalf = 0xFF591F7F;
constexpr uint32_t kEmissive = 0xFF190000;

TEST_F(Lighting, DirectionalAmbientAndFacingAway)
{
    const CTLight sun = Light(LIGHT_DIRECTIONAL, {0, 0, 0});
    EXPECT_EQ(Lit({&sun}), kFull);

    // Turned away, only emissive and material ambient x the ambient lights remain.
    CTLight away = sun;
    away.frame.SetLocalRotation(CTQuaternion::FromAxisAngle({0, 1, 0}, 3.14159265f));
    CTLight ambient = Light(LIGHT_AMBIENT, {0, 0, 0});
    ambient.colours[0] = {0.2f, 0.2f, 0.2f, 1};
    EXPECT_EQ(Lit({&away, &ambient}), 0xFF4C3333u);
}

TEST_F(Lighting, PointLightsWithConstantAttenuationAndRanges)
{
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
    EXPECT_EQ(Lit({&attenuated}), Lit({&half}));

    // Ranged: inner 2, outer 6; full inside, smooth step between, nothing at or beyond the range.
    CTLight ranged = Light(LIGHT_POINT | LIGHT_RANGED, {0, 0, -1});
    ranged.values[0] = 2.0f;
    ranged.values[1] = 6.0f;
    ExpectColour(Lit({&ranged}), kFull);
    ranged.frame.SetLocalPosition({0, 0, -4});
    ExpectColour(Lit({&ranged}), kHalf);
    ranged.frame.SetLocalPosition({0, 0, -6});
    EXPECT_EQ(Lit({&ranged}), kEmissive);
    ranged.frame.SetLocalPosition({0, 0, -7});
    EXPECT_EQ(Lit({&ranged}), kEmissive);

    // A light without distance from the vertex adds nothing rather than dividing by zero.
    const CTLight on = Light(LIGHT_POINT | LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_LINEAR, {0, 0, 0});
    pipe.lights = {&on};
    pipe.SetupLights(camera, object, mesh, DF_DEFORMED);
    CTVector4 sum;
    Pipe_LightVertexDiffuse(sum, pipe.lightRecords[0], {0, 0, 0}, {0, 0, -1});
    EXPECT_EQ(sum.x, 0.0f);
}

TEST_F(Lighting, SpotsLightOnlyInsideTheirCone)
{
    CTLight spot = Light(LIGHT_SPOT, {0, 0, -10});
    spot.coneCos = std::cos(0.3f);
    ExpectColour(Lit({&spot}), kFull);
    // 10 / sqrt(125) = 0.894 is below cos 0.3 = 0.955.
    spot.frame.SetLocalPosition({5, 0, -10});
    EXPECT_EQ(Lit({&spot}), kEmissive);
}

TEST_F(Lighting, SwitchedOffLightsLeaveEmissiveOnly)
{
    const CTLight off = Light(LIGHT_DIRECTIONAL | LIGHT_OFF, {0, 0, 0});
    pipe.lights = {&off};
    pipe.SetupLights(camera, object, mesh, 0);
    EXPECT_TRUE(pipe.lightRecords.empty());
    const uint32_t* colours = pipe.LightVertices(camera, object, mesh, 0);
    for (size_t s = 0; s < mesh.slots.size(); ++s) EXPECT_EQ(colours[s], kEmissive);
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
}

TEST(LightPacking, ChannelsAreTruncatedAndHeldToBytes)
{
    EXPECT_EQ(Pipe_PackColour({300, -5, 12.7f, 255}), 0xFFFF000Cu);
}

TEST(LightRecord, MadeFromADatabaseLight)
{
    CTDbLight r;
    r.name = "Lamp";
    r.flags = 0x10 | 0x40 | 0x200 | 0x10000000;
    r.colours[0] = 0xFF0000FF;
    r.colours[1] = 0x80FF8000;
    r.intensity = 0.5f;
    r.values[0] = -1.0f;
    r.values[1] = 2.0f;
    r.values[2] = -3.0f;
    r.coneAngle = 0.5f;
    r.position = {1, 2, 3};
    CTLight l;
    Orv3D_MakeLight(r, l);
    EXPECT_EQ(l.flags, 0x20003110u);
    EXPECT_FLOAT_EQ(l.colours[0].z, 1.0f);
    EXPECT_FLOAT_EQ(l.colours[1].x, 0.5f);
    EXPECT_FLOAT_EQ(l.colours[1].y, 0.5f * 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(l.colours[1].w, 0.5f * 128.0f / 255.0f);
    EXPECT_EQ(l.values[0], 1.0f);
    EXPECT_EQ(l.values[1], 2.0f);
    EXPECT_EQ(l.values[2], 0.0f);
    EXPECT_FLOAT_EQ(l.coneCos, std::cos(0.5f));
    EXPECT_EQ(l.spotExponent, 4.0f);
    ExpectVec(l.frame.GetPosition(nullptr), {1, 2, 3});
    EXPECT_EQ(l.name, "Lamp");
}

TEST(DeformedNormals, RecomputedFromTheCameraSpaceFaces)
{
    CTMaterialMap materials;
    CTPolygonPipeline pipe(2048, 2048, 16);
    CTCamera camera;
    SetTestCamera(camera);
    CTFrame object;
    const CTMesh mesh = TestMesh({{-1, -1, 5}, {0, 1, 5}, {1, -1, 5}, {1, 1, 5}}, {0, 1, 2, 2, 1, 3}, materials, {},
                                 MESH_DEFORMED);
    pipe.TransformVertices(camera, object, mesh, kSceneFlags | DF_DEFORMED | DF_TWO_MATRIX);
    pipe.ComputeVertexNormals(mesh);
    for (int n : {0, 1, 2, 3}) {
        ExpectVec({pipe.vertexNormals[n].x, pipe.vertexNormals[n].y, pipe.vertexNormals[n].z}, {0, 0, -1}, 1e-3f);
        EXPECT_EQ(pipe.vertexNormals[n].w, 1.0f);
    }
}

}  // namespace
