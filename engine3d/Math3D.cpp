// Quaternion and matrix operations.
#include <cmath>

#include "engine3d/Matrix.h"
#include "engine3d/Quaternion.h"

namespace {

constexpr float kAxisEpsilon = 1.1920929e-7f;

CTVector3 UnitVec(const CTVector3& v, bool& ok)
{
    const double n = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    ok = n >= kAxisEpsilon && std::isfinite(n);
    if (!ok) return {};
    return {float(v.x / n), float(v.y / n), float(v.z / n)};
}

// Quaternion of the rotation whose columns are the local x, y and z axes (an orthonormal basis).
CTQuaternion FromBasis(const CTVector3& ax, const CTVector3& ay, const CTVector3& az)
{
    const double m00 = ax.x, m01 = ay.x, m02 = az.x;
    const double m10 = ax.y, m11 = ay.y, m12 = az.y;
    const double m20 = ax.z, m21 = ay.z, m22 = az.z;
    const double trace = m00 + m11 + m22;
    double x, y, z, w;
    // The largest of w, x, y, z is taken from the diagonal so the square root never nears zero.
    if (trace > 0.0) {
        const double s = std::sqrt(trace + 1.0) * 2.0;
        w = 0.25 * s;
        x = (m21 - m12) / s;
        y = (m02 - m20) / s;
        z = (m10 - m01) / s;
    } else if (m00 > m11 && m00 > m22) {
        const double s = std::sqrt(1.0 + m00 - m11 - m22) * 2.0;
        w = (m21 - m12) / s;
        x = 0.25 * s;
        y = (m01 + m10) / s;
        z = (m02 + m20) / s;
    } else if (m11 > m22) {
        const double s = std::sqrt(1.0 + m11 - m00 - m22) * 2.0;
        w = (m02 - m20) / s;
        x = (m01 + m10) / s;
        y = 0.25 * s;
        z = (m12 + m21) / s;
    } else {
        const double s = std::sqrt(1.0 + m22 - m00 - m11) * 2.0;
        w = (m10 - m01) / s;
        x = (m02 + m20) / s;
        y = (m12 + m21) / s;
        z = 0.25 * s;
    }
    return CTQuaternion{float(x), float(y), float(z), float(w)}.Normalised();
}

}  // namespace

CTQuaternion operator*(const CTQuaternion& a, const CTQuaternion& b)
{
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

CTQuaternion CTQuaternion::ConjTimes(const CTQuaternion& q) const { return Conj() * q; }

CTQuaternion CTQuaternion::Normalised() const
{
    const double n = std::sqrt(double(x) * x + double(y) * y + double(z) * z + double(w) * w);
    if (!(n > 0.0) || !std::isfinite(n)) return {};
    return {float(x / n), float(y / n), float(z / n), float(w / n)};
}

CTQuaternion CTQuaternion::FromAxisAngle(const CTVector3& axis, float angle)
{
    bool ok;
    const CTVector3 a = UnitVec(axis, ok);
    if (!ok) return {};
    const double h = double(angle) * 0.5;
    const double s = std::sin(h);
    return {float(a.x * s), float(a.y * s), float(a.z * s), float(std::cos(h))};
}

CTQuaternion CTQuaternion::FromTwoVectors(const CTVector3& dir, const CTVector3& up)
{
    bool ok;
    const CTVector3 az = UnitVec(dir, ok);
    if (!ok) return {};
    CTVector3 ay = Vec3_Sub(up, Vec3_Scale(az, Vec3_Dot(up, az)));
    ay = UnitVec(ay, ok);
    if (!ok) {
        // Any axis square to dir: the world axis least aligned with it.
        const float ax = std::fabs(az.x), ayy = std::fabs(az.y), azz = std::fabs(az.z);
        const CTVector3 pick = ax <= ayy && ax <= azz ? CTVector3{1, 0, 0}
                               : ayy <= azz          ? CTVector3{0, 1, 0}
                                                     : CTVector3{0, 0, 1};
        ay = UnitVec(Vec3_Sub(pick, Vec3_Scale(az, Vec3_Dot(pick, az))), ok);
    }
    const CTVector3 ax = Vec3_Cross(ay, az);
    return FromBasis(ax, ay, az);
}

CTVector3 Quat_RotateVec3(const CTQuaternion& q, const CTVector3& v)
{
    // q v q* through the vector part u: v + w t + u x t with t = 2 u x v.
    const CTVector3 u{q.x, q.y, q.z};
    const CTVector3 t = Vec3_Scale(Vec3_Cross(u, v), 2.0f);
    return Vec3_Add(Vec3_Add(v, Vec3_Scale(t, q.w)), Vec3_Cross(u, t));
}

CTVector3 Quat_RotateVec3b(const CTQuaternion& q, const CTVector3& v) { return Quat_RotateVec3(q.Conj(), v); }

CTQuaternion Quat_Slerp(const CTQuaternion& a, const CTQuaternion& b, float t)
{
    double d = double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
    double sign = 1.0;
    if (d < 0.0) {
        d = -d;
        sign = -1.0;
    }
    double wa, wb;
    if (d > 0.9995) {
        // Nearly equal: the linear blend is exact enough and avoids dividing by sin of a tiny angle.
        wa = 1.0 - t;
        wb = t;
    } else {
        const double th = std::acos(d);
        const double s = std::sin(th);
        wa = std::sin((1.0 - t) * th) / s;
        wb = std::sin(t * th) / s;
    }
    wb *= sign;
    return CTQuaternion{float(wa * a.x + wb * b.x), float(wa * a.y + wb * b.y), float(wa * a.z + wb * b.z),
                        float(wa * a.w + wb * b.w)}
        .Normalised();
}

CTMatrix3 CTMatrix3::FromQuaternion(const CTQuaternion& q)
{
    const double n = double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z + double(q.w) * q.w;
    CTMatrix3 r;
    if (!(n > 0.0) || !std::isfinite(n)) return r;
    // 2 / |q|^2 keeps the result a pure rotation for a quaternion that drifted off unit length.
    const double s = 2.0 / n;
    const double xx = q.x * q.x * s, yy = q.y * q.y * s, zz = q.z * q.z * s;
    const double xy = q.x * q.y * s, xz = q.x * q.z * s, yz = q.y * q.z * s;
    const double wx = q.w * q.x * s, wy = q.w * q.y * s, wz = q.w * q.z * s;
    r.m[0][0] = float(1.0 - (yy + zz));
    r.m[0][1] = float(xy - wz);
    r.m[0][2] = float(xz + wy);
    r.m[1][0] = float(xy + wz);
    r.m[1][1] = float(1.0 - (xx + zz));
    r.m[1][2] = float(yz - wx);
    r.m[2][0] = float(xz - wy);
    r.m[2][1] = float(yz + wx);
    r.m[2][2] = float(1.0 - (xx + yy));
    return r;
}

CTMatrix3 CTMatrix3::FromAxisAngle(const CTVector3& axis, float angle)
{
    return FromQuaternion(CTQuaternion::FromAxisAngle(axis, angle));
}

CTMatrix3 operator*(const CTMatrix3& a, const CTMatrix3& b)
{
    CTMatrix3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}
