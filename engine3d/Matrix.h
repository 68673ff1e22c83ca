// 3x3 rotation matrices and 3x4 affine transforms (rotation-scale part and a translation column).
#pragma once
#include "engine3d/Quaternion.h"
#include "engine3d/Vector.h"

// Row-major: m[row][column]; a matrix multiplies column vectors.
struct CTMatrix3 {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    // The matrix R with R v = q v q* for a unit quaternion.
    static CTMatrix3 FromQuaternion(const CTQuaternion& q);
    // Right-handed rotation about the axis; for (0, 0, 1) the rows are (cos, -sin, 0), (sin, cos, 0),
    // (0, 0, 1). An axis shorter than 1.1920929e-7 gives the identity.
    static CTMatrix3 FromAxisAngle(const CTVector3& axis, float angle);

    CTVector3 operator*(const CTVector3& v) const
    {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
};

CTMatrix3 operator*(const CTMatrix3& a, const CTMatrix3& b);

// Point p maps to M p = (columns 0..2) p + column 3.
struct CTMatrix34 {
    float m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};

    // Linear part (scaled rotation) applied to a direction, no translation.
    CTVector3 ApplyLinear(const CTVector3& v) const
    {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
};

// The 3x4 matrix times the point.
inline CTVector3 Vec3_Transform34(const CTMatrix34& m, const CTVector3& p)
{
    CTVector3 r = m.ApplyLinear(p);
    r.x += m.m[0][3];
    r.y += m.m[1][3];
    r.z += m.m[2][3];
    return r;
}
