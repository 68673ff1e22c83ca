// Runtime meshes: end markers, planes, lit-vertex slots, bounds, block copies, aligned storage.
#include <gtest/gtest.h>

#include <cmath>

#include <cstdint>
#include <cstring>

#include "app/Cpu.h"
#include "engine3d/AlignedAlloc.h"
#include "engine3d/Database.h"
#include "engine3d/Mesh.h"
#include "testdata/DbWriter.h"
#include "tests/graphics2d/WarningCapture.h"

namespace {

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

struct KindGuard {
    int saved = ProcessorKind;
    explicit KindGuard(int kind) { ProcessorKind = kind; }
    ~KindGuard() { ProcessorKind = saved; }
};

class MeshTest : public ::testing::Test {
protected:
    CTDataBase db = DbWriter_SampleScene();
    CTTextureMap textures;
    CTMaterialMap materials;

    void SetUp() override
    {
        for (const auto& [name, rec] : db.materials) Material_FromDb(rec, textures, materials[name]);
    }
};

TEST_F(MeshTest, CubeArraysAndEndMarkers)
{
    KindGuard kind(6);
    CTMesh m;
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0x02, materials));
    EXPECT_EQ(m.flags, uint32_t(MESH_LIT | MESH_TEXCOORDS | 0x02));
    EXPECT_EQ(m.vertexCount, 8u);
    EXPECT_EQ(m.faceCount, 12u);
    EXPECT_EQ(m.faceIndexCount, 36u);
    EXPECT_EQ(m.normalCount, 6u);
    EXPECT_EQ(m.groupCount, 2u);
    EXPECT_EQ(m.groupMaterials[0], &materials["Checker"]);
    EXPECT_EQ(m.groupMaterials[1], &materials["Red"]);
    EXPECT_EQ(m.groupFaces[1], 4u);
    ASSERT_EQ(m.faceIndices.size(), 39u);
    EXPECT_EQ(m.faceIndices[36], kMeshIndexEnd);
    ASSERT_EQ(m.planes.size(), 13u);
    EXPECT_EQ(Bits(m.planes[12].x), kMeshPlaneEnd);
    EXPECT_EQ(m.texCoords.size(), 72u);
    EXPECT_TRUE(m.blockPositions.empty());

    // Outward unit normals, d = 1 for the faces of the 2 x 2 x 2 cube.
    for (uint32_t f = 0; f < 12; ++f) {
        const CTVector4& p = m.planes[f];
        const CTVector3& n = db.meshes["Cube"].normals[f / 2];
        EXPECT_FLOAT_EQ(p.x, n.x);
        EXPECT_FLOAT_EQ(p.y, n.y);
        EXPECT_FLOAT_EQ(p.z, n.z);
        EXPECT_FLOAT_EQ(p.w, 1.0f);
    }
    // The bounds: centre 0, half extents 1, radius the corner distance.
    EXPECT_EQ(m.bounds.centre.x, 0.0f);
    EXPECT_EQ(m.bounds.extent[2], 1.0f);
    EXPECT_NEAR(m.bounds.radius, std::sqrt(3.0f), 1e-6f);
}

TEST_F(MeshTest, LitSlotsAreDistinctVertexNormalPairsPerGroup)
{
    CTMesh m;
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0, materials));
    // Each face of the cube has its own normal: 4 corners per face side, 6 sides.
    ASSERT_EQ(m.slots.size(), 24u);
    EXPECT_EQ(m.groupSlotCounts[0] + m.groupSlotCounts[1], 24);
    EXPECT_EQ(m.groupSlotCounts[0], 16);
    for (uint32_t c = 0; c < m.faceIndexCount; ++c) {
        const CTLitSlot& s = m.slots[m.faceColours[c]];
        EXPECT_EQ(s.vertex, m.faceIndices[c]);
        EXPECT_EQ(s.normal, m.cornerNormals[c]);
        EXPECT_EQ(m.slotNormals[m.faceColours[c]].x, m.normals[s.normal].x);
    }
}

TEST_F(MeshTest, BlockCopiesOnProcessorKind9ForRigidMeshesOnly)
{
    KindGuard kind(9);
    CTMesh m;
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0, materials));
    // 8 vertices: two blocks of four, 12 floats each; 12 faces: three blocks and the end block.
    ASSERT_EQ(m.blockPositions.size(), 24u);
    ASSERT_EQ(m.blockPlanes.size(), 64u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m.blockPositions.data()) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m.blockPlanes.data()) % 64, 0u);
    for (uint32_t v = 0; v < 8; ++v) {
        EXPECT_EQ(m.blockPositions[v / 4 * 12 + v % 4], m.vertices[v].x);
        EXPECT_EQ(m.blockPositions[v / 4 * 12 + 4 + v % 4], m.vertices[v].y);
        EXPECT_EQ(m.blockPositions[v / 4 * 12 + 8 + v % 4], m.vertices[v].z);
    }
    for (uint32_t f = 0; f < 12; ++f) {
        EXPECT_EQ(m.blockPlanes[f / 4 * 16 + 8 + f % 4], m.planes[f].z);
        EXPECT_EQ(m.blockPlanes[f / 4 * 16 + 12 + f % 4], m.planes[f].w);
    }
    EXPECT_EQ(Bits(m.blockPlanes[48]), kMeshPlaneEnd);

    // An odd count is padded with the last vertex up to a multiple of 8.
    CTDbMesh three = db.meshes["Cube"];
    three.vertices.resize(5);
    three.matrixSelect.resize(5);
    three.faces = {0, 1, 2};
    three.cornerNormals = {0, 0, 0};
    three.texCoords.resize(6);
    three.groups = {{"Red", 1}};
    ASSERT_TRUE(Mesh_FromDb(three, m, 0, materials));
    ASSERT_EQ(m.blockPositions.size(), 24u);
    EXPECT_EQ(m.blockPositions[12 + 3], three.vertices[4].x);
    ASSERT_EQ(m.blockPlanes.size(), 32u);
    EXPECT_EQ(m.blockPlanes[1], 0.0f);
    EXPECT_EQ(Bits(m.blockPlanes[16]), kMeshPlaneEnd);

    // Deformed meshes, by record or by the flag byte, get none.
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Face-d"], m, 0, materials));
    EXPECT_TRUE(m.blockPositions.empty());
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0x12, materials));
    EXPECT_TRUE(m.blockPlanes.empty());
}

TEST_F(MeshTest, UnsoundRecordsAndMissingMaterials)
{
    WarningCapture w;
    CTDbMesh bad = db.meshes["Cube"];
    bad.faces[0] = 200;
    CTMesh m;
    EXPECT_FALSE(Mesh_FromDb(bad, m, 0, materials));
    EXPECT_TRUE(w.Warned("vertex index"));
    EXPECT_EQ(m.vertexCount, 0u);

    CTMaterialMap none;
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0, none));
    EXPECT_EQ(m.groupMaterials[0], nullptr);

    // A degenerate face has a zero plane.
    CTDbMesh flat = db.meshes["Cube"];
    flat.faces[1] = flat.faces[0];
    ASSERT_TRUE(Mesh_FromDb(flat, m, 0, materials));
    EXPECT_EQ(m.planes[0].x, 0.0f);
    EXPECT_EQ(m.planes[0].w, 0.0f);
}

TEST(MeshBlend, MovesTowardTheTargetsOverTheCommonCount)
{
    CTMesh m;
    m.vertices = {{0, 0, 0}, {2, 2, 2}, {5, 5, 5}};
    mesh_blend_vertices({{4, 0, 0}, {0, 2, 6}}, 0.25f, m);
    EXPECT_EQ(m.vertices[0].x, 1.0f);
    EXPECT_EQ(m.vertices[1].x, 1.5f);
    EXPECT_EQ(m.vertices[1].z, 3.0f);
    EXPECT_EQ(m.vertices[2].x, 5.0f);
    mesh_blend_vertices({{8, 8, 8}, {8, 8, 8}, {8, 8, 8}, {9, 9, 9}}, 1.0f, m);
    EXPECT_EQ(m.vertices[2].y, 8.0f);
    EXPECT_EQ(m.vertices.size(), 3u);
}

TEST(AlignedAlloc, AlignedWithTheRawPointerAfterTheArray)
{
    for (size_t n : {size_t(1), size_t(63), size_t(64), size_t(1000)}) {
        auto* p = static_cast<unsigned char*>(AlignedAlloc64(n));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u);
        std::memset(p, 0xAB, n);  // the whole array is usable (ASan checks the bounds)
        void* raw;
        std::memcpy(&raw, p + n, sizeof raw);
        EXPECT_LE(static_cast<unsigned char*>(raw), p);
        EXPECT_LT(p - static_cast<unsigned char*>(raw), 64);
        AlignedFree64(p, n);
    }
    AlignedFree64(nullptr, 10);
    WarningCapture w;
    EXPECT_EQ(AlignedAlloc64(SIZE_MAX - 10), nullptr);

    CTAlignedArray<float> a(5), b;
    a[4] = 3.0f;
    b = a;
    EXPECT_EQ(b[4], 3.0f);
    EXPECT_NE(b.data(), a.data());
    CTAlignedArray<float> c(std::move(a));
    EXPECT_EQ(c[4], 3.0f);
    EXPECT_TRUE(a.empty());
}

}  // namespace
