// Texture-coordinate generation of the two texture stages.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine3d/GeometryPipeline.h"
#include "engine3d/Light.h"

namespace {

CTVector3 XYZ(const CTVector4& v) { return {v.x, v.y, v.z}; }

// Rotated normals of sphere mapping, shared by every pipeline; grows to the largest count met and is
// freed at exit.
std::vector<CTVector3>* g_envNormals = nullptr;

std::vector<CTVector3>& EnvNormals()
{
    static const bool registered = std::atexit(&Pipe_FreeEnvNormals) == 0;
    (void)registered;
    if (!g_envNormals) g_envNormals = new std::vector<CTVector3>;
    return *g_envNormals;
}

// Calls fn(face, out pairs of the face) for every drawn face.
template <class Fn>
void ForDrawnFaces(const CTGeometryPipeline& p, const CTMesh& mesh, float* out, Fn&& fn)
{
    const uint32_t n = std::min<uint32_t>(mesh.faceCount, uint32_t(mesh.faceIndices.size() / 3));
    for (uint32_t f = 0; f < n; ++f)
        if (!(p.currentFaceCodes[f] & CLIP_HIDDEN)) fn(f, out + size_t(f) * 6);
}

void SphereMap(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh,
               DrawFlags flags, float* out)
{
    const CTVector3* normals;
    const std::vector<uint16_t>* corners;
    size_t count;
    if (flags & DF_DEFORMED) {
        p.ComputeVertexNormals(mesh);
        std::vector<CTVector3>& env = EnvNormals();
        count = std::min(mesh.deformedNormalCount, p.normalCapacity);
        if (env.size() < count) env.resize(count);
        for (size_t i = 0; i < count; ++i) env[i] = XYZ(p.vertexNormals[i]);
        normals = env.data();
        corners = &mesh.deformedCornerNormals;
    } else {
        CTViewTransform t;
        Pipe_BuildViewMatrix(t, camera.frame, frame, 2);
        std::vector<CTVector3>& env = EnvNormals();
        count = mesh.normals.size();
        if (env.size() < count) env.resize(count);
        for (size_t i = 0; i < count; ++i) env[i] = t.matrix * mesh.normals[i];
        normals = env.data();
        corners = &mesh.cornerNormals;
    }
    ForDrawnFaces(p, mesh, out, [&](uint32_t f, float* uv) {
        for (int k = 0; k < 3; ++k) {
            const size_t c = size_t(f) * 3 + k;
            const uint16_t ni = c < corners->size() ? (*corners)[c] : uint16_t(0xFFFF);
            const CTVector3 n = ni < count ? normals[ni] : CTVector3{};
            uv[2 * k] = (n.x + 1.0f) * 0.5f;
            uv[2 * k + 1] = (n.y + 1.0f) * 0.5f;
        }
    });
}

// A spot of radius R = 2 x scale u around the first scene light, projected onto each face's plane.
void LightSpot(CTGeometryPipeline& p, int stage, const CTFrame& frame, const CTMesh& mesh, float* out)
{
    const CTLight* light = p.lights.empty() ? nullptr : p.lights.front();
    if (!light) {
        p.clipIntersection = CLIP_PLANES;
        return;
    }
    light->frame.UpdateWorld();
    const CTVector3 L = frame.PointFromWorld(light->frame.worldPosition);
    const float R = 2.0f * p.texScale[stage][0];
    if (!Spheres_Intersect(L, R, mesh.bounds.centre, mesh.bounds.radius)) {
        p.clipIntersection = CLIP_PLANES;
        return;
    }
    uint8_t* codes = p.currentFaceCodes == p.maskedFaceCodes.data() ? p.maskedFaceCodes.data() : p.faceCodes.data();
    const float ou = p.texOffset[stage][0], ov = p.texOffset[stage][1];
    ForDrawnFaces(p, mesh, out, [&](uint32_t f, float* uv) {
        const CTVector4& pl = mesh.planes[f];
        const CTVector3 n = XYZ(pl);
        const float h = Vec3_Dot(n, L) - pl.w;
        if (!(std::fabs(h) < R)) {
            codes[f] = CLIP_HIDDEN;
            return;
        }
        const CTVector3 centre = Vec3_Sub(L, Vec3_Scale(n, h));
        const float r = FastSqrt(R * R - h * h);
        const float k = r > 0.0f ? 0.5f / r : 0.0f;
        const uint16_t* idx = &mesh.faceIndices[size_t(f) * 3];
        const CTVector3 T = Vec3_NormalizeFast(Vec3_Sub(mesh.vertices[idx[1]], mesh.vertices[idx[0]]));
        const CTVector3 S = Vec3_Cross(T, n);
        for (int c = 0; c < 3; ++c) {
            const CTVector3 rel = Vec3_Sub(mesh.vertices[idx[c]], centre);
            uv[2 * c] = ou + Vec3_Dot(rel, T) * k;
            uv[2 * c + 1] = ov + Vec3_Dot(rel, S) * k;
        }
    });
}

// Projection along each face's own plane, 0.004 per unit.
void Planar(CTGeometryPipeline& p, const CTMesh& mesh, float* out)
{
    ForDrawnFaces(p, mesh, out, [&](uint32_t f, float* uv) {
        const CTVector4& pl = mesh.planes[f];
        CTVector3 a{pl.y, -pl.x, 0.0f};
        if (Vec3_Norm2(a) < 0.001f) a = {-pl.z, 0.0f, pl.x};
        if (Vec3_Norm2(a) < 0.001f) a = {0.0f, pl.z, -pl.y};
        const CTVector3 b = Vec3_Cross(XYZ(pl), a);
        const uint16_t* idx = &mesh.faceIndices[size_t(f) * 3];
        for (int c = 0; c < 3; ++c) {
            const CTVector3& v = mesh.vertices[idx[c]];
            uv[2 * c] = 0.004f * Vec3_Dot(v, b);
            uv[2 * c + 1] = 0.004f * Vec3_Dot(v, a);
        }
    });
}

}  // namespace

void Pipe_FreeEnvNormals()
{
    delete g_envNormals;
    g_envNormals = nullptr;
}

uint32_t CTGeometryPipeline::ComputeTexCoords(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh,
                                              DrawFlags flags)
{
    texTime.Start();
    uint32_t result = 0;
    const bool ownCoords = (mesh.flags & MESH_TEXCOORDS) && mesh.texCoords.size() >= size_t(mesh.faceCount) * 6;
    for (int s = 0; s < 2; ++s) {
        const float* source = texSource[s] ? texSource[s] : ownCoords ? mesh.texCoords.data() : nullptr;
        float* out = texGenerated[s].data();
        const float* r = nullptr;
        switch (texGenMode[s]) {
        case TEXGEN_SOURCE:
            r = source;
            break;
        case TEXGEN_SPHERE:
            SphereMap(*this, camera, frame, mesh, flags, out);
            r = out;
            break;
        case TEXGEN_SCALED:
            if (!source) break;
            ForDrawnFaces(*this, mesh, out, [&](uint32_t f, float* uv) {
                const float* src = source + size_t(f) * 6;
                for (int k = 0; k < 3; ++k) {
                    uv[2 * k] = texOffset[s][0] + texScale[s][0] * src[2 * k];
                    uv[2 * k + 1] = texOffset[s][1] + texScale[s][1] * src[2 * k + 1];
                }
            });
            r = out;
            break;
        case TEXGEN_LIGHT_SPOT:
            LightSpot(*this, s, frame, mesh, out);
            r = out;
            break;
        case TEXGEN_PLANAR:
            Planar(*this, mesh, out);
            r = out;
            break;
        default:
            break;
        }
        texResult[s] = r;
        if (r) result |= 1u << s;
    }
    texTime.Stop();
    return result;
}
