// Quaternion and matrix identities.
#include <gtest/gtest.h>

#include "tests/engine3d/Expect3D.h"

#include <cmath>

#include "engine3d/Matrix.h"
#include "engine3d/Quaternion.h"

namespace {

constexpr float kPi = 3.14159265f;

// Same rotation: q and -q are equal.
void ExpectSameRotation(const CTQuaternion& a, const CTQuaternion& b, float eps = 1e-5f)
{
    const float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    EXPECT_NEAR(std::fabs(d), 1.0f, eps);
}

const CTQuaternion kSamples[] = {
    CTQuaternion::FromAxisAngle({1, 2, 3}, 0.7f),
    CTQuaternion::FromAxisAngle({0, 0, 1}, kPi / 2),
    CTQuaternion::FromAxisAngle({-1, 0.5f, 0}, 2.9f),
    CTQuaternion::FromAxisAngle({0, 1, 0}, kPi),
};

TEST(Quaternion, AxisAngleAndTheMatrixAgree)
{
    // A quarter turn about z takes x to y (right-handed).
    const CTQuaternion q = CTQuaternion::FromAxisAngle({0, 0, 2}, kPi / 2);
    ExpectVec(Quat_RotateVec3(q, {1, 0, 0}), {0, 1, 0});
    const CTMatrix3 m = CTMatrix3::FromAxisAngle({0, 0, 1}, 0.3f);
    EXPECT_NEAR(m.m[0][0], std::cos(0.3f), 1e-6f);
    EXPECT_NEAR(m.m[0][1], -std::sin(0.3f), 1e-6f);
    EXPECT_NEAR(m.m[1][0], std::sin(0.3f), 1e-6f);
    EXPECT_NEAR(m.m[2][2], 1.0f, 1e-6f);
    EXPECT_EQ(m.m[0][2], 0.0f);

    for (const CTQuaternion& s : kSamples) {
        const CTMatrix3 r = CTMatrix3::FromQuaternion(s);
        for (const CTVector3 v : {CTVector3{1, 0, 0}, CTVector3{0.3f, -2, 5}}) ExpectVec(r * v, Quat_RotateVec3(s, v));
    }
}

TEST(Quaternion, TinyAxisGivesIdentity)
{
    const CTQuaternion q = CTQuaternion::FromAxisAngle({1e-8f, 0, 0}, 1.0f);
    EXPECT_EQ(q.w, 1.0f);
    EXPECT_EQ(q.x, 0.0f);
    const CTMatrix3 m = CTMatrix3::FromAxisAngle({0, 0, 0}, 1.0f);
    EXPECT_EQ(m.m[0][0], 1.0f);
    EXPECT_EQ(m.m[0][1], 0.0f);
}

TEST(Quaternion, InverseRotationAndConjTimes)
{
    const CTVector3 v{0.5f, -1.5f, 2.0f};
    for (const CTQuaternion& a : kSamples) {
        ExpectVec(Quat_RotateVec3b(a, Quat_RotateVec3(a, v)), v);
        for (const CTQuaternion& b : kSamples) {
            // conj(a) b turns like b followed by the inverse of a.
            const CTQuaternion c = a.ConjTimes(b);
            ExpectVec(Quat_RotateVec3(c, v), Quat_RotateVec3b(a, Quat_RotateVec3(b, v)));
            // Products compose rotations right to left.
            ExpectVec(Quat_RotateVec3(a * b, v), Quat_RotateVec3(a, Quat_RotateVec3(b, v)));
            const CTMatrix3 ab = CTMatrix3::FromQuaternion(a) * CTMatrix3::FromQuaternion(b);
            ExpectVec(ab * v, Quat_RotateVec3(a * b, v));
        }
    }
}

TEST(Quaternion, FromTwoVectorsAimsZAndKeepsYTowardUp)
{
    const CTVector3 dir{3, -1, 2}, up{0, -1, 0};
    const CTQuaternion q = CTQuaternion::FromTwoVectors(dir, up);
    const float n = std::sqrt(Vec3_Norm2(dir));
    ExpectVec(Quat_RotateVec3(q, {0, 0, 1}), Vec3_DivScalar(dir, n));
    const CTVector3 y = Quat_RotateVec3(q, {0, 1, 0});
    EXPECT_NEAR(Vec3_Dot(y, dir), 0.0f, 1e-5f);
    EXPECT_GT(Vec3_Dot(y, up), 0.0f);
    // x = y cross z: a proper rotation.
    ExpectVec(Quat_RotateVec3(q, {1, 0, 0}), Vec3_Cross(y, Vec3_DivScalar(dir, n)));

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
    const CTQuaternion nb{-b.x, -b.y, -b.z, -b.w};
    ExpectSameRotation(Quat_Slerp(a, nb, 0.5f), CTQuaternion::FromAxisAngle({0, 1, 0}, 0.8f));
    // Equal keys stay put.
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

}  // namespace
