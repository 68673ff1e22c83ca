// CTGeometryPipeline: arrays and capacities, the per-object stage sequence, table square roots.
#include "engine3d/GeometryPipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/Clock.h"
#include "app/Cpu.h"
#include "app/Orv_Log.h"
#include "engine3d/VertexStages.h"
#include "raster/HZBuffer.h"

namespace {

constexpr uint32_t kCapacityStep = 2048;

uint32_t FloatBits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

float BitsFloat(uint32_t b)
{
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

// Entry i from x = 2 + i / 1024, entry 2048 + i from x = 1 + i / 2048: the sixteen highest mantissa
// bits of f(x). The reciprocal of 1.0 is exactly 1.0, whose mantissa is empty; 0xFFFF keeps the
// result just below 1 with the exponent of the range (0.5, 1).
struct MathTables {
    uint16_t sqrt[4096];
    uint16_t rsqrt[4096];
    MathTables()
    {
        for (int i = 0; i < 4096; ++i) {
            const double x = i < 2048 ? 2.0 + i / 1024.0 : 1.0 + (i - 2048) / 2048.0;
            sqrt[i] = uint16_t(FloatBits(float(std::sqrt(x))) >> 7);
            rsqrt[i] = uint16_t(FloatBits(float(1.0 / std::sqrt(x))) >> 7);
        }
        rsqrt[2048] = 0xFFFF;
    }
};
const MathTables g_tables;

// Capacity that holds n, grown from old in steps of 2048.
uint32_t Grown(uint32_t old, uint32_t n) { return n > old ? old + (n / kCapacityStep + 1) * kCapacityStep : old; }

}  // namespace

const uint16_t* const SqrtTable = g_tables.sqrt;
const uint16_t* const RSqrtTable = g_tables.rsqrt;

float FastSqrt(float x)
{
    if (!(x > 0.0f)) return 0.0f;
    if (!std::isfinite(x)) return x;
    const uint32_t b = FloatBits(x);
    const uint32_t e = ((b + 0x3F800000u) >> 1) & 0x7F800000u;
    return BitsFloat(e | uint32_t(SqrtTable[(b >> 12) & 0xFFF]) << 7);
}

float FastRSqrt(float x)
{
    if (!(x > 0.0f) || !std::isfinite(x)) return 0.0f;
    const uint32_t b = FloatBits(x);
    const uint32_t e = (0x5F000000u - ((b >> 1) & 0x7FC00000u)) & 0xFF800000u;
    return BitsFloat(e | uint32_t(RSqrtTable[(b >> 12) & 0xFFF]) << 7);
}

CTVector3 Vec3_NormalizeFast(const CTVector3& v) { return Vec3_Scale(v, FastRSqrt(Vec3_Norm2(v))); }

CTMatrix34 CTViewTransform::AsMatrix34() const
{
    CTMatrix34 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = matrix.m[i][j];
    m.m[0][3] = translation.x;
    m.m[1][3] = translation.y;
    m.m[2][3] = translation.z;
    return m;
}

void Pipe_BuildViewMatrix(CTViewTransform& out, const CTFrame& reference, const CTFrame& object, int mode)
{
    out = CTViewTransform{};
    reference.UpdateWorld();
    object.UpdateWorld();
    if (mode == 2) {
        out.matrix = CTMatrix3::FromQuaternion(reference.worldRotation.ConjTimes(object.worldRotation));
    } else if (mode == 7) {
        const CTMatrix34 m = Frame_RelativeMatrix(reference, object);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) out.matrix.m[i][j] = m.m[i][j];
        out.translation = {m.m[0][3], m.m[1][3], m.m[2][3]};
        const float objectScale = object.worldScale != 0.0f ? object.worldScale : 1.0f;
        out.scale = CTCamera_ScaleOrOne(objectScale, reference.worldScale);
    }
}

bool Spheres_Intersect(const CTVector3& c1, float r1, const CTVector3& c2, float r2)
{
    return r1 * r1 + r2 * r2 > Vec3_Norm2(Vec3_Sub(c1, c2));
}

void PipeTimer::Start() { start = CTClock::GetTime(); }
void PipeTimer::Stop() { total += CTClock::GetTime() - start; }

CTGeometryPipeline::CTGeometryPipeline(uint32_t vertices, uint32_t faces, uint32_t lightCount)
{
    SetCapacity(vertices, faces, vertices, lightCount);
    // The kind may change after construction, so the table is filled whatever it is now.
    Mmx_BuildBitMaskTable();
}

bool CTGeometryPipeline::SetCapacity(uint32_t vertices, uint32_t faces, uint32_t normals, uint32_t lightCount)
{
    vertices = RoundUp(vertices, 8);
    faces = RoundUp(faces, 4);
    bool ok = true;
    if (vertices != vertexCapacity) {
        ok = cameraVertices.Resize(vertices) && screenVertices.Resize(vertices) && vertexCodes.Resize(vertices);
    }
    if (ok && faces != faceCapacity) {
        const size_t pairs = size_t(faces) * 6;
        ok = faceCodes.Resize(faces) && maskedFaceCodes.Resize(faces) && facePlanes.Resize(faces) &&
             texGenerated[0].Resize(pairs) && texGenerated[1].Resize(pairs);
    }
    if (ok && normals != normalCapacity) {
        ok = vertexColours.Resize(normals) && specularColours.Resize(normals) && vertexNormals.Resize(normals);
    }
    if (!ok) {
        OrvError_Warning("CTGeometryPipeline::SetCapacity(%u, %u, %u): no memory", vertices, faces, normals);
        for (auto* a : {&cameraVertices, &screenVertices, &facePlanes, &vertexNormals}) a->Resize(0);
        for (auto* a : {&vertexCodes, &faceCodes, &maskedFaceCodes}) a->Resize(0);
        for (auto* a : {&vertexColours, &specularColours}) a->Resize(0);
        texGenerated[0].Resize(0);
        texGenerated[1].Resize(0);
        vertexCapacity = faceCapacity = normalCapacity = 0;
        return false;
    }
    if (lightCount != 0) {
        lightRecords.clear();
        lightRecords.reserve(lightCount);
    }
    vertexCapacity = vertices;
    faceCapacity = faces;
    normalCapacity = normals;
    if (lightCount != 0) lightCapacity = lightCount;
    return true;
}

bool CTGeometryPipeline::EnsureCapacity(const CTMesh& mesh)
{
    // The colour arrays are indexed by lit-vertex slot and the recomputed normals by deformed normal,
    // so both counts size the normal arrays along with the normal count.
    const size_t slotCount = std::max({size_t(mesh.normalCount), mesh.slots.size(), size_t(mesh.deformedNormalCount)});
    if (mesh.vertexCount > 0x10000 || mesh.faceCount > 0x3FFFFFFF || slotCount > 0x3FFFFFFF) {
        OrvError_Warning("CTGeometryPipeline: mesh %s too large", mesh.name.c_str());
        return false;
    }
    const uint32_t v = Grown(vertexCapacity, mesh.vertexCount);
    const uint32_t f = Grown(faceCapacity, mesh.faceCount);
    const uint32_t n = Grown(vertexCapacity, uint32_t(slotCount));
    if (v == vertexCapacity && f == faceCapacity && n == normalCapacity) return true;
    return SetCapacity(v, f, n, lightCapacity);
}

namespace {

FaceStage PortableFaceStage(DrawFlags key)
{
    switch (key) {
    case 0: return &Pipe_CullFacesC;
    case DF_NO_CLIP: return &Pipe_CullFacesNoClipC;
    case DF_DEFORMED: return &Pipe_CullFacesDeformedC;
    case DF_DEFORMED | DF_NO_CLIP: return &Pipe_CullFacesDeformedNoClipC;
    case DF_PARALLEL: return &Pipe_CullFacesParallelC;
    case DF_PARALLEL | DF_NO_CLIP: return &Pipe_CullFacesParallelNoClipC;
    case DF_DEFORMED | DF_PARALLEL: return &Pipe_CullFacesParallelDeformedC;
    case DF_DEFORMED | DF_PARALLEL | DF_NO_CLIP: return &Pipe_CullFacesParallelDeformedNoClipC;
    case DF_EYEPOINT: return &Pipe_CullFacesEyePointC;
    case DF_EYEPOINT | DF_NO_CLIP: return &Pipe_CullFacesEyePointNoClipC;
    case DF_DEFORMED | DF_EYEPOINT: return &Pipe_CullFacesEyePointDeformedC;
    case DF_DEFORMED | DF_EYEPOINT | DF_NO_CLIP: return &Pipe_CullFacesEyePointDeformedNoClipC;
    default: return nullptr;
    }
}

// The processor set's stage for the key, or the portable one.
FaceStage SelectFaceStage(const VertexStageSet* set, DrawFlags key)
{
    FaceStage own = nullptr;
    if (set) {
        switch (key) {
        case 0: own = set->cullFaces; break;
        case DF_NO_CLIP: own = set->cullFacesNoClip; break;
        case DF_DEFORMED: own = set->cullFacesDeformed; break;
        case DF_DEFORMED | DF_NO_CLIP: own = set->cullFacesDeformedNoClip; break;
        default: break;
        }
    }
    return own ? own : PortableFaceStage(key);
}

ProjectStage SelectProjectStage(const VertexStageSet* set, DrawFlags flags)
{
    switch (flags & DF_PROJECTION_MASK) {
    case 0: {
        const ProjectStage own = set ? (flags & DF_DEFORMED ? set->projectDeformed : set->project) : nullptr;
        return own ? own : &Pipe_ProjectC;
    }
    case DF_PARALLEL: return &Pipe_ProjectParallelC;
    case DF_EYEPOINT: return &Pipe_ProjectEyePointC;
    default: return nullptr;
    }
}

}  // namespace

void CTGeometryPipeline::TransformVertices(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh,
                                           DrawFlags flags)
{
    if (!EnsureCapacity(mesh)) {
        clipUnion = clipIntersection = CLIP_PLANES;
        currentFaceCodes = faceCodes.data();
        faceMask = nullptr;
        return;
    }
    const VertexStageSet* set = VertexStages_For(ProcessorKind, camera, mesh);
    if (set) set->beginObject();
    cameraBlocks = false;
    ++objectsTransformed;
    if (flags & DF_TRANSFORM) {
        switch (flags & (DF_TWO_MATRIX | DF_PROJECTION_MASK)) {
        case 0:
            if (const TransformStage own = set ? (flags & DF_DEFORMED ? set->transformDeformed : set->transform) : nullptr)
                own(*this, camera, frame, mesh, flags);
            else
                Pipe_TransformClipC(*this, camera, frame, mesh, flags);
            break;
        case DF_PARALLEL:
        case DF_EYEPOINT:
            Pipe_TransformClipC(*this, camera, frame, mesh, flags);
            break;
        case DF_TWO_MATRIX:
        case DF_TWO_MATRIX | DF_PARALLEL:
        case DF_TWO_MATRIX | DF_EYEPOINT:
            Pipe_TransformClipTwoMatrixC(*this, camera, frame, mesh, flags);
            break;
        default:
            // No stage for this projection field: nothing is transformed, nothing drawn.
            clipUnion = clipIntersection = CLIP_PLANES;
            break;
        }
        if (!(clipIntersection & CLIP_PLANES)) {
            ++objectsAccepted;
            if (clipUnion == 0) flags |= DF_NO_CLIP;
            if (!(flags & DF_SKIP_FACES)) {
                faceTime.Start();
                if (const FaceStage stage = SelectFaceStage(set, flags & (DF_DEFORMED | DF_NO_CLIP | DF_PROJECTION_MASK)))
                    stage(*this, camera, frame, mesh);
                else
                    std::memset(faceCodes.data(), CLIP_HIDDEN, mesh.faceCount);
                faceTime.Stop();
            }
            if (!(flags & DF_SKIP_PROJECTION)) {
                projectTime.Start();
                if (const ProjectStage stage = SelectProjectStage(set, flags)) stage(*this, camera, mesh);
                projectTime.Stop();
            }
            // Later stages read per-vertex records even when a caller skipped the projection.
            if (cameraBlocks) {
                VxSse_UnpackCameraBlocks(vertexCodes.data(), &cameraVertices.data()->x,
                                         RoundUp(Mesh_VertexCount(mesh), 4) / 4);
                cameraBlocks = false;
            }
            if (hzBuffer && (flags & DF_OCCLUDE_FACES)) {
                faceOccludeTime.Start();
                const ProjectStage own = set ? set->occludeFaces : nullptr;
                (own ? own : &Pipe_OccludeFacesC)(*this, camera, mesh);
                faceOccludeTime.Stop();
            }
        }
    }
    FinishFaceCodes(mesh);
}

void CTGeometryPipeline::FinishFaceCodes(const CTMesh& mesh)
{
    currentFaceCodes = faceCodes.data();
    if (!faceMask) return;
    for (uint32_t f = 0; f < mesh.faceCount; ++f) maskedFaceCodes[f] = faceMask[f] ? faceCodes[f] : uint8_t(CLIP_HIDDEN);
    currentFaceCodes = maskedFaceCodes.data();
    faceMask = nullptr;
}

uint32_t CTGeometryPipeline::PrelitFlag(const CTCamera&, const CTFrame&, const CTMesh&, DrawFlags) const
{
    return lightingMode == kLightingPrelit ? uint32_t(DF_COLOURS) : 0u;
}

void CTGeometryPipeline::EndObject()
{
    currentColours = nullptr;
    currentSpecular = nullptr;
    for (int s = 0; s < 2; ++s) {
        texGenMode[s] = TEXGEN_SOURCE;
        texSource[s] = nullptr;
    }
}

void CTGeometryPipeline::SetTextureStage(int stage, uint32_t mode, const float* source, float offsetU, float offsetV,
                                         float scaleU, float scaleV)
{
    if (stage < 0 || stage > 1) return;
    texGenMode[stage] = mode;
    texSource[stage] = source;
    texOffset[stage][0] = offsetU;
    texOffset[stage][1] = offsetV;
    texScale[stage][0] = scaleU;
    texScale[stage][1] = scaleV;
}
