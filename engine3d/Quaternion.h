// Rotation quaternions (x, y, z, w) and the rotation of vectors by them.
#pragma once
#include "engine3d/Vector.h"

// Products are Hamilton products; a unit quaternion q turns a vector v into q v q*.
struct CTQuaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    CTQuaternion Conj() const { return {-x, -y, -z, w}; }
    // conj(this) x q: the rotation q seen from the axes of this rotation.
    CTQuaternion ConjTimes(const CTQuaternion& q) const;
    // Unit length; a zero or non-finite quaternion gives the identity.
    CTQuaternion Normalised() const;

    // The rotation by angle (radians, right-handed) about the axis; the axis need not be unit.
    // An axis shorter than 1.1920929e-7 gives the identity.
    static CTQuaternion FromAxisAngle(const CTVector3& axis, float angle);
    // The rotation whose local z axis points along dir and whose local y axis lies in the plane of dir
    // and up, on up's side. A zero dir gives the identity; an up parallel to dir picks any y axis.
    static CTQuaternion FromTwoVectors(const CTVector3& dir, const CTVector3& up);
};

CTQuaternion operator*(const CTQuaternion& a, const CTQuaternion& b);

// q v q*.
CTVector3 Quat_RotateVec3(const CTQuaternion& q, const CTVector3& v);
// q* v q, the inverse rotation.
CTVector3 Quat_RotateVec3b(const CTQuaternion& q, const CTVector3& v);
// Shortest-arc spherical interpolation, t = 0 gives a and t = 1 gives b (up to the sign of b); the
// result is unit length.
CTQuaternion Quat_Slerp(const CTQuaternion& a, const CTQuaternion& b, float t);
