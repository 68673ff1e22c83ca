// Quaternion and matrix identities; frame hierarchy: world updates through parent chains, sound links,
// reference-frame operations.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine3d/Frame.h"
#include "engine3d/Matrix.h"
#include "engine3d/Quaternion.h"
#include "tests/engine3d/Expect3D.h"

namespace {

constexpr float kPi = 3.14159265f;

// Same rotation: q and -q are equal.
void ExpectSameRotation(const CTQuaternion& a, const CTQuaternion& b, float eps = 1e-5f)
{
    EXPECT_NEAR(std::fabs(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w), 1.0f, eps);
}

const CTQuaternion kSamples[] = {
    CTQuaternion::FromAxisAngle({1, 2, 3}, 0.7f),
    CTQuaternion::FromAxisAngle({0, 0, 1}, kPi / 2),
    CTQuaternion::FromAxisAngle({-1, 0.5f, 0}, 2.9f),
    CTQuaternion::FromAxisAngle({0, 1, 0}, kPi),
};

TEST(Quaternion, AxisAngleMatrixAndComposition)
{
    // A quarter turn about z takes x to y (right-handed); the axis need not be unit.
    ExpectVec(Quat_RotateVec3(CTQuaternion::FromAxisAngle({0, 0, 2}, kPi / 2), {1, 0, 0}), {0, 1, 0});
    const CTMatrix3 m = CTMatrix3::FromAxisAngle({0, 0, 1}, 0.3f);
    EXPECT_NEAR(m.m[0][1], -std::sin(0.3f), 1e-6f);
    EXPECT_NEAR(m.m[1][0], std::sin(0.3f), 1e-6f);
    // A vanishing axis gives the identity.
    EXPECT_EQ(CTQuaternion::FromAxisAngle({1e-8f, 0, 0}, 1.0f).w, 1.0f);
    EXPECT_EQ(CTMatrix3::FromAxisAngle({0, 0, 0}, 1.0f).m[0][1], 0.0f);

    const CTVector3 v{0.5f, -1.5f, 2.0f};
    for (const CTQuaternion& a : kSamples) {
        ExpectVec(CTMatrix3::FromQuaternion(a) * v, Quat_RotateVec3(a, v));
        ExpectVec(Quat_RotateVec3b(a, Quat_RotateVec3(a, v)), v);
        for (const CTQuaternion& b : kSamples) {
            // conj(a) b turns like b followed by the inverse of a; products compose right to left.
            ExpectVec(Quat_RotateVec3(a.ConjTimes(b), v), Quat_RotateVec3b(a, Quat_RotateVec3(b, v)));
            ExpectVec(Quat_RotateVec3(a * b, v), Quat_RotateVec3(a, Quat_RotateVec3(b, v)));
            ExpectVec(CTMatrix3::FromQuaternion(a) * CTMatrix3::FromQuaternion(b) * v, Quat_RotateVec3(a * b, v));
        }
    }
}

TEST(Quaternion, FromTwoVectorsAimsZAndKeepsYTowardUp)
{
    const CTVector3 dir{3, -1, 2}, up{0, -1, 0};
    const CTQuaternion q = CTQuaternion::FromTwoVectors(dir, up);
    const CTVector3 z = Vec3_DivScalar(dir, std::sqrt(Vec3_Norm2(dir)));
    ExpectVec(Quat_RotateVec3(q, {0, 0, 1}), z);
    const CTVector3 y = Quat_RotateVec3(q, {0, 1, 0});
    EXPECT_NEAR(Vec3_Dot(y, dir), 0.0f, 1e-5f);
    EXPECT_GT(Vec3_Dot(y, up), 0.0f);
    ExpectVec(Quat_RotateVec3(q, {1, 0, 0}), Vec3_Cross(y, z));  // a proper rotation

    // Up along the direction still gives a unit rotation with z on the direction.
    const CTQuaternion p = CTQuaternion::FromTwoVectors({0, 0, -2}, {0, 0, 1});
    ExpectVec(Quat_RotateVec3(p, {0, 0, 1}), {0, 0, -1});
    EXPECT_NEAR(p.x * p.x + p.y * p.y + p.z * p.z + p.w * p.w, 1.0f, 1e-6f);
    ExpectSameRotation(CTQuaternion::FromTwoVectors({0, 0, 0}, up), CTQuaternion{});
}

TEST(Quaternion, SlerpEndsMidpointAndShortestArc)
{
    const CTQuaternion a = CTQuaternion::FromAxisAngle({0, 1, 0}, 0.2f);
    const CTQuaternion b = CTQuaternion::FromAxisAngle({0, 1, 0}, 1.4f);
    ExpectSameRotation(Quat_Slerp(a, b, 0.0f), a);
    ExpectSameRotation(Quat_Slerp(a, b, 1.0f), b);
    ExpectSameRotation(Quat_Slerp(a, b, 0.25f), CTQuaternion::FromAxisAngle({0, 1, 0}, 0.5f));
    // -b is the same rotation: the blend must not take the long way round.
    ExpectSameRotation(Quat_Slerp(a, {-b.x, -b.y, -b.z, -b.w}, 0.5f), CTQuaternion::FromAxisAngle({0, 1, 0}, 0.8f));
    ExpectSameRotation(Quat_Slerp(a, a, 0.7f), a);
}

TEST(Matrix, Transform34AddsTheTranslation)
{
    CTMatrix34 m;
    const CTMatrix3 r = CTMatrix3::FromAxisAngle({0, 0, 1}, kPi / 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = 2.0f * r.m[i][j];
    m.m[0][3] = 10;
    m.m[1][3] = 20;
    m.m[2][3] = 30;
    ExpectVec(Vec3_Transform34(m, {1, 0, 0}), {10, 22, 30});
    ExpectVec(m.ApplyLinear({1, 0, 0}), {0, 2, 0});
}

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

    // Changing the top marks the whole chain stale, and the next update sees the change.
    a.SetLocalPosition({0, 0, 0});
    EXPECT_FALSE(c.worldValid);
    c.UpdateWorld();
    ExpectVec(c.PointToWorld({1, 0, 0}), {-6, 8, 0});
    ExpectVec(c.PointFromWorld(c.PointToWorld({0.5f, -2, 3})), {0.5f, -2, 3});

    // Loops are refused.
    EXPECT_FALSE(a.SetParent(&c));
    EXPECT_FALSE(a.SetParent(&a));
    EXPECT_EQ(a.Parent(), &CTFrame::Root());
}

TEST(Frame, LinksStaySoundWhenFramesMoveOrDie)
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
    // The parent is gone: the child keeps no dangling link and uses its local values.
    frames.clear();
    EXPECT_EQ(child.Parent(), nullptr);
    child.UpdateWorld();
    ExpectVec(child.worldPosition, {0, 0, 0});
}

TEST(Frame, ReferenceFrameOperations)
{
    CTFrame ref, parent, node(&parent);
    ref.SetLocal(Turn(kPi / 2), {0, 0, 5}, 2.0f);
    parent.SetLocal(Turn(-kPi / 2, {1, 0, 0}), {3, 0, 0}, 0.5f);

    node.SetPosition(&ref, {1, 0, 0});
    ExpectVec(node.GetPosition(nullptr), {0, 2, 5});
    ExpectVec(node.GetPosition(&ref), {1, 0, 0});

    node.SetRotation(&ref, Turn(0.4f, {0, 1, 0}));
    ExpectSameRotation(node.GetRotation(&ref), Turn(0.4f, {0, 1, 0}));

    // A zero scale is ignored.
    const float two = 2.0f, zero = 0.0f;
    node.SetScale(&ref, &two);
    node.SetScale(&ref, &zero);
    node.UpdateWorld();
    EXPECT_NEAR(node.worldScale, 4.0f, 1e-6f);

    // Along its own axes: local x of the node, at its world scale.
    const CTVector3 before = node.GetPosition(nullptr);
    node.Translate(&node, {1, 0, 0});
    node.UpdateWorld();
    ExpectVec(node.GetPosition(nullptr), Vec3_Add(before, Vec3_Scale(Quat_RotateVec3(node.worldRotation, {1, 0, 0}), 4)));

    // About its own axes the turn comes after the current rotation, in the world's axes before.
    const CTQuaternion r0 = node.GetRotation(nullptr);
    const CTVector3 p0 = node.GetPosition(nullptr);
    const CTVector3 v{0.2f, 1, -0.4f};
    node.Rotate(&node, Turn(0.3f));
    ExpectVec(node.GetPosition(nullptr), p0);
    ExpectVec(Quat_RotateVec3(node.GetRotation(nullptr), v), Quat_RotateVec3(r0 * Turn(0.3f), v));
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
}

}  // namespace
