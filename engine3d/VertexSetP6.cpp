// Kind 8's vertex routines: the stages in double arithmetic, each result stored as float.
#include "engine3d/VertexStages.h"
#include "raster/HZBuffer.h"

namespace {

struct P6Scratch {
    ObjectToCamera<double> view;
    ViewBox<double> box;
    // Rows 0 and 1 of view times the focal scales.
    double folded[2][4];
    double near, far, left, top, right, bottom;
};
P6Scratch g;

double Divide(double value, double scale) { return value / scale; }

const ObjectToCamera<double>& View(const CTCamera& camera, const CTFrame& frame)
{
    return View_Current(g.view, camera, frame, &Divide);
}

const ViewBox<double>& Box(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds)
{
    return Box_Current(g.box, View(camera, frame), bounds);
}

void ClipConstants(const CTCamera& camera)
{
    if (VertexStageCache & VSC_CLIP) return;
    g.near = camera.near;
    g.far = camera.far;
    g.left = camera.slopes[0];
    g.top = camera.slopes[1];
    g.right = camera.slopes[2];
    g.bottom = camera.slopes[3];
    VertexStageCache |= VSC_CLIP;
}

double Row(const double (&r)[4], const CTVector3& p) { return r[0] * p.x + r[1] * p.y + r[2] * p.z + r[3]; }

double Dot(const CTVector4& n, const CTVector3& e) { return double(n.x) * e.x + double(n.y) * e.y + double(n.z) * e.z; }

template <bool kClip>
void CullPlanes(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes, const CTVector3& eye,
                uint32_t faceCount)
{
    for (uint32_t f = 0; f < faceCount; ++f, idx += 3) {
        // Only a face strictly behind its plane is culled: n . e equal to d is drawn.
        const bool culled = Dot(planes[f], eye) < double(planes[f].w);
        faceCodes[f] = culled ? uint8_t(CLIP_HIDDEN) : Face_MarkUsed<kClip>(codes, idx);
    }
}

template <bool kClip>
void CullDeformed(const uint16_t* idx, CTVector4* normals, uint8_t* codes, const CTVector4* cv, uint8_t* faceCodes,
                  uint32_t faceCount)
{
    for (uint32_t f = 0; f < faceCount; ++f, idx += 3) {
        const CTVector4 &a = cv[idx[0]], &b = cv[idx[1]], &c = cv[idx[2]];
        const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
        const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
        const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        normals[f] = {float(nx), float(ny), float(nz), 0.0f};
        // Faces away only when n . p0 is above zero; a zero of either sign is drawn.
        const bool culled = nx * a.x + ny * a.y + nz * a.z > 0.0;
        faceCodes[f] = culled ? uint8_t(CLIP_HIDDEN) : Face_MarkUsed<kClip>(codes, idx);
    }
}

}  // namespace

uint32_t VxP6_ClassifyBounds(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds)
{
    return View_ClassifyBox(Box(camera, frame, bounds), camera);
}

bool VxP6_IsBoxVisible(const HZBuffer* hzb, const ClipRect& clip, const CTCamera& camera, const CTFrame& frame,
                       const CTBounds& bounds)
{
    ScreenBox box;
    const bool beyondNear = View_ScreenBox(Box(camera, frame, bounds), camera, [](double z) { return 1.0 / z; }, box);
    return ScreenBox_Visible(beyondNear, box, clip, hzb, &HZBuffer_IsVisibleP6);
}

uint32_t VxP6_TransformClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                            CTVector4* cameraOut, uint8_t* codes)
{
    const ObjectToCamera<double>& v = View(camera, frame);
    ClipConstants(camera);
    uint32_t all = 0xFF, any = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const CTVector3& p = positions[i];
        const double x = Row(v.m[0], p), y = Row(v.m[1], p), z = Row(v.m[2], p);
        CTVector4& c = cameraOut[i];
        c.x = float(x);
        c.y = float(y);
        c.z = float(z);
        const uint32_t code = (x < z * g.left ? CLIP_LEFT : 0u) | (y < z * g.top ? CLIP_TOP : 0u) |
                              (x > z * g.right ? CLIP_RIGHT : 0u) | (y > z * g.bottom ? CLIP_BOTTOM : 0u) |
                              (z < g.near ? CLIP_NEAR : 0u) | (z > g.far ? CLIP_FAR : 0u);
        codes[i] = uint8_t(code);
        all &= code;
        any |= code;
    }
    return all | any << 8;
}

void VxP6_TransformProject(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions,
                           const uint8_t* codes, uint32_t count, CTVector4* screen)
{
    const ObjectToCamera<double>& v = View(camera, frame);
    if (!(VertexStageCache & VSC_PROJECTION)) {
        for (int j = 0; j < 4; ++j) {
            g.folded[0][j] = v.m[0][j] * camera.Sx;
            g.folded[1][j] = v.m[1][j] * camera.Sy;
        }
        VertexStageCache |= VSC_PROJECTION;
    }
    const double cx = camera.Cx, cy = camera.Cy, zo = camera.Zo, zs = camera.Zs;
    for (uint32_t i = 0; i < count; ++i) {
        if (!(codes[i] & CLIP_USED)) continue;
        const CTVector3& p = positions[i];
        const double w = 1.0 / Row(v.m[2], p);
        screen[i] = {float(Row(g.folded[0], p) * w + cx), float(Row(g.folded[1], p) * w + cy), float(zo - w * zs),
                     float(w)};
    }
}

void VxP6_CullFaces(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                    const CTVector3& eye, uint32_t faceCount)
{
    CullPlanes<true>(faceCodes, idx, codes, planes, eye, faceCount);
}

void VxP6_CullFacesNoClip(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const CTVector4* planes,
                          const CTVector3& eye, uint32_t faceCount)
{
    CullPlanes<false>(faceCodes, idx, codes, planes, eye, faceCount);
}

void VxP6_CullFacesDeformed(const uint16_t* idx, CTVector4* normals, uint8_t* codes, const CTVector4* cameraVertices,
                            uint8_t* faceCodes, uint32_t faceCount)
{
    CullDeformed<true>(idx, normals, codes, cameraVertices, faceCodes, faceCount);
}

void VxP6_CullFacesDeformedNoClip(const uint16_t* idx, CTVector4* normals, uint8_t* codes,
                                  const CTVector4* cameraVertices, uint8_t* faceCodes, uint32_t faceCount)
{
    CullDeformed<false>(idx, normals, codes, cameraVertices, faceCodes, faceCount);
}

void VxP6_Project(const uint8_t* codes, const CTVector4* cameraVertices, const CTCamera& camera, CTVector4* screen,
                  uint32_t count)
{
    const double sx = camera.Sx, sy = camera.Sy, cx = camera.Cx, cy = camera.Cy, zo = camera.Zo, zs = camera.Zs;
    for (uint32_t i = 0; i < count; ++i) {
        if ((codes[i] & (CLIP_USED | CLIP_NEAR)) != CLIP_USED) continue;
        const CTVector4& c = cameraVertices[i];
        const double w = 1.0 / c.z;
        screen[i] = {float(sx * c.x * w + cx), float(sy * c.y * w + cy), float(zo - w * zs), float(w)};
    }
}
