// Vertex-stage internals: mesh counts, the shared box and occlusion helpers, and the processor-specific sets.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine3d/GeometryPipeline.h"
#include "raster/HZBuffer.h"

// The counts a stage may use: no more than the mesh's arrays hold.
inline uint32_t Mesh_VertexCount(const CTMesh& m)
{
    return std::min<uint32_t>(m.vertexCount, uint32_t(m.vertices.size()));
}
inline uint32_t Mesh_FaceCount(const CTMesh& m)
{
    return std::min<uint32_t>(m.faceCount, uint32_t(m.faceIndices.size() / 3));
}
inline uint32_t RoundUp(uint32_t n, uint32_t step) { return (n + step - 1) / step * step; }

// ---- Object-to-camera transform and the camera-space box, in the arithmetic of a set ----

// What the sets have built for the current object; the begin-object resets of
// the processor-specific sets clear it.
extern uint32_t VertexStageCache;
enum : uint32_t {
    VSC_MATRIX = 1,      // object-to-camera matrix
    VSC_BOX = 2,         // the bounding box in camera space
    VSC_CLIP = 4,        // clip constants
    VSC_PROJECTION = 8,  // focal scales folded into the matrix
};


// camera-space point = m[.][0..2] p + m[.][3]; the layout of CTMatrix34.
template <class T>
struct ObjectToCamera {
    T m[3][4];
};

// The rotation of the object's world orientation into the camera frame's, times the relative scale,
// and the object's position relative to the camera, in the camera's axes, over the camera's scale.
// divide(value, scale) is the set's division by the camera frame's world scale (0 counts as 1).
// Both frames' world caches must be current.
template <class T, class Divide>
void View_Build(ObjectToCamera<T>& v, const CTFrame& camera, const CTFrame& object, Divide divide)
{
    const CTQuaternion& c = camera.worldRotation;
    const CTQuaternion& o = object.worldRotation;
    // conj(c) x o.
    const T cx = -T(c.x), cy = -T(c.y), cz = -T(c.z), cw = T(c.w);
    const T ox = o.x, oy = o.y, oz = o.z, ow = o.w;
    const T qx = cw * ox + cx * ow + cy * oz - cz * oy, qy = cw * oy - cx * oz + cy * ow + cz * ox;
    const T qz = cw * oz + cx * oy - cy * ox + cz * ow, qw = cw * ow - cx * ox - cy * oy - cz * oz;
    const T n = qx * qx + qy * qy + qz * qz + qw * qw;
    const T cameraScale = camera.worldScale != 0.0f ? T(camera.worldScale) : T(1);
    const T k = divide(T(object.worldScale), cameraScale);
    T r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    if (n > T(0) && std::isfinite(double(n))) {
        const T s = T(2) / n;
        const T xx = qx * qx * s, yy = qy * qy * s, zz = qz * qz * s;
        const T xy = qx * qy * s, xz = qx * qz * s, yz = qy * qz * s;
        const T wx = qw * qx * s, wy = qw * qy * s, wz = qw * qz * s;
        const T rows[3][3] = {{T(1) - (yy + zz), xy - wz, xz + wy},
                              {xy + wz, T(1) - (xx + zz), yz - wx},
                              {xz - wy, yz + wx, T(1) - (xx + yy)}};
        std::copy(&rows[0][0], &rows[0][0] + 9, &r[0][0]);
    }
    // conj(c) d c: the offset in the camera's axes.
    const T dx = T(object.worldPosition.x) - T(camera.worldPosition.x);
    const T dy = T(object.worldPosition.y) - T(camera.worldPosition.y);
    const T dz = T(object.worldPosition.z) - T(camera.worldPosition.z);
    const T tx = T(2) * (cy * dz - cz * dy), ty = T(2) * (cz * dx - cx * dz), tz = T(2) * (cx * dy - cy * dx);
    const T d[3] = {dx + cw * tx + (cy * tz - cz * ty), dy + cw * ty + (cz * tx - cx * tz),
                    dz + cw * tz + (cx * ty - cy * tx)};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) v.m[i][j] = r[i][j] * k;
        v.m[i][3] = divide(d[i], cameraScale);
    }
}

// The box in camera space: its centre and its three half axes.
template <class T>
struct ViewBox {
    T centre[3];
    T half[3][3];

    void Corner(int k, T out[3]) const
    {
        for (int c = 0; c < 3; ++c) {
            T q = centre[c];
            for (int i = 0; i < 3; ++i) q = (k >> i & 1) ? q + half[i][c] : q - half[i][c];
            out[c] = q;
        }
    }
};

template <class T>
ViewBox<T> View_Box(const T (&m)[3][4], const CTBounds& b)
{
    ViewBox<T> box;
    for (int r = 0; r < 3; ++r) {
        box.centre[r] = m[r][0] * T(b.centre.x) + m[r][1] * T(b.centre.y) + m[r][2] * T(b.centre.z) + m[r][3];
        for (int i = 0; i < 3; ++i) {
            const CTVector3 a = Vec3_Scale(b.axis[i], b.extent[i]);
            box.half[i][r] = m[r][0] * T(a.x) + m[r][1] * T(a.y) + m[r][2] * T(a.z);
        }
    }
    return box;
}

// The set's matrix and box of the current object, built on first use.
template <class T, class Divide>
const ObjectToCamera<T>& View_Current(ObjectToCamera<T>& scratch, const CTCamera& camera, const CTFrame& frame,
                                      Divide divide)
{
    if (!(VertexStageCache & VSC_MATRIX)) {
        View_Build(scratch, camera.frame, frame, divide);
        VertexStageCache |= VSC_MATRIX;
    }
    return scratch;
}
template <class T>
const ViewBox<T>& Box_Current(ViewBox<T>& scratch, const ObjectToCamera<T>& view, const CTBounds& bounds)
{
    if (!(VertexStageCache & VSC_BOX)) {
        scratch = View_Box(view.m, bounds);
        VertexStageCache |= VSC_BOX;
    }
    return scratch;
}

// CTCamera::ClassifyBounds on a box already in camera space: 0x40 when every corner lies outside one
// plane, else the OR of the corners' codes (near included).
template <class T>
uint32_t View_ClassifyBox(const ViewBox<T>& box, const CTCamera& camera)
{
    uint32_t all = CLIP_PLANES, any = 0;
    for (int k = 0; k < 8; ++k) {
        T q[3];
        box.Corner(k, q);
        const uint32_t code = camera.ClipCode({float(q[0]), float(q[1]), float(q[2])});
        all &= code;
        any |= code;
    }
    return all ? uint32_t(CLIP_OUTSIDE) : any;
}

// The screen rectangle of a box and the largest 1/z of its corners.
struct ScreenBox {
    float x0, y0, x1, y1, w;
};

// False when some corner is not beyond the near distance (the box is then drawn untested).
// reciprocal(z) is the set's 1/z.
template <class T, class Reciprocal>
bool View_ScreenBox(const ViewBox<T>& box, const CTCamera& camera, Reciprocal reciprocal, ScreenBox& out)
{
    T minX = 0, minY = 0, maxX = 0, maxY = 0, maxW = 0;
    for (int k = 0; k < 8; ++k) {
        T q[3];
        box.Corner(k, q);
        if (!(q[2] > T(camera.near))) return false;
        const T w = reciprocal(q[2]);
        const T x = q[0] * w, y = q[1] * w;
        if (k == 0) {
            minX = maxX = x;
            minY = maxY = y;
            maxW = w;
        } else {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
            maxW = std::max(maxW, w);
        }
    }
    out = {float(T(camera.Sx) * minX + T(camera.Cx)), float(T(camera.Sy) * minY + T(camera.Cy)),
           float(T(camera.Sx) * maxX + T(camera.Cx)), float(T(camera.Sy) * maxY + T(camera.Cy)), float(maxW)};
    return true;
}

using HZVisibleTest = bool (*)(const HZBuffer*, float, float, float, float, float);

inline bool OutsideClip(const ClipRect& clip, float x0, float y0, float x1, float y1)
{
    return x1 < float(clip.left) || x0 > float(clip.right) || y1 < float(clip.top) || y0 > float(clip.bottom);
}

// Hidden when the rectangle lies wholly outside the clip rectangle or the test sees none of it.
inline bool ScreenBox_Hidden(const ScreenBox& r, const ClipRect& clip, const HZBuffer* hzb, HZVisibleTest visible)
{
    return OutsideClip(clip, r.x0, r.y0, r.x1, r.y1) || !visible(hzb, r.x0, r.y0, r.x1, r.y1, r.w);
}

// The box verdict of the sets: seen when some corner is not beyond the near distance, or when the
// rectangle is neither wholly outside the clip rectangle nor unseen by the test.
inline bool ScreenBox_Visible(bool beyondNear, const ScreenBox& r, const ClipRect& clip, const HZBuffer* hzb,
                              HZVisibleTest visible)
{
    return !beyondNear || !ScreenBox_Hidden(r, clip, hzb, visible);
}

// Face occlusion: every face whose code & 0x70 is 0 and whose screen rectangle the test sees nothing
// of (or, with kClip, that lies wholly outside the clip rectangle) gets CLIP_HIDDEN.
template <bool kClip>
void OccludeFaces(uint8_t* faceCodes, const uint16_t* idx, const CTVector4* screen, const ClipRect& clip,
                  const HZBuffer* hzb, uint32_t faceCount, HZVisibleTest visible)
{
    for (uint32_t f = 0; f < faceCount; ++f, idx += 3) {
        if (faceCodes[f] & (CLIP_HIDDEN | CLIP_NEAR | CLIP_FAR)) continue;
        const CTVector4& a = screen[idx[0]];
        const CTVector4& b = screen[idx[1]];
        const CTVector4& c = screen[idx[2]];
        const float x0 = std::min({a.x, b.x, c.x}), x1 = std::max({a.x, b.x, c.x});
        const float y0 = std::min({a.y, b.y, c.y}), y1 = std::max({a.y, b.y, c.y});
        const float w = std::max({a.w, b.w, c.w});
        if ((kClip && OutsideClip(clip, x0, y0, x1, y1)) || !visible(hzb, x0, y0, x1, y1, w))
            faceCodes[f] = CLIP_HIDDEN;
    }
}

// The same over one rectangle test, as a routine of a set.
template <bool kClip, HZVisibleTest kVisible>
void OccludeFacesWith(uint8_t* faceCodes, const uint16_t* idx, const CTVector4* screen, const ClipRect& clip,
                      const HZBuffer* hzb, uint32_t faceCount)
{
    OccludeFaces<kClip>(faceCodes, idx, screen, clip, hzb, faceCount, kVisible);
}
using OccludeRoutine = void (*)(uint8_t*, const uint16_t*, const CTVector4*, const ClipRect&, const HZBuffer*, uint32_t);

// ---- Processor-specific sets (kinds 8, 9 and 18) ----

// A face that was not culled: hidden when its three vertices lie outside one plane; otherwise its
// vertices are marked used and its code is the OR of their codes after marking (CLIP_USED included).
// Without clipping the face code is 0 and the vertex codes become exactly CLIP_USED.
template <bool kClip>
inline uint8_t Face_MarkUsed(uint8_t* codes, const uint16_t* tri)
{
    uint8_t &c0 = codes[tri[0]], &c1 = codes[tri[1]], &c2 = codes[tri[2]];
    if constexpr (kClip) {
        if (c0 & c1 & c2 & CLIP_PLANES) return CLIP_HIDDEN;
        c0 |= CLIP_USED;
        c1 |= CLIP_USED;
        c2 |= CLIP_USED;
        return uint8_t(c0 | c1 | c2);
    } else {
        c0 = c1 = c2 = CLIP_USED;
        return 0;
    }
}

// Kind 8: double arithmetic, results stored as float. Clip codes strict; a face is culled only when
// n . e < d, a deformed face only when n . p0 > 0.
uint32_t VxP6_ClassifyBounds(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds);
// False when the box is hidden: CTGeometryPipeline::IsBoxOccluded negated, on HZBuffer_IsVisibleP6.
bool VxP6_IsBoxVisible(const HZBuffer* hzb, const ClipRect& clip, const CTCamera& camera, const CTFrame& frame,
                       const CTBounds& bounds);
// AND of the codes in the low byte, OR in the second.
uint32_t VxP6_TransformClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                            CTVector4* cameraOut, uint8_t* codes);
// Transforms and projects the vertices marked used straight into the screen records.
void VxP6_TransformProject(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions,
                           const uint8_t* codes, uint32_t count, CTVector4* screen);
void VxP6_CullFaces(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                    const CTVector3& eye, uint32_t faceCount);
void VxP6_CullFacesNoClip(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                          const CTVector3& eye, uint32_t faceCount);
void VxP6_CullFacesDeformed(const uint16_t* idx, CTVector4* normals, uint8_t* codes, const CTVector4* cameraVertices,
                            uint8_t* faceCodes, uint32_t faceCount);
void VxP6_CullFacesDeformedNoClip(const uint16_t* idx, CTVector4* normals, uint8_t* codes,
                                  const CTVector4* cameraVertices, uint8_t* faceCodes, uint32_t faceCount);
void VxP6_Project(const uint8_t* codes, const CTVector4* cameraVertices, const CTCamera& camera, CTVector4* screen,
                  uint32_t count);
// Pipe_OccludeFacesC on HZBuffer_IsVisibleP6: some vertex outside the view, or none.
inline constexpr OccludeRoutine VxP6_OccludeFaces = &OccludeFacesWith<true, &HZBuffer_IsVisibleP6>;
inline constexpr OccludeRoutine VxP6_OccludeFacesNoClip = &OccludeFacesWith<false, &HZBuffer_IsVisibleP6>;

// Kind 9: SSE, run in rounding toward zero (each routine sets it and gives the caller's mode back).
// Rigid meshes work on the mesh's block copies, 8 vertices or 4 faces per step; reciprocals are
// estimates. Clip codes strict, except that VxSse_TransformClip sets right, bottom and far on
// equality; faces are culled when n . e <= d, deformed faces when the sign of n . p0 is clear.
//
// The estimate: the instruction's (its bits differ between makers and models) or, while this is set,
// 1/x truncated to 12 fraction bits, the same on every processor.
extern bool VxSse_SoftwareEstimate;
float VxSse_Reciprocal(float x);
// The deformed driver's classification and the rigid one's (handed the mesh's second box): one routine.
uint32_t VxSse_ClassifyBounds(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds);
uint32_t VxSse_ClassifyBoundsBlocks(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds);
// False when the box is hidden: CTGeometryPipeline::IsBoxOccluded negated, on HZBuffer_IsVisibleP6b.
// Both transform drivers use it, the rigid one with the mesh's second box.
bool VxSse_IsBoxVisible(const HZBuffer* hzb, const ClipRect& clip, const CTCamera& camera, const CTFrame& frame,
                        const CTBounds& bounds);
// groups: vertex count rounded up to 8, over 8. AND of the codes in the low byte, OR in the second.
uint32_t VxSse_TransformClipBlocks(const CTCamera& camera, const CTFrame& frame, const float* blocks, uint32_t groups,
                                   float* cameraBlocks, uint8_t* codes);
uint32_t VxSse_TransformClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                             CTVector4* cameraOut, uint8_t* codes);
// x, y, z of the camera-space records only: no codes.
void VxSse_TransformNoClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                           CTVector4* cameraOut);
// Every vertex, used or not, into screen blocks.
void VxSse_TransformProjectBlocks(const CTCamera& camera, const CTFrame& frame, const float* blocks, uint32_t groups,
                                  float* screenBlocks);
void VxSse_CullFacesBlocks(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const float* planeBlocks,
                           const CTVector3& eye, uint32_t faceCount);
// Runs over whole blocks of 4 faces: groups = (face count + 3) / 4.
void VxSse_CullFacesNoClipBlocks(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const float* planeBlocks,
                                 const CTVector3& eye, uint32_t groups);
void VxSse_CullFacesDeformed(const uint16_t* idx, CTVector4* normals, uint8_t* codes, const CTVector4* cameraVertices,
                             uint8_t* faceCodes, uint32_t faceCount);
void VxSse_CullFacesDeformedNoClip(const uint16_t* idx, CTVector4* normals, uint8_t* codes,
                                   const CTVector4* cameraVertices, uint8_t* faceCodes, uint32_t faceCount);
// Both vertices of a pair when either is used and not near; pairs = (count + 1) / 2.
void VxSse_ProjectPairs(const uint8_t* codes, const CTVector4* cameraVertices, const CTCamera& camera,
                        CTVector4* screen, uint32_t pairs);
// All 4 vertices of every camera block with a used vertex; groups = (count + 3) / 4.
void VxSse_ProjectBlocks(const uint8_t* codes, const float* cameraBlocks, const CTCamera& camera, float* screenBlocks,
                         uint32_t groups);
// Blocks with a used vertex to 4 per-vertex records, in place, last block first.
void VxSse_UnpackCameraBlocks(const uint8_t* codes, float* array, uint32_t groups);
void VxSse_UnpackScreenBlocks(const uint8_t* codes, float* array, uint32_t groups);
// Pipe_OccludeFacesC on HZBuffer_IsVisibleP6b: some vertex outside the view, or none.
inline constexpr OccludeRoutine VxSse_OccludeFaces = &OccludeFacesWith<true, &HZBuffer_IsVisibleP6b>;
inline constexpr OccludeRoutine VxSse_OccludeFacesNoClip = &OccludeFacesWith<false, &HZBuffer_IsVisibleP6b>;

// Kind 18: pairs of floats on the packed-float emulation; reciprocals are its estimate. Clip codes
// strict except far (z >= far); a face is culled only when n . e < d.
uint32_t Vx3DNow_ClassifyBounds(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds);
// AND of the codes in the low byte, OR in the second.
uint32_t Vx3DNow_TransformClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions,
                               uint32_t count, CTVector4* cameraOut, uint8_t* codes);
void Vx3DNow_TransformNoClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                             CTVector4* cameraOut);
void Vx3DNow_CullFaces(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                       const CTVector3& eye, uint32_t faceCount);
void Vx3DNow_CullFacesNoClip(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                             const CTVector3& eye, uint32_t faceCount);
void Vx3DNow_Project(const uint8_t* codes, const CTVector4* cameraVertices, const CTCamera& camera, CTVector4* screen,
                     uint32_t count);

// ---- Drivers: the stages of one processor kind ----

using TransformStage = void (*)(CTGeometryPipeline&, const CTCamera&, const CTFrame&, const CTMesh&, DrawFlags&);
using FaceStage = void (*)(CTGeometryPipeline&, const CTCamera&, const CTFrame&, const CTMesh&);
using ProjectStage = void (*)(CTGeometryPipeline&, const CTCamera&, const CTMesh&);

// Null entries take the portable stages.
struct VertexStageSet {
    void (*beginObject)();
    TransformStage transform;
    TransformStage transformDeformed;
    FaceStage cullFaces;
    FaceStage cullFacesNoClip;
    FaceStage cullFacesDeformed;
    FaceStage cullFacesDeformedNoClip;
    ProjectStage project;
    ProjectStage projectDeformed;
    ProjectStage occludeFaces;
};

// The set of processor kinds 8, 9 and 18 under a perspective camera; null for the portable stages.
const VertexStageSet* VertexStages_For(int processorKind, const CTCamera& camera, const CTMesh& mesh);
