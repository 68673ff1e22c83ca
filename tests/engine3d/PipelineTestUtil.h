// Test helpers of the pipeline tests: small meshes, a 100 x 100 camera and a capturing rasteriser.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "app/Cpu.h"
#include "engine3d/Mesh.h"
#include "engine3d/PolygonPipeline.h"
#include "raster/Rasterizer.h"
#include "raster/SpanState.h"

// A mesh of the given triangles, one group per (material, face count) entry.
inline CTMesh TestMesh(const std::vector<CTVector3>& vertices, const std::vector<uint16_t>& faces,
                       CTMaterialMap& materials, std::vector<CTDbMeshGroup> groups = {}, uint32_t flags = 0,
                       std::vector<float> texCoords = {})
{
    CTDbMesh r;
    r.name = "test";
    r.flags = flags | (texCoords.empty() ? 0u : uint32_t(MESH_TEXCOORDS));
    r.vertices = vertices;
    r.faces = faces;
    r.texCoords = std::move(texCoords);
    if (groups.empty()) groups = {{"", uint16_t(faces.size() / 3)}};
    r.groups = std::move(groups);
    // One normal per vertex, (0, 0, -1): towards a camera looking along +z.
    r.normals.assign(vertices.size(), CTVector3{0, 0, -1});
    r.cornerNormals = faces;
    if (flags & MESH_DEFORMED) {
        r.deformedNormals = r.normals;
        r.deformedCornerNormals = faces;
        r.matrixSelect.assign(vertices.size(), 0);
    }
    CTMesh m;
    EXPECT_TRUE(Mesh_FromDb(r, m, 0, materials));
    return m;
}

// Perspective camera at the origin looking along +z: centre (50, 50), focal scale 100, clip
// rectangle 0..99, near 1, far 10.
inline void SetTestCamera(CTCamera& c, uint32_t kind = CAMERA_PERSPECTIVE)
{
    c.SetProjectionKind(kind);
    c.SetClipRect(0, 0, 99, 99);
    c.SetCenter(50, 50);
    c.SetFocalScale(100, 100);
    c.SetFar(10);
    c.SetNear(1);
}

// A rasteriser without destination: every row it selects is the wireframe row, which without a
// target draws nothing and leaves the vertex list as the pipeline wrote it.
struct CapturingRasterizer {
    CTRasterizer rast;
    CTConfigurer conf;
    CapturingRasterizer() { rast.SetTarget(nullptr); }
    void Link(CTPolygonPipeline& p)
    {
        p.rasterizer = &rast;
        p.configurer = &conf;
    }
    // The vertices of the last polygon.
    static std::vector<RastVertex> Last()
    {
        return {rastState.rastVertices, rastState.rastVertexEnd};
    }
};

// A pipeline, the test camera, an object frame at the origin and a material map, on the portable
// vertex stages whatever the processor.
class PipelineFixture : public ::testing::Test {
protected:
    ScopedProcessorKind portable{CPU_GENERIC};
    CTPolygonPipeline pipe{2048, 2048, 16};
    CTCamera camera;
    CTFrame object;
    CTMaterialMap materials;

    void SetUp() override { SetTestCamera(camera); }
};

inline constexpr DrawFlags kSceneFlags = DF_TRANSFORM | DF_BOUNDS | DF_OCCLUDE_OBJECT | DF_OCCLUDE_FACES;
