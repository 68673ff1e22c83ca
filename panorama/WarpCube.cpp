// The panorama cube: face layout, directions to face pixels, and drawing the cube through a camera.
#include "panorama/WarpCube.h"

#include <cmath>

#include "engine3d/Quaternion.h"
#include "panorama/WarpRasterizer.h"
#include "raster/SpanState.h"

namespace {

// Nearer than this, camera-space points are cut away; every visible point of the cube lies far beyond.
constexpr float kNearZ = 1.0f / 1024.0f;
// A clipped polygon of a quad keeps at most five vertices.
constexpr int kMaxPoly = 8;

struct PolyVertex {
    CTVector3 p;  // camera space
    float u, v;
};

bool Before(const CTVector3& a, const CTVector3& b) {
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    return a.z < b.z;
}

// The cut of segment a-b by the near plane, computed from its ends in a fixed order so that two faces
// sharing the edge get the very same vertex.
PolyVertex Cut(const PolyVertex& a, const PolyVertex& b) {
    const PolyVertex& p = Before(a.p, b.p) ? a : b;
    const PolyVertex& q = Before(a.p, b.p) ? b : a;
    const float t = (kNearZ - p.p.z) / (q.p.z - p.p.z);
    PolyVertex r;
    r.p = Vec3_Lerp(p.p, q.p, t);
    r.p.z = kNearZ;
    r.u = p.u + (q.u - p.u) * t;
    r.v = p.v + (q.v - p.v) * t;
    return r;
}

int ClipNear(const PolyVertex* in, int n, PolyVertex* out) {
    int m = 0;
    for (int i = 0; i < n; i++) {
        const PolyVertex& a = in[i];
        const PolyVertex& b = in[(i + 1) % n];
        const bool ain = a.p.z >= kNearZ;
        const bool bin = b.p.z >= kNearZ;
        if (ain) out[m++] = a;
        if (ain != bin) out[m++] = Cut(a, b);
    }
    return m;
}

}  // namespace

CTVector3 WarpCube_FacePoint(int face, float s, float t) {
    switch (face) {
    case WARP_FACE_FRONT: return {s, t, 1.0f};
    case WARP_FACE_RIGHT: return {1.0f, t, -s};
    case WARP_FACE_BACK: return {-s, t, -1.0f};
    case WARP_FACE_LEFT: return {-1.0f, t, s};
    case WARP_FACE_UP: return {s, -1.0f, t};
    case WARP_FACE_DOWN: return {s, 1.0f, -t};
    default: return {0.0f, 0.0f, 0.0f};
    }
}

bool WarpCube_Locate(const CTVector3& dir, int* face, float* u, float* v) {
    const float ax = std::fabs(dir.x), ay = std::fabs(dir.y), az = std::fabs(dir.z);
    if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(az)) return false;
    float s, t, m;
    int f;
    if (az >= ax && az >= ay) {
        m = az;
        if (m == 0.0f) return false;
        f = dir.z > 0 ? WARP_FACE_FRONT : WARP_FACE_BACK;
        s = (dir.z > 0 ? dir.x : -dir.x) / m;
        t = dir.y / m;
    } else if (ax >= ay) {
        m = ax;
        f = dir.x > 0 ? WARP_FACE_RIGHT : WARP_FACE_LEFT;
        s = (dir.x > 0 ? -dir.z : dir.z) / m;
        t = dir.y / m;
    } else {
        m = ay;
        f = dir.y < 0 ? WARP_FACE_UP : WARP_FACE_DOWN;
        s = dir.x / m;
        t = (dir.y < 0 ? dir.z : -dir.z) / m;
    }
    if (face) *face = f;
    if (u) *u = (s + 1.0f) * 0.5f;
    if (v) *v = (t + 1.0f) * 0.5f;
    return true;
}

CTQuaternion WarpCube_ViewRotation(float yaw, float pitch, float roll) {
    const CTQuaternion qy = CTQuaternion::FromAxisAngle({0.0f, 1.0f, 0.0f}, yaw);
    const CTQuaternion qx = CTQuaternion::FromAxisAngle({1.0f, 0.0f, 0.0f}, pitch);
    const CTQuaternion qz = CTQuaternion::FromAxisAngle({0.0f, 0.0f, 1.0f}, roll);
    return (qy * qx * qz).Normalised();
}

void WarpCube_Draw(const CTCamera& camera, CSurface* const faces[WARP_NB_FACES], CTWarpRasterizer& rast) {
    static const float kCorner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    camera.frame.UpdateWorld();
    for (int f = 0; f < WARP_NB_FACES; f++) {
        if (!faces[f] || !rast.SetTexture(faces[f])) continue;
        PolyVertex quad[4];
        for (int i = 0; i < 4; i++) {
            quad[i].p = camera.frame.PointFromWorld(WarpCube_FacePoint(f, kCorner[i][0], kCorner[i][1]));
            quad[i].u = (kCorner[i][0] + 1.0f) * 0.5f;
            quad[i].v = (kCorner[i][1] + 1.0f) * 0.5f;
        }
        PolyVertex poly[kMaxPoly];
        const int n = ClipNear(quad, 4, poly);
        if (n < 3) continue;
        RastVertex* out = rastState.rastVertices;
        bool ok = true;
        for (int i = 0; i < n && ok; i++) {
            CTScreenPoint sp;
            ok = camera.Project(poly[i].p, sp);
            out[i] = RastVertex{sp.x, sp.y, 1.0f / poly[i].p.z, poly[i].u, poly[i].v, 0, 0, 0, 0};
        }
        if (!ok) continue;
        rastState.rastVertexEnd = out + n;
        rast.DrawPolygon();
    }
}

CTVector3 WarpCube_ScreenDirection(const CTCamera& camera, float x, float y) {
    const CTVector3 c = camera.Unproject(CTScreenPoint{x, y}, 1.0f);
    camera.frame.UpdateWorld();
    return Quat_RotateVec3(camera.frame.worldRotation, c);
}
