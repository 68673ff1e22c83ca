// The vertex-stage drivers of processor kinds 8, 9 and 18: one transform frame over a routine table per kind, and
// the face, projection and occlusion drivers that feed each set its arrays.
#include <cstring>

#include "app/Cpu.h"
#include "engine3d/VertexStages.h"
#include "raster/HZBuffer.h"

uint32_t VertexStageCache = 0;

namespace {

float* Floats(CTAlignedArray<CTVector4>& a) { return &a.data()->x; }

// The routines one kind's transform frame calls.
struct TransformRoutines {
    // Bounds classification of a rigid mesh; null: none.
    uint32_t (*classify)(const CTCamera&, const CTFrame&, const CTMesh&);
    // Box occlusion test of a rigid mesh; null: none.
    bool (*boxOccluded)(const CTGeometryPipeline&, const CTCamera&, const CTFrame&, const CTMesh&);
    // Transform with clip codes: AND in the low byte, OR in the second.
    uint32_t (*transformClip)(CTGeometryPipeline&, const CTCamera&, const CTFrame&, const CTMesh&);
    // The box lies wholly inside; may set DF_SKIP_FACES and DF_SKIP_PROJECTION. Null: transformClip.
    void (*inside)(CTGeometryPipeline&, const CTCamera&, const CTFrame&, const CTMesh&, DrawFlags&);
    bool timed;    // the transform timer runs
    bool takesOr;  // the OR code comes from transformClip, not from the classification
};

void TransformFrame(const TransformRoutines& s, CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                    const CTMesh& mesh, DrawFlags& flags)
{
    // The world caches are brought up to date here, in the caller's rounding, for every set.
    camera.frame.UpdateWorld();
    frame.UpdateWorld();
    const bool rigid = !(flags & DF_DEFORMED);
    p.clipUnion = CLIP_PLANES;
    if ((flags & (DF_TRANSFORM | DF_BOUNDS)) && rigid && s.classify) {
        p.boundsTime.Start();
        p.clipUnion = s.classify(camera, frame, mesh);
        p.boundsTime.Stop();
    }
    if (p.clipUnion & CLIP_OUTSIDE) {
        p.clipIntersection = CLIP_PLANES;
        return;
    }
    if (p.hzBuffer && (flags & DF_OCCLUDE_OBJECT) && rigid && s.boxOccluded) {
        p.objectOccludeTime.Start();
        const bool hidden = s.boxOccluded(p, camera, frame, mesh);
        p.objectOccludeTime.Stop();
        if (hidden) {
            p.clipIntersection = CLIP_PLANES;
            return;
        }
    }
    if (s.timed) p.transformTime.Start();
    if (p.clipUnion != 0 || !s.inside) {
        const uint32_t r = s.transformClip(p, camera, frame, mesh);
        p.clipIntersection = r & 0xFF;
        if (s.takesOr) p.clipUnion = r >> 8 & 0xFF;
    } else {
        p.clipIntersection = 0;
        s.inside(p, camera, frame, mesh, flags);
    }
    if (s.timed) p.transformTime.Stop();
}

CTVector3 EyePoint(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame)
{
    camera.frame.UpdateWorld();
    p.eyePoint = frame.PointFromWorld(camera.frame.worldPosition);
    return p.eyePoint;
}

// Every set starts an object alike. The SSE set loads no process-wide MXCSR here: each of its routines
// sets rounding toward zero for its own call and gives the caller's mode back.
void BeginObject() { VertexStageCache = 0; }
constexpr void (*Pipe_BeginObjectP6)() = &BeginObject;
constexpr void (*Pipe_BeginObjectSse)() = &BeginObject;
constexpr void (*Pipe_BeginObject3DNow)() = &BeginObject;

using PlaneRoutine = void (*)(uint8_t*, const uint16_t*, uint8_t*, const CTVector4*, const CTVector3&, uint32_t);
using DeformedRoutine = void (*)(const uint16_t*, CTVector4*, uint8_t*, const CTVector4*, uint8_t*, uint32_t);
using ProjectRoutine = void (*)(const uint8_t*, const CTVector4*, const CTCamera&, CTVector4*, uint32_t);

// Face stage with the mesh planes: the eye point in object space, then the set's routine.
template <PlaneRoutine kRoutine>
void CullWithPlanes(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    const CTVector3 eye = EyePoint(p, camera, frame);
    kRoutine(p.faceCodes.data(), mesh.faceIndices.data(), p.vertexCodes.data(), mesh.planes.data(), eye,
             Mesh_FaceCount(mesh));
}

// Face stage of deformed meshes: normals from the camera-space vertices.
template <DeformedRoutine kRoutine>
void CullWithNormals(CTGeometryPipeline& p, const CTCamera&, const CTFrame&, const CTMesh& mesh)
{
    kRoutine(mesh.faceIndices.data(), p.facePlanes.data(), p.vertexCodes.data(), p.cameraVertices.data(),
             p.faceCodes.data(), Mesh_FaceCount(mesh));
}

template <ProjectRoutine kRoutine>
void ProjectEach(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    kRoutine(p.vertexCodes.data(), p.cameraVertices.data(), camera, p.screenVertices.data(), Mesh_VertexCount(mesh));
}

// Face occlusion: the set's routine for objects with a vertex outside the view, or for those without.
template <OccludeRoutine kClip, OccludeRoutine kNoClip>
void OccludeWith(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    (p.clipUnion == 0 ? kNoClip : kClip)(p.faceCodes.data(), mesh.faceIndices.data(), p.screenVertices.data(),
                                         camera.clip, p.hzBuffer, Mesh_FaceCount(mesh));
}

// ---- Kind 8 ----

constexpr FaceStage Pipe_CullFacesP6 = &CullWithPlanes<&VxP6_CullFaces>;
constexpr FaceStage Pipe_CullFacesNoClipP6 = &CullWithPlanes<&VxP6_CullFacesNoClip>;
constexpr FaceStage Pipe_CullFacesDeformedP6 = &CullWithNormals<&VxP6_CullFacesDeformed>;
constexpr FaceStage Pipe_CullFacesDeformedNoClipP6 = &CullWithNormals<&VxP6_CullFacesDeformedNoClip>;
constexpr ProjectStage Pipe_ProjectP6 = &ProjectEach<&VxP6_Project>;
constexpr ProjectStage Pipe_OccludeFacesP6 = &OccludeWith<VxP6_OccludeFaces, VxP6_OccludeFacesNoClip>;

bool Pipe_IsBoxOccludedP6(const CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m)
{
    return !VxP6_IsBoxVisible(p.hzBuffer, c.clip, c, f, m.bounds);
}

const TransformRoutines kTransformP6 = {
    [](const CTCamera& c, const CTFrame& f, const CTMesh& m) { return VxP6_ClassifyBounds(c, f, m.bounds); },
    &Pipe_IsBoxOccludedP6,
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m) {
        return VxP6_TransformClip(c, f, m.vertices.data(), Mesh_VertexCount(m), p.cameraVertices.data(),
                                  p.vertexCodes.data());
    },
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m, DrawFlags& flags) {
        const uint32_t n = Mesh_VertexCount(m);
        std::memset(p.vertexCodes.data(), 0, n);
        Pipe_CullFacesNoClipP6(p, c, f, m);
        flags |= DF_SKIP_FACES | DF_SKIP_PROJECTION;
        VxP6_TransformProject(c, f, m.vertices.data(), p.vertexCodes.data(), n, p.screenVertices.data());
    },
    true,
    true,
};

void Pipe_TransformP6(CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m, DrawFlags& flags)
{
    TransformFrame(kTransformP6, p, c, f, m, flags);
}

// ---- Kind 9 ----

uint32_t VertexGroups(const CTMesh& m) { return RoundUp(Mesh_VertexCount(m), 8) / 8; }
uint32_t VertexBlocks(const CTMesh& m) { return RoundUp(Mesh_VertexCount(m), 4) / 4; }

void Pipe_CullFacesNoClipSse(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    const CTVector3 eye = EyePoint(p, camera, frame);
    VxSse_CullFacesNoClipBlocks(p.faceCodes.data(), mesh.faceIndices.data(), p.vertexCodes.data(),
                                mesh.blockPlanes.data(), eye, RoundUp(Mesh_FaceCount(mesh), 4) / 4);
}

// The two transform drivers' box tests: one routine, the rigid driver's on the mesh's second box.
bool Pipe_IsBoxOccludedSse(const CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m)
{
    return !VxSse_IsBoxVisible(p.hzBuffer, c.clip, c, f, m.bounds2);
}
bool Pipe_IsBoxOccludedDeformedSse(const CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m)
{
    return !VxSse_IsBoxVisible(p.hzBuffer, c.clip, c, f, m.bounds);
}

const TransformRoutines kTransformSse = {
    [](const CTCamera& c, const CTFrame& f, const CTMesh& m) { return VxSse_ClassifyBoundsBlocks(c, f, m.bounds2); },
    &Pipe_IsBoxOccludedSse,
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m) {
        p.cameraBlocks = true;
        return VxSse_TransformClipBlocks(c, f, m.blockPositions.data(), VertexGroups(m), Floats(p.cameraVertices),
                                         p.vertexCodes.data());
    },
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m, DrawFlags& flags) {
        flags |= DF_SKIP_PROJECTION;
        std::memset(p.vertexCodes.data(), 0, RoundUp(Mesh_VertexCount(m), 8));
        Pipe_CullFacesNoClipSse(p, c, f, m);
        flags |= DF_SKIP_FACES;
        VxSse_TransformProjectBlocks(c, f, m.blockPositions.data(), VertexGroups(m), Floats(p.screenVertices));
        VxSse_UnpackScreenBlocks(p.vertexCodes.data(), Floats(p.screenVertices), VertexBlocks(m));
    },
    true,
    true,
};

// The frame classifies and box-tests rigid meshes only, and this driver serves deformed ones: every
// object takes the per-vertex codes, and the classification, the box test and the path of a box
// wholly inside are never reached.
const TransformRoutines kTransformDeformedSse = {
    [](const CTCamera& c, const CTFrame& f, const CTMesh& m) { return VxSse_ClassifyBounds(c, f, m.bounds); },
    &Pipe_IsBoxOccludedDeformedSse,
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m) {
        return VxSse_TransformClip(c, f, m.vertices.data(), Mesh_VertexCount(m), p.cameraVertices.data(),
                                   p.vertexCodes.data());
    },
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m, DrawFlags&) {
        const uint32_t n = Mesh_VertexCount(m);
        std::memset(p.vertexCodes.data(), 0, n);
        VxSse_TransformNoClip(c, f, m.vertices.data(), n, p.cameraVertices.data());
    },
    true,
    true,
};

void Pipe_TransformSse(CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m, DrawFlags& flags)
{
    TransformFrame(kTransformSse, p, c, f, m, flags);
}

void Pipe_TransformDeformedSse(CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m,
                               DrawFlags& flags)
{
    TransformFrame(kTransformDeformedSse, p, c, f, m, flags);
}

void Pipe_CullFacesSse(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh)
{
    const CTVector3 eye = EyePoint(p, camera, frame);
    VxSse_CullFacesBlocks(p.faceCodes.data(), mesh.faceIndices.data(), p.vertexCodes.data(), mesh.blockPlanes.data(),
                          eye, Mesh_FaceCount(mesh));
}

constexpr FaceStage Pipe_CullFacesDeformedSse = &CullWithNormals<&VxSse_CullFacesDeformed>;
constexpr FaceStage Pipe_CullFacesDeformedNoClipSse = &CullWithNormals<&VxSse_CullFacesDeformedNoClip>;
constexpr ProjectStage Pipe_OccludeFacesSse = &OccludeWith<VxSse_OccludeFaces, VxSse_OccludeFacesNoClip>;

void Pipe_ProjectDeformedSse(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    VxSse_ProjectPairs(p.vertexCodes.data(), p.cameraVertices.data(), camera, p.screenVertices.data(),
                       (Mesh_VertexCount(mesh) + 1) / 2);
}

// Blocks only after the block transform: the portable transform leaves per-vertex records.
void Pipe_ProjectSse(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh)
{
    if (!p.cameraBlocks) {
        Pipe_ProjectDeformedSse(p, camera, mesh);
        return;
    }
    const uint32_t blocks = VertexBlocks(mesh);
    VxSse_ProjectBlocks(p.vertexCodes.data(), Floats(p.cameraVertices), camera, Floats(p.screenVertices), blocks);
    VxSse_UnpackCameraBlocks(p.vertexCodes.data(), Floats(p.cameraVertices), blocks);
    VxSse_UnpackScreenBlocks(p.vertexCodes.data(), Floats(p.screenVertices), blocks);
    p.cameraBlocks = false;
}

// ---- Kind 18 ----

const TransformRoutines kTransform3DNow = {
    [](const CTCamera& c, const CTFrame& f, const CTMesh& m) { return Vx3DNow_ClassifyBounds(c, f, m.bounds); },
    nullptr,
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m) {
        return Vx3DNow_TransformClip(c, f, m.vertices.data(), Mesh_VertexCount(m), p.cameraVertices.data(),
                                     p.vertexCodes.data());
    },
    [](CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m, DrawFlags&) {
        const uint32_t n = Mesh_VertexCount(m);
        std::memset(p.vertexCodes.data(), 0, n);
        Vx3DNow_TransformNoClip(c, f, m.vertices.data(), n, p.cameraVertices.data());
    },
    false,
    false,
};

void Pipe_Transform3DNow(CTGeometryPipeline& p, const CTCamera& c, const CTFrame& f, const CTMesh& m, DrawFlags& flags)
{
    TransformFrame(kTransform3DNow, p, c, f, m, flags);
}

constexpr FaceStage Pipe_CullFaces3DNow = &CullWithPlanes<&Vx3DNow_CullFaces>;
constexpr FaceStage Pipe_CullFacesNoClip3DNow = &CullWithPlanes<&Vx3DNow_CullFacesNoClip>;
constexpr ProjectStage Pipe_Project3DNow = &ProjectEach<&Vx3DNow_Project>;

// ---- The tables ----

// Begin, transform (rigid, deformed), face stages (planes, planes without clipping, deformed, deformed
// without clipping), projection (rigid, deformed), face occlusion.
const VertexStageSet kSetP6 = {Pipe_BeginObjectP6,
                               &Pipe_TransformP6,
                               &Pipe_TransformP6,
                               Pipe_CullFacesP6,
                               Pipe_CullFacesNoClipP6,
                               Pipe_CullFacesDeformedP6,
                               Pipe_CullFacesDeformedNoClipP6,
                               Pipe_ProjectP6,
                               Pipe_ProjectP6,
                               Pipe_OccludeFacesP6};
const VertexStageSet kSetSse = {Pipe_BeginObjectSse,
                                &Pipe_TransformSse,
                                &Pipe_TransformDeformedSse,
                                &Pipe_CullFacesSse,
                                &Pipe_CullFacesNoClipSse,
                                Pipe_CullFacesDeformedSse,
                                Pipe_CullFacesDeformedNoClipSse,
                                &Pipe_ProjectSse,
                                &Pipe_ProjectDeformedSse,
                                Pipe_OccludeFacesSse};
// A rigid mesh without block copies (one not built by Mesh_FromDb): the portable transform and face
// stage, then the per-vertex projection.
const VertexStageSet kSetSsePerVertex = {Pipe_BeginObjectSse,
                                         nullptr,
                                         &Pipe_TransformDeformedSse,
                                         nullptr,
                                         nullptr,
                                         Pipe_CullFacesDeformedSse,
                                         Pipe_CullFacesDeformedNoClipSse,
                                         &Pipe_ProjectDeformedSse,
                                         &Pipe_ProjectDeformedSse,
                                         Pipe_OccludeFacesSse};
const VertexStageSet kSet3DNow = {Pipe_BeginObject3DNow,
                                  &Pipe_Transform3DNow,
                                  &Pipe_Transform3DNow,
                                  Pipe_CullFaces3DNow,
                                  Pipe_CullFacesNoClip3DNow,
                                  nullptr,
                                  nullptr,
                                  Pipe_Project3DNow,
                                  Pipe_Project3DNow,
                                  nullptr};

bool HasBlocks(const CTMesh& m)
{
    return m.blockPositions.size() >= size_t(RoundUp(Mesh_VertexCount(m), 8)) * 3 &&
           m.blockPlanes.size() >= (size_t(RoundUp(Mesh_FaceCount(m), 4)) + 4) * 4;
}

}  // namespace

const VertexStageSet* VertexStages_For(int processorKind, const CTCamera& camera, const CTMesh& mesh)
{
    if (camera.Kind() != CAMERA_PERSPECTIVE) return nullptr;
    switch (processorKind) {
    case CPU_PENTIUM_II: return &kSetP6;
    case CPU_PENTIUM_III: return HasBlocks(mesh) ? &kSetSse : &kSetSsePerVertex;
    case CPU_AMD_K6_2: return &kSet3DNow;
    default: return nullptr;
    }
}
