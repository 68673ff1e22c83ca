// Kind 18's vertex routines: pairs of floats on the packed-float emulation, reciprocals by its estimate.
#include "engine3d/VertexStages.h"
#include "raster/k63d/K3DNow.h"

using k3d::F32x2;
using k3d::PfAcc;
using k3d::PfAdd;
using k3d::PfCmpGe;
using k3d::PfCmpGt;
using k3d::PfMul;

namespace {

struct Scratch3DNow {
    ObjectToCamera<float> view;
    ViewBox<float> box;
    // Columns 0 to 2 and the translation of rows 0 and 1, and row 2 as two pairs.
    F32x2 col[4], z01, z2t;
    F32x2 lowSlopes, highSlopes;
    float near, far;
};
Scratch3DNow g;

const ObjectToCamera<float>& View(const CTCamera& camera, const CTFrame& frame)
{
    const bool fresh = !(VertexStageCache & VSC_MATRIX);
    const auto& m = View_Current(g.view, camera, frame, [](float v, float s) { return v * k3d::RcpEstimate(s); }).m;
    if (fresh) {
        for (int j = 0; j < 4; ++j) g.col[j] = {m[0][j], m[1][j]};
        g.z01 = {m[2][0], m[2][1]};
        g.z2t = {m[2][2], m[2][3]};
    }
    return g.view;
}

void ClipConstants(const CTCamera& camera)
{
    if (VertexStageCache & VSC_CLIP) return;
    g.lowSlopes = {camera.slopes[0], camera.slopes[1]};
    g.highSlopes = {camera.slopes[2], camera.slopes[3]};
    g.near = camera.near;
    g.far = camera.far;
    VertexStageCache |= VSC_CLIP;
}

F32x2 Pair(float v) { return {v, v}; }

// Stores the camera-space point as x, y, z of the record; (x, y) and z come back.
void Transform(const CTVector3& p, CTVector4& out, F32x2& xy, float& z)
{
    xy = PfAdd(PfAdd(PfAdd(PfMul(g.col[0], Pair(p.x)), PfMul(g.col[1], Pair(p.y))), PfMul(g.col[2], Pair(p.z))), g.col[3]);
    const F32x2 s = PfAcc(PfMul(g.z01, {p.x, p.y}), PfMul(g.z2t, {p.z, 1.0f}));
    z = s.lo + s.hi;
    out.x = xy.lo;
    out.y = xy.hi;
    out.z = z;
}

template <bool kClip>
void CullPlanes(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes, const CTVector3& eye,
                uint32_t faceCount)
{
    const F32x2 exy = {eye.x, eye.y}, ez = {eye.z, 0.0f};
    for (uint32_t f = 0; f < faceCount; ++f, idx += 3) {
        const CTVector4& pl = planes[f];
        const F32x2 s = PfAcc(PfMul({pl.x, pl.y}, exy), PfMul({pl.z, 0.0f}, ez));
        // Only a face strictly behind its plane is culled: n . e equal to d is drawn.
        const bool culled = PfCmpGt({pl.w, 0.0f}, {s.lo + s.hi, 0.0f}).lo != 0;
        faceCodes[f] = culled ? uint8_t(CLIP_HIDDEN) : Face_MarkUsed<kClip>(codes, idx);
    }
}

}  // namespace

uint32_t Vx3DNow_ClassifyBounds(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds)
{
    return View_ClassifyBox(Box_Current(g.box, View(camera, frame), bounds), camera);
}

uint32_t Vx3DNow_TransformClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions,
                               uint32_t count, CTVector4* cameraOut, uint8_t* codes)
{
    View(camera, frame);
    ClipConstants(camera);
    uint32_t all = 0xFF, any = 0;
    for (uint32_t i = 0; i < count; ++i) {
        F32x2 xy;
        float z;
        Transform(positions[i], cameraOut[i], xy, z);
        const k3d::M32x2 low = PfCmpGt(PfMul(Pair(z), g.lowSlopes), xy);
        const k3d::M32x2 high = PfCmpGt(xy, PfMul(Pair(z), g.highSlopes));
        // Strict but for far: a vertex at the far distance is beyond it.
        const k3d::M32x2 depth = {PfCmpGt(Pair(g.near), Pair(z)).lo, PfCmpGe(Pair(z), Pair(g.far)).lo};
        const uint32_t code = (low.lo & CLIP_LEFT) | (low.hi & CLIP_TOP) | (high.lo & CLIP_RIGHT) |
                              (high.hi & CLIP_BOTTOM) | (depth.lo & CLIP_NEAR) | (depth.hi & CLIP_FAR);
        codes[i] = uint8_t(code);
        all &= code;
        any |= code;
    }
    return all | any << 8;
}

void Vx3DNow_TransformNoClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                             CTVector4* cameraOut)
{
    View(camera, frame);
    F32x2 xy;
    float z;
    for (uint32_t i = 0; i < count; ++i) Transform(positions[i], cameraOut[i], xy, z);
}

void Vx3DNow_CullFaces(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                       const CTVector3& eye, uint32_t faceCount)
{
    CullPlanes<true>(faceCodes, idx, codes, planes, eye, faceCount);
}

void Vx3DNow_CullFacesNoClip(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                             const CTVector3& eye, uint32_t faceCount)
{
    CullPlanes<false>(faceCodes, idx, codes, planes, eye, faceCount);
}

void Vx3DNow_Project(const uint8_t* codes, const CTVector4* cameraVertices, const CTCamera& camera, CTVector4* screen,
                     uint32_t count)
{
    const F32x2 focal = {camera.Sx, camera.Sy}, centre = {camera.Cx, camera.Cy};
    for (uint32_t i = 0; i < count; ++i) {
        if ((codes[i] & (CLIP_USED | CLIP_NEAR)) != CLIP_USED) continue;
        const CTVector4& c = cameraVertices[i];
        const float w = k3d::RcpEstimate(c.z);
        const F32x2 s = PfAdd(PfMul(PfMul({c.x, c.y}, focal), Pair(w)), centre);
        screen[i] = {s.lo, s.hi, camera.Zo - w * camera.Zs, w};
    }
}
