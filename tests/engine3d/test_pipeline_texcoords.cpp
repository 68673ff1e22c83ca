// Texture-coordinate generation: source, scaled, sphere, light-spot and planar modes with worked
// values, unknown modes, and the stage defaults from one object to the next.
#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/GeometryPipeline.h"
#include "engine3d/Light.h"
#include "tests/engine3d/PipelineTestUtil.h"

namespace {

class TexCoords : public PipelineFixture {
protected:
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

TEST_F(TexCoords, SourceCoordinatesAndTheStageDefaults)
{
    const CTMesh bare = TestMesh({{0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2}, materials);
    EXPECT_EQ(Compute(bare), 0u);
    EXPECT_EQ(pipe.texResult[0], nullptr);

    const CTMesh mesh = TestMesh({{0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2}, materials, {}, 0, {0.25f, 0.5f, 1, 0, 0, 1});
    // A new pipeline's stage 1 has no coordinates until the first object ends.
    EXPECT_EQ(Compute(mesh), uint32_t(DF_TEX0));
    EXPECT_EQ(pipe.texResult[0], mesh.texCoords.data());
    pipe.EndObject();
    EXPECT_EQ(Compute(mesh), uint32_t(DF_TEX0 | DF_TEX1));
    EXPECT_EQ(pipe.texResult[1], mesh.texCoords.data());
}

TEST_F(TexCoords, ScaledCoordinatesNeedASource)
{
    const CTMesh mesh = TestMesh({{0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2}, materials, {}, 0, {0.25f, 0.5f, 1, 0, 0, 1});
    pipe.SetTextureStage(0, TEXGEN_SCALED, nullptr, 0.5f, 0.0f, 2.0f, 2.0f);
    pipe.SetTextureStage(1, TEXGEN_NONE, nullptr, 0, 0, 0, 0);
    EXPECT_EQ(Compute(mesh), uint32_t(DF_TEX0));
    EXPECT_FLOAT_EQ(UV(0, 0, 0)[0], 1.0f);
    EXPECT_FLOAT_EQ(UV(0, 0, 0)[1], 1.0f);

    const CTMesh bare = TestMesh({{0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2}, materials);
    EXPECT_EQ(Compute(bare), 0u);
}

TEST_F(TexCoords, SphereMapOfANormalFacingTheCamera)
{
    const CTMesh mesh = TestMesh({{0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2}, materials);
    pipe.SetTextureStage(0, TEXGEN_SPHERE, nullptr, 0, 0, 0, 0);
    EXPECT_EQ(Compute(mesh) & DF_TEX0, uint32_t(DF_TEX0));
    for (int c = 0; c < 3; ++c) {
        EXPECT_FLOAT_EQ(UV(0, 0, c)[0], 0.5f);
        EXPECT_FLOAT_EQ(UV(0, 0, c)[1], 0.5f);
    }
}

TEST_F(TexCoords, PlanarProjectionAlongEachFacePlane)
{
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

TEST_F(TexCoords, UnknownModesGiveNoCoordinates)
{
    const CTMesh mesh = TestMesh({{0, 0, 5}, {0, 1, 5}, {1, 0, 5}}, {0, 1, 2}, materials, {}, 0, {0, 0, 1, 0, 0, 1});
    for (uint32_t mode : {3u, 4u, 5u, 6u, 7u, 9u, 15u, 17u}) {
        pipe.SetTextureStage(0, mode, nullptr, 0, 0, 1, 1);
        pipe.SetTextureStage(1, mode, nullptr, 0, 0, 1, 1);
        EXPECT_EQ(Compute(mesh), 0u) << mode;
    }
}

}  // namespace
