// Animation sets and morphing at and between keys, the animation cache, and the object tree.
#include <gtest/gtest.h>

#include "tests/engine3d/Expect3D.h"

#include <cmath>

#include "engine3d/Database.h"
#include "testdata/DbWriter.h"

namespace {

CTAnimationSet SampleSet(const char* name)
{
    const CTDataBase db = DbWriter_SampleScene();
    CTAnimationSet set;
    CTAnimationSet::FromDb(db.animations.at(name), set);
    return set;
}

TEST(Animation, ValuesAtAndBetweenKeys)
{
    const CTAnimationSet body = SampleSet("Body");
    EXPECT_EQ(body.length, 20u);
    CTVector3 p;
    ASSERT_TRUE(body.PositionAt(10.0f, p));
    ExpectVec(p, {2, 0, 10});
    ASSERT_TRUE(body.PositionAt(5.0f, p));
    ExpectVec(p, {1, 0, 10});
    ASSERT_TRUE(body.PositionAt(17.5f, p));
    ExpectVec(p, {2, 3, 10});
    // Outside the keys: held at the ends.
    ASSERT_TRUE(body.PositionAt(-3.0f, p));
    ExpectVec(p, {0, 0, 10});
    ASSERT_TRUE(body.PositionAt(99.0f, p));
    ExpectVec(p, {2, 4, 10});
    EXPECT_FALSE(body.PositionAt(NAN, p));

    float s;
    ASSERT_TRUE(body.ScaleAt(0.0f, s));
    EXPECT_EQ(s, 1.0f);
    ASSERT_TRUE(body.ScaleAt(7.5f, s));
    EXPECT_FLOAT_EQ(s, 1.25f);

    CTQuaternion q;
    ASSERT_TRUE(body.RotationAt(5.0f, q));
    const CTQuaternion half = CTQuaternion::FromAxisAngle({0, 1, 0}, 0.5f);
    EXPECT_NEAR(std::fabs(q.x * half.x + q.y * half.y + q.z * half.z + q.w * half.w), 1.0f, 1e-6f);

    const CTAnimationSet head = SampleSet("Head");
    EXPECT_FALSE(head.RotationAt(3.0f, q));
    EXPECT_TRUE(head.HasAnimation());
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

    PlayAnimationSet(&body, 15.0f, f, ANIM_ALL);
    ExpectVec(f.LocalPosition(), {2, 2, 10});
    EXPECT_FLOAT_EQ(f.LocalScale(), 2.0f);
    EXPECT_NEAR(f.LocalRotation().x, 0.0f, 1e-6f);
    EXPECT_NEAR(f.LocalRotation().y, std::sin(0.5f), 1e-6f);

    // A child sees the pose at its next update.
    CTFrame child(&f);
    child.UpdateWorld();
    PlayAnimationSet(&body, 0.0f, f, ANIM_ALL);
    EXPECT_FALSE(child.worldValid);
    PlayAnimationSet(nullptr, 0.0f, f, ANIM_ALL);
    ExpectVec(f.LocalPosition(), {0, 0, 10});
}

TEST(Animation, MorphAtAndBetweenKeys)
{
    const CTAnimationSet morph = SampleSet("morphing");
    std::vector<CTVector3> v;
    ASSERT_TRUE(morph.MorphAt(0.0f, v));
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[1].z, 0.5f);
    ASSERT_TRUE(morph.MorphAt(2.5f, v));
    EXPECT_FLOAT_EQ(v[1].z, 0.25f);
    EXPECT_FLOAT_EQ(v[3].z, 0.25f);
    EXPECT_FLOAT_EQ(v[0].x, -1.0f);
    ASSERT_TRUE(morph.MorphAt(10.0f, v));
    EXPECT_EQ(v[1].z, -0.5f);
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

TEST(Animation, CacheReusesTheFirstSetOfAName)
{
    AnimationCache_Clear();
    CTDataBase db = DbWriter_SampleScene();
    CTAnimationSet& a = AnimationCache_Get(db.animations["Body"]);
    CTDbAnimation other = db.animations["Body"];
    other.length = 99;
    CTAnimationSet& b = AnimationCache_Get(other);
    EXPECT_EQ(&a, &b);
    EXPECT_EQ(b.length, 20u);
    EXPECT_EQ(AnimationCache_Find("Body"), &a);
    EXPECT_EQ(AnimationCache_Find("Head"), nullptr);
    EXPECT_EQ(AnimationCache_Size(), 1u);
    AnimationCache_Clear();
    EXPECT_EQ(AnimationCache_Size(), 0u);
    EXPECT_EQ(AnimationCache_Find("Body"), nullptr);
}

TEST(ObjectTree, DepthFirstInNameOrderUnderTheParentInstances)
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
    EXPECT_EQ(list[0]->mesh, &meshes["Cube"]);
    EXPECT_EQ(list[1]->mesh, nullptr);  // "Face-d" is not in the mesh map
    EXPECT_EQ(list[2]->mesh, nullptr);
    EXPECT_EQ(list[1]->frame.Parent(), &list[0]->frame);
    EXPECT_EQ(list[3]->frame.Parent(), &list[2]->frame);
    list[1]->frame.UpdateWorld();
    ExpectVec(list[1]->frame.worldPosition, {100, -2, 10});
    list[3]->frame.UpdateWorld();
    EXPECT_FLOAT_EQ(list[3]->frame.worldScale, 0.5f);

    // The animation sets line up with the instances.
    CTAnimationSetMap sets;
    for (const auto& [name, rec] : db.animations) CTAnimationSet::FromDb(rec, sets[name]);
    std::vector<CTAnimationSet*> anims;
    ObjectTree_CopyFiltered(db, nullptr, sets, anims, {});
    ASSERT_EQ(anims.size(), 4u);
    EXPECT_EQ(anims[0], &sets["Body"]);
    EXPECT_EQ(anims[1], &sets["Head"]);
    EXPECT_EQ(anims[2], nullptr);
}

TEST(ObjectTree, FilterDropsObjectsButVisitsTheirChildren)
{
    const CTDataBase db = DbWriter_SampleScene();
    CTMeshMap meshes;
    CTFrame root;
    CTInstanceList list;
    auto keep = [](const std::string& n) { return n != "Pivot" && n != "Head"; };
    ObjectTree_BuildFromDb(db, nullptr, meshes, root, list, keep);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->name, "Body");
    EXPECT_EQ(list[1]->name, "Arm");
    EXPECT_EQ(list[1]->frame.Parent(), &root);

    // From one object down: only its descendants.
    CTInstanceList below;
    ObjectTree_BuildFromDb(db, &db.objects.at("Body"), meshes, root, below, {});
    ASSERT_EQ(below.size(), 1u);
    EXPECT_EQ(below[0]->name, "Head");

    CTAnimationSetMap sets;
    std::vector<CTAnimationSet*> anims;
    ObjectTree_CopyFiltered(db, nullptr, sets, anims, keep);
    EXPECT_EQ(anims.size(), 2u);
}

}  // namespace
