// Three- and four-float vectors and the vector helpers of the 3D engine.
#pragma once

struct CTVector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    void Scale(float s)
    {
        x *= s;
        y *= s;
        z *= s;
    }
};

struct CTVector4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    void Clear() { x = y = z = w = 0.0f; }
};

inline void vec3_set(CTVector3& v, float x, float y, float z)
{
    v.x = x;
    v.y = y;
    v.z = z;
}

inline CTVector3 Vec3_Add(const CTVector3& a, const CTVector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline CTVector3 Vec3_Sub(const CTVector3& a, const CTVector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline CTVector3 Vec3_Scale(const CTVector3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline CTVector3 Vec3_DivScalar(const CTVector3& a, float s) { return {a.x / s, a.y / s, a.z / s}; }
inline float Vec3_Dot(const CTVector3& a, const CTVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline float Vec3_Norm2(const CTVector3& a) { return Vec3_Dot(a, a); }
inline CTVector3 Vec3_Cross(const CTVector3& a, const CTVector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// a + (b - a) * t.
inline CTVector3 Vec3_Lerp(const CTVector3& a, const CTVector3& b, float t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

inline void Vec4_Set(CTVector4& v, float x, float y, float z, float w)
{
    v.x = x;
    v.y = y;
    v.z = z;
    v.w = w;
}
inline CTVector4 Vec4_Scale(const CTVector4& a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }
