// Portable vertex stages: transform with clip codes, face culling, projection and occlusion.
#include <algorithm>
#include <cstring>

#include "engine3d/VertexStages.h"
#include "raster/HZBuffer.h"

namespace {

CTVector3 XYZ(const CTVector4& v) { return {v.x, v.y, v.z}; }

void StoreXYZ(CTVector4& out, const CTVector3& v)
{
    out.x = v.x;
    out.y = v.y;
    out.z = v.z;
}

CTMatrix34 ViewMatrix(const CTCamera& camera, const CTFrame& frame)
{
    CTViewTransform t;
    Pipe_BuildViewMatrix(t, camera.frame, frame, 7);
    return t.AsMatrix34();
}

// Transforms the vertices whose select bit picks each matrix and codes them by the camera's kind.
// An unknown kind transforms nothing, which leaves the object rejected.
void TransformCoded(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh, const CTMatrix34& mA,
                    const CTMatrix34* mB)
{
    p.clipUnion = 0;
    p.clipIntersection = 0xFFFFFFFF;
    const uint32_t kind = camera.Kind();
    if (kind != CAMERA_PERSPECTIVE && kind != CAMERA_PARALLEL && kind != CAMERA_EYEPOINT) return;
    const uint32_t n = Mesh_VertexCount(mesh);
    for (uint32_t i = 0; i < n; ++i) {
        const bool second = mB && i < mesh.matrixSelect.size() && (mesh.matrixSelect[i] & 1);
        const CTVector3 c = Vec3_Transform34(second ? *mB : mA, mesh.vertices[i]);
        StoreXYZ(p.cameraVertices[i], c);
        const uint32_t code = camera.ClipCode(c);
        p.vertexCodes[i] = uint8_t(code);
        p.clipIntersection &= code;
        p.clipUnion |= code;
    }
}

CTVector3 CameraEyeInObject(const CTCamera& camera, const CTFrame& frame)
{
    camera.frame.UpdateWorld();
    return frame.PointFromWorld(camera.frame.worldPosition);
}

// The face stage: back faces and faces wholly outside one plane get CLIP_HIDDEN, the vertices of the
// others are marked used. Without clipping every drawn face gets 0 and its vertices exactly CLIP_USED.
template <bool kClip, class BackFacing>
void CullFaces(CTGeometryPipeline& p, const CTMesh& mesh, const BackFacing& back)
{
    const uint32_t n = Mesh_FaceCount(mesh);
    const uint16_t* idx = mesh.faceIndices.data();
    uint8_t* vc = p.vertexCodes.data();
    uint8_t* fc = p.faceCodes.data();
    for (uint32_t f = 0; f < n; ++f, idx += 3) {
        const uint16_t i0 = idx[0], i1 = idx[1], i2 = idx[2];
        if (back(f, i0, i1, i2)) {
            fc[f] = CLIP_HIDDEN;
            continue;
        }
        if constexpr (kClip) {
            if (vc[i0] & vc[i1] & vc[i2] & CLIP_PLANES) {
                fc[f] = CLIP_HIDDEN;
                continue;
            }
            fc[f] = uint8_t((vc[i0] | vc[i1] | vc[i2]) & CLIP_PLANES);
            vc[i0] |= CLIP_USED;
            vc[i1] |= CLIP_USED;
            vc[i2] |= CLIP_USED;
        } else {
            fc[f] = 0;
            vc[i0] = vc[i1] = vc[i2] = CLIP_USED;
        }
    }
}

// Mesh planes seen from a point of object space: back-facing when d - n . eye >= 0.
template <bool kClip>
void CullFromEye(CTGeometryPipeline& p, const CTMesh& mesh, const CTVector3& eye)
{
    p.eyePoint = eye;
    const CTVector4* planes = mesh.planes.data();
    CullFaces<kClip>(p, mesh, [&](uint32_t f, uint16_t, uint16_t, uint16_t) {
        const CTVector4& pl = planes[f];
        return pl.w - (pl.x * eye.x + pl.y * eye.y + pl.z * eye.z) >= 0.0f;
    });
}

template <bool kClip>
void CullParallel(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    camera.frame.UpdateWorld();
    frame.UpdateWorld();
    const CTVector3 view = Quat_RotateVec3b(frame.worldRotation, Quat_RotateVec3(camera.frame.worldRotation, {0, 0, 1}));
    p.viewDirection = view;
    p.eyePoint = CameraEyeInObject(camera, frame);
    const CTVector4* planes = mesh.planes.data();
    CullFaces<kClip>(p, mesh, [&](uint32_t f, uint16_t, uint16_t, uint16_t) {
        const CTVector4& pl = planes[f];
        return pl.x * view.x + pl.y * view.y + pl.z * view.z >= 0.0f;
    });
}

// Deformed meshes: the normal (B - A) x (C - A) of the camera-space corners, kept in the face planes;
// test(normal, A) says whether the face is back-facing.
template <bool kClip, class Test>
void CullDeformed(CTGeometryPipeline& p, const CTMesh& mesh, const Test& test)
{
    const CTVector4* cv = p.cameraVertices.data();
    CTVector4* planes = p.facePlanes.data();
    CullFaces<kClip>(p, mesh, [&](uint32_t f, uint16_t i0, uint16_t i1, uint16_t i2) {
        const CTVector3 a = XYZ(cv[i0]);
        const CTVector3 n = Vec3_Cross(Vec3_Sub(XYZ(cv[i1]), a), Vec3_Sub(XYZ(cv[i2]), a));
        planes[f] = {n.x, n.y, n.z, 0.0f};
        return test(n, a);
    });
}

bool BackFromOrigin(const CTVector3& n, const CTVector3& a) { return Vec3_Dot(n, a) >= 0.0f; }
bool BackAlongZ(const CTVector3& n, const CTVector3&) { return n.z >= 0.0f; }

// Projects every vertex used by a drawn face and not nearer than the near plane.
template <class Project>
void ProjectUsed(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh, const Project& project)
{
    const uint32_t n = Mesh_VertexCount(mesh);
    const uint8_t* vc = p.vertexCodes.data();
    for (uint32_t i = 0; i < n; ++i) {
        if ((vc[i] & (CLIP_USED | CLIP_NEAR)) != CLIP_USED) continue;
        const CTVector4& c = p.cameraVertices[i];
        CTVector4& s = p.screenVertices[i];
        const float w = 1.0f / c.z;
        project(c, s, w);
        s.z = camera.Zo - w * camera.Zs;
        s.w = w;
        ++p.projectedVertices;
    }
}

}  // namespace

void Pipe_TransformClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh,
                         DrawFlags flags)
{
    const uint32_t kind = camera.Kind();
    if (kind != CAMERA_PERSPECTIVE && kind != CAMERA_PARALLEL && kind != CAMERA_EYEPOINT) {
        p.clipUnion = p.clipIntersection = CLIP_PLANES;
        return;
    }
    const CTMatrix34 m = ViewMatrix(camera, frame);
    const bool deformed = (flags & DF_DEFORMED) != 0;
    p.clipUnion = CLIP_PLANES;
    if ((flags & (DF_TRANSFORM | DF_BOUNDS)) && !deformed) {
        p.boundsTime.Start();
        p.clipUnion = camera.ClassifyBounds(m, mesh.bounds);
        p.boundsTime.Stop();
    }
    if (p.clipUnion & CLIP_OUTSIDE) {
        p.clipIntersection = CLIP_PLANES;
        return;
    }
    if (p.hzBuffer && (flags & DF_OCCLUDE_OBJECT) && !deformed) {
        p.objectOccludeTime.Start();
        const bool hidden = p.IsBoxOccluded(camera, m, mesh.bounds);
        p.objectOccludeTime.Stop();
        if (hidden) {
            p.clipIntersection = CLIP_PLANES;
            return;
        }
    }
    p.transformTime.Start();
    if (p.clipUnion == 0) {
        p.clipIntersection = 0;
        const uint32_t n = Mesh_VertexCount(mesh);
        std::memset(p.vertexCodes.data(), 0, n);
        for (uint32_t i = 0; i < n; ++i) StoreXYZ(p.cameraVertices[i], Vec3_Transform34(m, mesh.vertices[i]));
    } else {
        TransformCoded(p, camera, mesh, m, nullptr);
    }
    p.transformTime.Stop();
}

void Pipe_TransformClipTwoMatrixC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                  const CTMesh& mesh, DrawFlags)
{
    const CTFrame* parent = frame.Parent() ? frame.Parent() : &CTFrame::Root();
    const CTMatrix34 mA = ViewMatrix(camera, frame);
    const CTMatrix34 mB = ViewMatrix(camera, *parent);
    p.transformTime.Start();
    TransformCoded(p, camera, mesh, mA, &mB);
    p.transformTime.Stop();
}

bool CTGeometryPipeline::IsBoxOccluded(const CTCamera& camera, const CTMatrix34& m, const CTBounds& b) const
{
    ScreenBox box;
    if (!View_ScreenBox(View_Box(m.m, b), camera, [](float z) { return 1.0f / z; }, box)) return false;
    return ScreenBox_Hidden(box, camera.clip, hzBuffer, &HZBuffer_IsVisible);
}

void Pipe_CullFacesC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    CullFromEye<true>(p, mesh, CameraEyeInObject(camera, frame));
}

void Pipe_CullFacesNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    CullFromEye<false>(p, mesh, CameraEyeInObject(camera, frame));
}

void Pipe_CullFacesEyePointC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    CullFromEye<true>(p, mesh, frame.PointFromWorld(camera.EyeWorld()));
}

void Pipe_CullFacesEyePointNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                   const CTMesh& mesh)
{
    CullFromEye<false>(p, mesh, frame.PointFromWorld(camera.EyeWorld()));
}

void Pipe_CullFacesParallelC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    CullParallel<true>(p, camera, frame, mesh);
}

void Pipe_CullFacesParallelNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                   const CTMesh& mesh)
{
    CullParallel<false>(p, camera, frame, mesh);
}

void Pipe_CullFacesDeformedC(CTGeometryPipeline& p, const CTCamera&, const CTFrame&, const CTMesh& mesh)
{
    CullDeformed<true>(p, mesh, &BackFromOrigin);
}

void Pipe_CullFacesDeformedNoClipC(CTGeometryPipeline& p, const CTCamera&, const CTFrame&, const CTMesh& mesh)
{
    CullDeformed<false>(p, mesh, &BackFromOrigin);
}

void Pipe_CullFacesParallelDeformedC(CTGeometryPipeline& p, const CTCamera&, const CTFrame&, const CTMesh& mesh)
{
    CullDeformed<true>(p, mesh, &BackAlongZ);
}

void Pipe_CullFacesParallelDeformedNoClipC(CTGeometryPipeline& p, const CTCamera&, const CTFrame&,
                                           const CTMesh& mesh)
{
    CullDeformed<false>(p, mesh, &BackAlongZ);
}

void Pipe_CullFacesEyePointDeformedC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame&,
                                     const CTMesh& mesh)
{
    const CTVector3 e = camera.eye;
    CullDeformed<true>(p, mesh, [e](const CTVector3& n, const CTVector3& a) { return Vec3_Dot(n, Vec3_Sub(a, e)) >= 0.0f; });
}

void Pipe_CullFacesEyePointDeformedNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame&,
                                           const CTMesh& mesh)
{
    const CTVector3 e = camera.eye;
    CullDeformed<false>(p, mesh, [e](const CTVector3& n, const CTVector3& a) { return Vec3_Dot(n, Vec3_Sub(a, e)) >= 0.0f; });
}

void Pipe_ProjectC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    ProjectUsed(p, camera, mesh, [&](const CTVector4& c, CTVector4& s, float w) {
        s.x = camera.Sx * c.x * w + camera.Cx;
        s.y = camera.Sy * c.y * w + camera.Cy;
    });
}

void Pipe_ProjectParallelC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    ProjectUsed(p, camera, mesh, [&](const CTVector4& c, CTVector4& s, float) {
        s.x = camera.Sx * c.x + camera.Cx;
        s.y = camera.Sy * c.y + camera.Cy;
    });
}

void Pipe_ProjectEyePointC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    const CTVector3 e = camera.eye;
    ProjectUsed(p, camera, mesh, [&](const CTVector4& c, CTVector4& s, float) {
        const float t = c.z / (c.z - e.z);
        const float x = c.x * (1.0f - t) + e.x * t;
        const float y = c.y * (1.0f - t) + e.y * t;
        s.x = x * camera.Sx + camera.Cx;
        s.y = y * camera.Sy + camera.Cy;
    });
}

void Pipe_OccludeFacesC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    auto run = p.clipUnion != 0 ? &OccludeFaces<true> : &OccludeFaces<false>;
    run(p.faceCodes.data(), mesh.faceIndices.data(), p.screenVertices.data(), camera.clip, p.hzBuffer, Mesh_FaceCount(mesh),
        &HZBuffer_IsVisible);
}
