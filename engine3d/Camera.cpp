// CTCamera: derived values, clip codes, projection and screen-rectangle overlap of two cameras.
#include "engine3d/Camera.h"

#include <cmath>

#include "app/Orv_Log.h"
#include "engine3d/DbRecords.h"
#include "raster/portable/RastConvert.h"

namespace {

bool Finite(float v) { return std::isfinite(v); }

// Outer pixel edges of an inclusive rectangle.
struct Edges {
    double left, top, right, bottom;
};
Edges OuterEdges(const ClipRect& r) { return {double(r.left), double(r.top), r.right + 1.0, r.bottom + 1.0}; }

}  // namespace

CTCamera::CTCamera() { Update(); }

void CTCamera::Update()
{
    const Edges e = OuterEdges(clip);
    slopes[0] = float((e.left - Cx) / Sx);
    slopes[1] = float((e.top - Cy) / Sy);
    slopes[2] = float((e.right - Cx) / Sx);
    slopes[3] = float((e.bottom - Cy) / Sy);
    if (far > near) {
        Zo = far / (far - near);
        Zs = Zo * near;
    } else {
        Zo = Zs = 0.0f;
    }
}

void CTCamera::SetCenter(float x, float y)
{
    if (!Finite(x) || !Finite(y)) {
        OrvError_Warning("CTCamera::SetCenter: invalid centre");
        return;
    }
    Cx = x;
    Cy = y;
    Update();
}

void CTCamera::SetClipRect(const ClipRect& rect)
{
    clip = rect;
    Update();
}

void CTCamera::SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    SetClipRect(ClipRect{top, bottom, right, left});
}

void CTCamera::SetFieldOfView(float angle, float width, float height, float aspectX, float aspectY)
{
    if (!(angle > 0.0f && angle < 3.14159265f) || !(width > 0.0f) || !(height > 0.0f) || !Finite(width) ||
        !Finite(height)) {
        OrvError_Warning("CTCamera::SetFieldOfView: invalid field of view %g over %g x %g", angle, width, height);
        return;
    }
    if (!(aspectX > 0.0f) || !(aspectY > 0.0f) || !Finite(aspectX) || !Finite(aspectY)) {
        aspectX = width;
        aspectY = height;
    }
    const double sx = (double(width) * 0.5) / std::tan(double(angle) * 0.5);
    const double sy = sx * (double(aspectX) * height) / (double(aspectY) * width);
    Sx = float(sx);
    Sy = float(sy);
    Update();
}

void CTCamera::SetNear(float distance)
{
    if (!(distance > 0.0f) || !Finite(distance)) {
        OrvError_Warning("CTCamera::SetNear: invalid distance %g", distance);
        return;
    }
    near = distance;
    Update();
}

void CTCamera::SetFar(float distance)
{
    if (!(distance > 0.0f) || !Finite(distance)) {
        OrvError_Warning("CTCamera::SetFar: invalid distance %g", distance);
        return;
    }
    far = distance;
    Update();
}

void CTCamera::SetProjectionKind(uint32_t kind)
{
    if (kind != CAMERA_PERSPECTIVE && kind != CAMERA_PARALLEL && kind != CAMERA_EYEPOINT) {
        OrvError_Warning("CTCamera::SetProjectionKind: unknown kind %u", kind);
        return;
    }
    projection = (projection & ~0xFu) | kind;
}

void CTCamera::SetFocalScale(float sx, float sy)
{
    if (!(sx > 0.0f) || !(sy > 0.0f) || !Finite(sx) || !Finite(sy)) {
        OrvError_Warning("CTCamera::SetFocalScale: invalid scales %g, %g", sx, sy);
        return;
    }
    Sx = sx;
    Sy = sy;
    Update();
}

uint32_t CTCamera::ClipCode(const CTVector3& p) const
{
    uint32_t code = 0;
    const uint32_t kind = Kind();
    // Written so that a NaN depth counts as near.
    bool tooNear = !(p.z >= near);
    if (kind == CAMERA_PERSPECTIVE) tooNear = tooNear || !(p.z > 0.0f);
    if (kind == CAMERA_EYEPOINT) tooNear = tooNear || !(p.z > eye.z);
    if (tooNear)
        code = CLIP_NEAR;
    else if (p.z > far)
        code = CLIP_FAR;

    // Each side is a half-space, so a box whose corners are all outside one side is outside entirely.
    if (kind == CAMERA_PARALLEL) {
        const Edges e = OuterEdges(clip);
        const double sx = double(Sx * p.x + Cx), sy = double(Sy * p.y + Cy);
        if (sx < e.left)
            code |= CLIP_LEFT;
        else if (sx > e.right)
            code |= CLIP_RIGHT;
        if (sy < e.top)
            code |= CLIP_TOP;
        else if (sy > e.bottom)
            code |= CLIP_BOTTOM;
    } else if (kind == CAMERA_EYEPOINT) {
        // x' < left slope, with x' = (Ex z - Ez x) / (z - Ez), multiplied out by z - Ez.
        const float den = p.z - eye.z;
        const float nx = eye.x * p.z - eye.z * p.x, ny = eye.y * p.z - eye.z * p.y;
        if (nx < slopes[0] * den)
            code |= CLIP_LEFT;
        else if (nx > slopes[2] * den)
            code |= CLIP_RIGHT;
        if (ny < slopes[1] * den)
            code |= CLIP_TOP;
        else if (ny > slopes[3] * den)
            code |= CLIP_BOTTOM;
    } else {
        if (p.x < p.z * slopes[0])
            code |= CLIP_LEFT;
        else if (p.x > p.z * slopes[2])
            code |= CLIP_RIGHT;
        if (p.y < p.z * slopes[1])
            code |= CLIP_TOP;
        else if (p.y > p.z * slopes[3])
            code |= CLIP_BOTTOM;
    }
    return code;
}

uint32_t CTCamera::ClassifyBounds(const CTMatrix34& m, const CTBounds& b) const
{
    const CTVector3 c = Vec3_Transform34(m, b.centre);
    CTVector3 h[3];
    for (int i = 0; i < 3; ++i) h[i] = m.ApplyLinear(Vec3_Scale(b.axis[i], b.extent[i]));
    uint32_t all = 0x3F, any = 0;
    for (int k = 0; k < 8; ++k) {
        CTVector3 p = c;
        for (int i = 0; i < 3; ++i) p = (k >> i & 1) ? Vec3_Add(p, h[i]) : Vec3_Sub(p, h[i]);
        const uint32_t code = ClipCode(p);
        all &= code;
        any |= code;
    }
    return all ? CLIP_OUTSIDE : any;
}

bool CTCamera::Project(const CTVector3& p, CTScreenPoint& out) const
{
    switch (Kind()) {
    case CAMERA_PERSPECTIVE: {
        if (!(p.z > 0.0f)) return false;
        const float w = 1.0f / p.z;
        out.x = Sx * p.x * w + Cx;
        out.y = Sy * p.y * w + Cy;
        return true;
    }
    case CAMERA_PARALLEL:
        out.x = Sx * p.x + Cx;
        out.y = Sy * p.y + Cy;
        return true;
    case CAMERA_EYEPOINT: {
        if (!(p.z > eye.z)) return false;
        const float t = p.z / (p.z - eye.z);
        const float x = p.x * (1.0f - t) + eye.x * t;
        const float y = p.y * (1.0f - t) + eye.y * t;
        out.x = x * Sx + Cx;
        out.y = y * Sy + Cy;
        return true;
    }
    default:
        return false;
    }
}

CTVector3 CTCamera::Unproject(const CTScreenPoint& s, float z) const
{
    const float px = (s.x - Cx) / Sx, py = (s.y - Cy) / Sy;
    switch (Kind()) {
    case CAMERA_PARALLEL:
        return {px, py, z};
    case CAMERA_EYEPOINT: {
        // On the line from the eye through (px, py, 0).
        if (eye.z == 0.0f) return {px, py, z};
        const float u = (eye.z - z) / eye.z;
        return {eye.x + u * (px - eye.x), eye.y + u * (py - eye.y), z};
    }
    default:
        return {px * z, py * z, z};
    }
}

CTVector3 CTCamera::EyeWorld() const { return frame.PointToWorld(eye); }

CTVector4 CTCamera::ProjectPoint(const CTVector3& p) const
{
    const float q = 1.0f / p.z;
    CTScreenPoint s;
    if (!Project(p, s)) s = {p.x * Sx * q + Cx, p.y * Sy * q + Cy};
    return {s.x, s.y, Zo - Zs * q, q};
}

void CTCamera::FromDb(const CTDbCamera& r, CTCamera& cam)
{
    cam.name = r.name;
    cam.frame.SetParent(&CTFrame::Root());
    cam.frame.SetLocal(r.rotation, r.position, 1.0f);
    cam.SetProjectionKind(r.projection);
    cam.SetFar(r.farDist);
    cam.SetNear(r.nearDist);
    cam.eye = r.eye;
    // The record gives angles and widths; the pixel aspect of the camera is kept.
    const float width = float(cam.clip.right - double(cam.clip.left) + 1.0);
    const float aspect = cam.Sy / cam.Sx;
    if (!(width > 0.0f)) return;
    if (cam.Kind() == CAMERA_PARALLEL) {
        if (r.parallelWidth > 0.0f && Finite(r.parallelWidth)) {
            const float s = width / r.parallelWidth;
            cam.SetFocalScale(s, s * aspect);
        }
    } else if (r.fieldOfView > 0.0f && r.fieldOfView < 3.14159265f) {
        const double s = (double(width) * 0.5) / std::tan(double(r.fieldOfView) * 0.5);
        cam.SetFocalScale(float(s), float(s * aspect));
    }
}

namespace {

void Extend(CTScreenRect& r, bool& any, const CTScreenPoint& p)
{
    if (!any) {
        r = {p.x, p.y, p.x, p.y};
        any = true;
        return;
    }
    r.left = std::fmin(r.left, p.x);
    r.right = std::fmax(r.right, p.x);
    r.top = std::fmin(r.top, p.y);
    r.bottom = std::fmax(r.bottom, p.y);
}

// Pixels whose area the float rectangle touches; false when none.
bool ToPixels(const CTScreenRect& r, ClipRect& out)
{
    out.left = RastTruncSat(std::floor(double(r.left)));
    out.top = RastTruncSat(std::floor(double(r.top)));
    out.right = RastTruncSat(std::ceil(double(r.right)) - 1.0);
    out.bottom = RastTruncSat(std::ceil(double(r.bottom)) - 1.0);
    return out.left <= out.right && out.top <= out.bottom;
}

// Intersection with bounds; false when empty.
bool Clamp(ClipRect& r, const ClipRect& bounds)
{
    if (r.right < bounds.left || r.left > bounds.right || r.bottom < bounds.top || r.top > bounds.bottom) return false;
    if (r.left < bounds.left) r.left = bounds.left;
    if (r.right > bounds.right) r.right = bounds.right;
    if (r.top < bounds.top) r.top = bounds.top;
    if (r.bottom > bounds.bottom) r.bottom = bounds.bottom;
    return true;
}

}  // namespace

bool Camera_ProjectRect(CTScreenRect& out, const CTCamera& a, const CTCamera& b, const ClipRect& rectB)
{
    const CTMatrix34 m = Frame_RelativeMatrix(a.frame, b.frame);
    const Edges e = OuterEdges(rectB);
    const CTScreenPoint corners[4] = {{float(e.left), float(e.top)},
                                      {float(e.right), float(e.top)},
                                      {float(e.right), float(e.bottom)},
                                      {float(e.left), float(e.bottom)}};
    // The pyramid of b's rectangle between b's near and far planes, in a's space: points 0-3 near,
    // 4-7 far.
    CTVector3 p[8];
    for (int i = 0; i < 4; ++i) {
        p[i] = Vec3_Transform34(m, b.Unproject(corners[i], b.near));
        p[i + 4] = Vec3_Transform34(m, b.Unproject(corners[i], b.far));
    }
    bool front[8];
    bool any = false;
    for (int i = 0; i < 8; ++i) {
        front[i] = !(a.ClipCode(p[i]) & CLIP_NEAR);
        CTScreenPoint s;
        if (front[i] && a.Project(p[i], s)) Extend(out, any, s);
    }
    static const int kEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                      {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (const auto& edge : kEdges) {
        const CTVector3& p0 = p[edge[0]];
        const CTVector3& p1 = p[edge[1]];
        if (front[edge[0]] == front[edge[1]] || p1.z == p0.z) continue;
        CTVector3 q = Vec3_Lerp(p0, p1, (a.near - p0.z) / (p1.z - p0.z));
        q.z = a.near;
        CTScreenPoint s;
        if (a.Project(q, s)) Extend(out, any, s);
    }
    return any;
}

bool Camera_OverlapRect(const CTCamera& a, const CTCamera& b, ClipRect& out)
{
    out = {0, 0, 0, 0};
    CTScreenRect f;
    ClipRect inB, inA;
    if (!Camera_ProjectRect(f, b, a, a.clip) || !ToPixels(f, inB) || !Clamp(inB, b.clip)) return false;
    if (!Camera_ProjectRect(f, a, b, inB) || !ToPixels(f, inA) || !Clamp(inA, a.clip)) return false;
    out = inA;
    return true;
}
