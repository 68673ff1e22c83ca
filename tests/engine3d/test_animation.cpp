// Animation sets and morphing at and between keys, the object tree, and runtime meshes: end markers,
// planes, lit-vertex slots, block copies, blending.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "app/Cpu.h"
#include "engine3d/Database.h"
#include "engine3d/Mesh.h"
#include "testdata/DbWriter.h"
#include "tests/engine3d/Expect3D.h"

namespace {

CTAnimationSet SampleSet(const char* name)
{
    const CTDataBase db = DbWriter_SampleScene();
    CTAnimationSet set;
    CTAnimationSet::FromDb(db.animations.at(name), set);
    return set;
}

TEST(Animation, ValuesAtAndBetweenKeysHeldAtTheEnds)
{
    const CTAnimationSet body = SampleSet("Body");
    const struct {
        float t;
        CTVector3 p;
    } positions[] = {{10, {2, 0, 10}}, {5, {1, 0, 10}}, {17.5f, {2, 3, 10}}, {-3, {0, 0, 10}}, {99, {2, 4, 10}}};
    CTVector3 p;
    for (const auto& k : positions) {
        ASSERT_TRUE(body.PositionAt(k.t, p)) << k.t;
        ExpectVec(p, k.p);
    }
    EXPECT_FALSE(body.PositionAt(NAN, p));
    float s;
    ASSERT_TRUE(body.ScaleAt(7.5f, s));
    EXPECT_FLOAT_EQ(s, 1.25f);
    CTQuaternion q;
    ASSERT_TRUE(body.RotationAt(5.0f, q));
    const CTQuaternion half = CTQuaternion::FromAxisAngle({0, 1, 0}, 0.5f);
    EXPECT_NEAR(std::fabs(q.x * half.x + q.y * half.y + q.z * half.z + q.w * half.w), 1.0f, 1e-6f);
    EXPECT_FALSE(SampleSet("Head").RotationAt(3.0f, q));
}

TEST(Animation, PlayPosesTheChannelsOfTheMask)
{
    const CTAnimationSet body = SampleSet("Body");
    CTFrame f;
    f.SetLocal(CTQuaternion::FromAxisAngle({1, 0, 0}, 0.3f), {7, 7, 7}, 3.0f);
    PlayAnimationSet(&body, 5.0f, f, ANIM_POSITION);
    ExpectVec(f.LocalPosition(), {1, 0, 10});
    EXPECT_EQ(f.LocalScale(), 3.0f);
    EXPECT_NEAR(f.LocalRotation().x, std::sin(0.15f), 1e-6f);

    // A child sees the pose at its next update.
    CTFrame child(&f);
    child.UpdateWorld();
    PlayAnimationSet(&body, 15.0f, f, ANIM_ALL);
    EXPECT_FALSE(child.worldValid);
    ExpectVec(f.LocalPosition(), {2, 2, 10});
    EXPECT_FLOAT_EQ(f.LocalScale(), 2.0f);
    EXPECT_NEAR(f.LocalRotation().y, std::sin(0.5f), 1e-6f);
}

TEST(Animation, MorphAtAndBetweenKeys)
{
    const CTAnimationSet morph = SampleSet("morphing");
    std::vector<CTVector3> v;
    ASSERT_TRUE(morph.MorphAt(2.5f, v));
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[1].z, 0.25f);
    EXPECT_FLOAT_EQ(v[3].z, 0.25f);
    EXPECT_FLOAT_EQ(v[0].x, -1.0f);
    ASSERT_TRUE(morph.MorphAt(50.0f, v));
    EXPECT_EQ(v[1].z, -0.5f);
    EXPECT_FALSE(SampleSet("Body").MorphAt(1.0f, v));
    EXPECT_TRUE(v.empty());

    // Keys of different lengths blend over the common count.
    CTAnimationSet uneven = morph;
    uneven.morphKeys[1].vertices.resize(2);
    ASSERT_TRUE(uneven.MorphAt(5.0f, v));
    EXPECT_EQ(v.size(), 2u);
}

TEST(ObjectTree, DepthFirstInNameOrderWithFiltersAndSubtrees)
{
    const CTDataBase db = DbWriter_SampleScene();
    CTMeshMap meshes;
    meshes["Cube"];
    CTFrame root;
    root.SetLocalPosition({100, 0, 0});
    CTInstanceList list;
    ObjectTree_BuildFromDb(db, nullptr, meshes, root, list, {});
    ASSERT_EQ(list.size(), 4u);
    const char* order[] = {"Body", "Head", "Pivot", "Arm"};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(list[i]->name, order[i]);
    EXPECT_EQ(list[1]->mesh, nullptr);  // "Face-d" is not in the mesh map
    list[1]->frame.UpdateWorld();
    ExpectVec(list[1]->frame.worldPosition, {100, -2, 10});

    // The animation sets line up with the instances.
    CTAnimationSetMap sets;
    for (const auto& [name, rec] : db.animations) CTAnimationSet::FromDb(rec, sets[name]);
    std::vector<CTAnimationSet*> anims;
    ObjectTree_CopyFiltered(db, nullptr, sets, anims, {});
    ASSERT_EQ(anims.size(), 4u);
    EXPECT_EQ(anims[2], nullptr);

    // A filter drops objects but visits their children, which hang from the nearest kept one.
    auto keep = [](const std::string& n) { return n != "Pivot" && n != "Head"; };
    CTInstanceList kept;
    ObjectTree_BuildFromDb(db, nullptr, meshes, root, kept, keep);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[1]->name, "Arm");
    EXPECT_EQ(kept[1]->frame.Parent(), &root);
    std::vector<CTAnimationSet*> keptAnims;
    ObjectTree_CopyFiltered(db, nullptr, sets, keptAnims, keep);
    EXPECT_EQ(keptAnims.size(), 2u);

    // From one object down: only its descendants.
    CTInstanceList below;
    ObjectTree_BuildFromDb(db, &db.objects.at("Body"), meshes, root, below, {});
    ASSERT_EQ(below.size(), 1u);
    EXPECT_EQ(below[0]->name, "Head");
}

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

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

TEST_F(MeshTest, CubeEndMarkersPlanesAndLitSlots)
{
    // A transparent material is drawn in the deferred pass.
    EXPECT_EQ(materials["Glass"].flags & MATERIAL_DEFERRED, MATERIAL_DEFERRED);
    EXPECT_EQ(materials["Checker"].flags & MATERIAL_DEFERRED, 0u);

    CTMesh m;
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0x02, materials));
    EXPECT_EQ(m.groupMaterials[1], &materials["Red"]);
    ASSERT_EQ(m.faceIndices.size(), 39u);
    EXPECT_EQ(m.faceIndices[36], kMeshIndexEnd);
    ASSERT_EQ(m.planes.size(), 13u);
    EXPECT_EQ(Bits(m.planes[12].x), kMeshPlaneEnd);
    // Outward unit normals, d = 1 for the faces of the 2 x 2 x 2 cube.
    for (uint32_t f = 0; f < 12; ++f) {
        ExpectVec({m.planes[f].x, m.planes[f].y, m.planes[f].z}, db.meshes["Cube"].normals[f / 2]);
        EXPECT_FLOAT_EQ(m.planes[f].w, 1.0f) << f;
    }
    // Each side of the cube has its own normal: 4 distinct corners per side, 6 sides.
    ASSERT_EQ(m.slots.size(), 24u);
    for (uint32_t c = 0; c < m.faceIndexCount; ++c) {
        EXPECT_EQ(m.slots[m.faceColours[c]].vertex, m.faceIndices[c]);
        EXPECT_EQ(m.slots[m.faceColours[c]].normal, m.cornerNormals[c]);
    }
    // A degenerate face has a zero plane.
    CTDbMesh flat = db.meshes["Cube"];
    flat.faces[1] = flat.faces[0];
    ASSERT_TRUE(Mesh_FromDb(flat, m, 0, materials));
    EXPECT_EQ(m.planes[0].x, 0.0f);
    EXPECT_EQ(m.planes[0].w, 0.0f);
}

TEST_F(MeshTest, BlockCopiesForRigidMeshesOnlyWhateverTheProcessor)
{
    ScopedProcessorKind kind(CPU_GENERIC);
    CTMesh m;
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0, materials));
    // 8 vertices: two blocks of four, 12 floats each; 12 faces: three blocks and the end block.
    ASSERT_EQ(m.blockPositions.size(), 24u);
    ASSERT_EQ(m.blockPlanes.size(), 64u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m.blockPlanes.data()) % 64, 0u);
    for (uint32_t v = 0; v < 8; ++v) EXPECT_EQ(m.blockPositions[v / 4 * 12 + 8 + v % 4], m.vertices[v].z);
    for (uint32_t f = 0; f < 12; ++f) EXPECT_EQ(m.blockPlanes[f / 4 * 16 + 12 + f % 4], m.planes[f].w);
    EXPECT_EQ(Bits(m.blockPlanes[48]), kMeshPlaneEnd);

    // An odd count is padded with the last vertex up to a multiple of 8.
    CTDbMesh five = db.meshes["Cube"];
    five.vertices.resize(5);
    five.matrixSelect.resize(5);
    five.faces = {0, 1, 2};
    five.cornerNormals = {0, 0, 0};
    five.texCoords.resize(6);
    five.groups = {{"Red", 1}};
    ASSERT_TRUE(Mesh_FromDb(five, m, 0, materials));
    ASSERT_EQ(m.blockPositions.size(), 24u);
    EXPECT_EQ(m.blockPositions[12 + 3], five.vertices[4].x);
    // Moved vertices move their block copies.
    mesh_set_vertices({{7, 8, 9}}, m);
    EXPECT_EQ(m.blockPositions[4], 8.0f);
    mesh_blend_vertices({{7, 8, 9}, {7, 8, 9}, {7, 8, 9}, {7, 8, 9}, {1, 2, 3}}, 1.0f, m);
    EXPECT_EQ(m.blockPositions[12 + 8 + 3], 3.0f);

    // Deformed meshes, by record or by the flag byte, get none.
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Face-d"], m, 0, materials));
    EXPECT_TRUE(m.blockPositions.empty());
    ASSERT_TRUE(Mesh_FromDb(db.meshes["Cube"], m, 0x12, materials));
    EXPECT_TRUE(m.blockPlanes.empty());
}

TEST(MeshBlend, BlendAndSetCoverTheCommonCountOnly)
{
    CTMesh m;
    m.vertices = {{0, 0, 0}, {2, 2, 2}, {5, 5, 5}};
    mesh_blend_vertices({{4, 0, 0}, {0, 2, 6}}, 0.25f, m);
    EXPECT_EQ(m.vertices[0].x, 1.0f);
    EXPECT_EQ(m.vertices[1].z, 3.0f);
    EXPECT_EQ(m.vertices[2].x, 5.0f);
    mesh_set_vertices({{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6}}, m);
    ASSERT_EQ(m.vertices.size(), 3u);
    EXPECT_EQ(m.vertices[2].x, 7.0f);
}

}  // namespace
