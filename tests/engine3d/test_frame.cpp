// Frame hierarchy: world updates through parent chains, reference-frame operations, relative matrices.
#include <gtest/gtest.h>

#include "tests/engine3d/Expect3D.h"

#include <cmath>
#include <vector>

#include "engine3d/Frame.h"

namespace {


constexpr float kPi = 3.14159265f;

CTQuaternion Turn(float angle, CTVector3 axis = {0, 0, 1}) { return CTQuaternion::FromAxisAngle(axis, angle); }

TEST(Frame, WorldValuesFollowTheParentChain)
{
    CTFrame a, b(&a), c(&b);
    a.SetLocal(Turn(kPi / 2), {10, 0, 0}, 2.0f);
    b.SetLocal(CTQuaternion{}, {1, 0, 0}, 3.0f);
    c.SetLocalPosition({0, 1, 0});
    c.UpdateWorld();
    // b sits at a + 2 * rot90(1,0,0) = (10, 2, 0); c at b + 6 * rot90(0,1,0) = (4, 2, 0).
    ExpectVec(b.worldPosition, {10, 2, 0});
    ExpectVec(c.worldPosition, {4, 2, 0});
    EXPECT_FLOAT_EQ(c.worldScale, 6.0f);
    EXPECT_TRUE(a.worldValid && b.worldValid && c.worldValid);

    // Changing the top marks the whole chain stale, and the next update sees the change.
    a.SetLocalPosition({0, 0, 0});
    EXPECT_FALSE(b.worldValid);
    EXPECT_FALSE(c.worldValid);
    c.UpdateWorld();
    ExpectVec(c.worldPosition, {-6, 2, 0});
    ExpectVec(c.PointToWorld({1, 0, 0}), {-6, 8, 0});
    ExpectVec(c.PointFromWorld(c.PointToWorld({0.5f, -2, 3})), {0.5f, -2, 3});
}

TEST(Frame, RootAndOrphansUseTheirLocalValues)
{
    CTFrame& root = CTFrame::Root();
    root.UpdateWorld();
    EXPECT_EQ(root.Parent(), nullptr);
    EXPECT_EQ(root.worldScale, root.LocalScale());
    CTFrame top;
    EXPECT_EQ(top.Parent(), &root);

    auto orphan = std::make_unique<CTFrame>();
    {
        CTFrame parent;
        parent.SetLocalPosition({5, 0, 0});
        orphan->SetParent(&parent);
        orphan->SetLocalPosition({1, 0, 0});
        orphan->UpdateWorld();
        ExpectVec(orphan->worldPosition, {6, 0, 0});
    }
    // The parent is gone: the child keeps no dangling link.
    EXPECT_EQ(orphan->Parent(), nullptr);
    orphan->UpdateWorld();
    ExpectVec(orphan->worldPosition, {1, 0, 0});
}

TEST(Frame, SetParentRefusesLoops)
{
    CTFrame a, b(&a), c(&b);
    EXPECT_FALSE(a.SetParent(&c));
    EXPECT_FALSE(a.SetParent(&a));
    EXPECT_EQ(a.Parent(), &CTFrame::Root());
    EXPECT_TRUE(c.SetParent(&a));
    EXPECT_EQ(c.Parent(), &a);
}

TEST(Frame, CopiesAndMovesKeepLinksSound)
{
    CTFrame parent;
    parent.SetLocalPosition({0, 3, 0});
    std::vector<CTFrame> frames;
    for (int i = 0; i < 20; ++i) {
        CTFrame f(&parent);
        f.SetLocalPosition({float(i), 0, 0});
        frames.push_back(f);  // reallocations move the frames around
    }
    CTFrame child(&frames[7]);
    frames.reserve(200);
    EXPECT_EQ(child.Parent(), &frames[7]);
    child.UpdateWorld();
    ExpectVec(child.worldPosition, {7, 3, 0});
    parent.SetLocalPosition({0, 0, 0});
    EXPECT_FALSE(child.worldValid);
    frames.clear();
    EXPECT_EQ(child.Parent(), nullptr);
}

TEST(Frame, ReferenceFrameOperations)
{
    CTFrame ref, parent, node(&parent);
    ref.SetLocal(Turn(kPi / 2), {0, 0, 5}, 2.0f);
    parent.SetLocal(Turn(-kPi / 2, {1, 0, 0}), {3, 0, 0}, 0.5f);

    node.SetPosition(&ref, {1, 0, 0});
    ExpectVec(node.GetPosition(nullptr), {0, 2, 5});
    ExpectVec(node.GetPosition(&ref), {1, 0, 0});

    const CTQuaternion q = Turn(0.4f, {0, 1, 0});
    node.SetRotation(&ref, q);
    const CTQuaternion got = node.GetRotation(&ref);
    EXPECT_NEAR(std::fabs(got.x * q.x + got.y * q.y + got.z * q.z + got.w * q.w), 1.0f, 1e-5f);

    const float two = 2.0f;
    node.SetScale(&ref, &two);
    node.UpdateWorld();
    EXPECT_NEAR(node.worldScale, 4.0f, 1e-6f);
    const float zero = 0.0f;
    node.SetScale(&ref, &zero);
    node.SetScale(&ref, nullptr);
    node.UpdateWorld();
    EXPECT_NEAR(node.worldScale, 4.0f, 1e-6f);

    // Along its own axes: local x of the node, at its world scale.
    const CTVector3 before = node.GetPosition(nullptr);
    node.Translate(&node, {1, 0, 0});
    node.UpdateWorld();
    ExpectVec(node.GetPosition(nullptr), Vec3_Add(before, Vec3_Scale(Quat_RotateVec3(node.worldRotation, {1, 0, 0}), 4)));

    // Turning about its own axis keeps the position and applies the turn after the current rotation.
    const CTQuaternion r0 = node.GetRotation(nullptr);
    const CTVector3 p0 = node.GetPosition(nullptr);
    node.Rotate(&node, Turn(0.3f));
    ExpectVec(node.GetPosition(nullptr), p0);
    const CTVector3 v{0.2f, 1, -0.4f};
    ExpectVec(Quat_RotateVec3(node.GetRotation(nullptr), v), Quat_RotateVec3(r0 * Turn(0.3f), v));
    // In the world's axes the turn comes first.
    node.Rotate(nullptr, Turn(0.2f, {1, 0, 0}));
    ExpectVec(Quat_RotateVec3(node.GetRotation(nullptr), v), Quat_RotateVec3(Turn(0.2f, {1, 0, 0}) * r0 * Turn(0.3f), v));
}

TEST(Frame, RelativeMatrixTakesObjectPointsIntoTheReference)
{
    CTFrame cam, obj;
    cam.SetLocal(Turn(0.7f, {1, 1, 0}), {1, 2, 3}, 2.0f);
    obj.SetLocal(Turn(-1.1f, {0, 1, 1}), {-4, 0, 6}, 3.0f);
    const CTMatrix34 m = Frame_RelativeMatrix(cam, obj);
    for (const CTVector3 p : {CTVector3{0, 0, 0}, CTVector3{1, -2, 0.5f}})
        ExpectVec(Vec3_Transform34(m, p), cam.PointFromWorld(obj.PointToWorld(p)));
    EXPECT_EQ(CTCamera_ScaleOrOne(3.0f, 2.0f), 1.5f);
    EXPECT_EQ(CTCamera_ScaleOrOne(0.0f, 2.0f), 1.0f);
    EXPECT_EQ(CTCamera_ScaleOrOne(3.0f, 0.0f), 1.0f);
}

}  // namespace
