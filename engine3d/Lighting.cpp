// Vertex lighting: light records per object, diffuse and specular terms, deformed-mesh normals.
#include <algorithm>
#include <cmath>

#include "engine3d/GeometryPipeline.h"
#include "engine3d/Light.h"
#include "raster/portable/RastConvert.h"

namespace {

CTVector3 XYZ(const CTVector4& v) { return {v.x, v.y, v.z}; }

CTVector4 Mul(const CTVector4& a, const CTVector4& b) { return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w}; }

void AddScaled(CTVector4& sum, const CTVector4& c, float s)
{
    sum.x += c.x * s;
    sum.y += c.y * s;
    sum.z += c.z * s;
    sum.w += c.w * s;
}

CTVector4 Unpack255(uint32_t argb)
{
    return {float(argb >> 16 & 0xFF), float(argb >> 8 & 0xFF), float(argb & 0xFF), float(argb >> 24)};
}

// 1 / x, or 0 when x is 0 or not finite.
float SafeInverse(float x)
{
    const float r = 1.0f / x;
    return (x != 0.0f && std::isfinite(r)) ? r : 0.0f;
}

// An attenuation divisor that is not positive leaves the term unattenuated.
float Attenuated(float term, float divisor) { return divisor > 0.0f ? term / divisor : term; }

// The slots of each group with a material: fn(material, first slot, slot count).
template <class Fn>
void ForGroupSlots(const CTGeometryPipeline& p, const CTMesh& mesh, Fn&& fn)
{
    size_t first = 0;
    const size_t groups = std::min(mesh.groupSlotCounts.size(), size_t(mesh.groupCount));
    for (size_t g = 0; g < groups; ++g) {
        const size_t count = std::min<size_t>(mesh.groupSlotCounts[g], mesh.slots.size() - std::min(first, mesh.slots.size()));
        const CTMaterial* m = g < p.materialTable.size() ? p.materialTable[g] : nullptr;
        if (m) fn(*m, first, count);
        first += mesh.groupSlotCounts[g];
    }
}

}  // namespace

uint32_t Pipe_PackColour(const CTVector4& c)
{
    auto ch = [](float v) {
        const int32_t i = RastTruncSat(double(v));
        return uint32_t(std::clamp(i, 0, 255));
    };
    return ch(c.w) << 24 | ch(c.x) << 16 | ch(c.y) << 8 | ch(c.z);
}

void Orv3D_MakeLight(const CTDbLight& r, CTLight& light)
{
    uint32_t f = r.flags & 0x1F;
    if (r.flags & 0x40) f |= LIGHT_SPECULAR;
    if (r.flags & 0x100) f |= LIGHT_ATTEN_CONSTANT;
    if (r.flags & 0x200) f |= LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_LINEAR;
    if (r.flags & 0x400) f |= LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_QUADRATIC;
    if (r.flags & 0x10000000) f |= LIGHT_RANGED;
    light.flags = f;
    for (int i = 0; i < 3; ++i) {
        const uint32_t c = r.colours[i];
        light.colours[i] = {float(c >> 16 & 0xFF) / 255.0f, float(c >> 8 & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
                            float(c >> 24) / 255.0f};
    }
    light.colours[1] = Vec4_Scale(light.colours[1], r.intensity);
    if (r.values[0] > 0.0f) light.values[0] = r.values[0];
    if (r.values[1] >= 0.0f) light.values[1] = r.values[1];
    if (r.values[2] >= 0.0f) light.values[2] = r.values[2];
    light.coneAngle = r.coneAngle;
    light.coneCos = std::cos(r.coneAngle);
    light.spotExponent = 4.0f;
    light.frame.SetParent(&CTFrame::Root());
    light.frame.SetLocal(r.orientation.Normalised(), r.position, 1.0f);
    light.name = r.name;
}

void CTGeometryPipeline::SetupLights(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags)
{
    lightRecords.clear();
    // Deformed meshes are lit in camera space, the space of their vertices and recomputed normals.
    const bool deformed = (flags & DF_DEFORMED) != 0;
    const CTFrame& space = deformed ? camera.frame : frame;
    space.UpdateWorld();
    for (const CTLight* l : lights) {
        if (!l || (l->flags & LIGHT_OFF)) continue;
        l->frame.UpdateWorld();
        PipeLight r;
        r.kind = l->flags;
        r.position = space.PointFromWorld(l->frame.worldPosition);
        if (l->flags & (LIGHT_DIRECTIONAL | LIGHT_SPOT))
            r.direction = Quat_RotateVec3b(space.worldRotation, Quat_RotateVec3(l->frame.worldRotation, {0, 0, -1}));
        if (l->flags & LIGHT_POINT_DIRECTION) r.direction = Vec3_NormalizeFast(Vec3_Sub(r.position, mesh.bounds.centre));
        r.ambient = Vec4_Scale(l->colours[0], 255.0f);
        r.diffuse = Vec4_Scale(l->colours[1], 255.0f);
        r.specular = Vec4_Scale(l->colours[2], 255.0f);
        float* K = r.K;
        K[0] = l->values[0];
        K[1] = l->values[1];
        K[2] = l->values[2];
        K[3] = l->spotExponent;
        K[5] = l->coneCos;
        if ((l->flags & LIGHT_RANGED) && (l->flags & LIGHT_POINT)) K[2] = SafeInverse(K[1] - K[0]);
        if ((l->flags & LIGHT_RANGED) && (l->flags & LIGHT_SPOT)) {
            K[3] = SafeInverse(K[2] - K[5]);
            K[4] = SafeInverse(K[1]);
        }
        if (!deformed && (r.kind & LIGHT_ATTENUATION) == LIGHT_ATTEN_CONSTANT) {
            if (K[0] != 0.0f) r.diffuse = Vec4_Scale(r.diffuse, 1.0f / K[0]);
            r.kind &= ~uint32_t(LIGHT_ATTENUATION);
        }
        lightRecords.push_back(r);
    }
}

void Pipe_LightVertexDiffuse(CTVector4& sum, const PipeLight& r, const CTVector3& P, const CTVector3& N)
{
    const uint32_t key = r.kind & 0x2000707F;
    const float* K = r.K;
    const CTVector4& C = r.diffuseProduct;
    if (key == 0x02 || key == 0x04) {
        const float nd = Vec3_Dot(N, r.direction);
        if (nd > 0.0f) AddScaled(sum, C, nd);
        return;
    }
    const CTVector3 L = Vec3_Sub(r.position, P);
    const float d = FastSqrt(Vec3_Norm2(L));
    const float nl = Vec3_Dot(N, L);
    // Spot factor: the cosine to the axis must exceed the outer-cone cosine.
    auto cone = [&](float& c) {
        c = Vec3_Dot(r.direction, L) / d;
        return c > K[5] && c > 0.0f;
    };
    float c = 0.0f;
    switch (key) {
    case 0x3004:
    case 0x5004:
    case 0x7004: {
        const float nd = Vec3_Dot(N, r.direction);
        if (nd > 0.0f) AddScaled(sum, C, Attenuated(nd, K[2] * d * d + K[1] * d + K[0]));
        return;
    }
    default:
        break;
    }
    // Every other kind needs the light in front of the surface at a distance.
    if (!(nl > 0.0f) || !(d > 0.0f)) return;
    switch (key) {
    case 0x08:
        AddScaled(sum, C, nl / d);
        break;
    case 0x10:
        if (cone(c)) AddScaled(sum, C, std::pow(c, K[3]) * nl / d);
        break;
    case 0x1008:
    case 0x3008:
    case 0x7008:
        AddScaled(sum, C, Attenuated(nl / d, (K[2] * d + K[1]) * d + K[0]));
        break;
    case 0x5008:
        AddScaled(sum, C, Attenuated(nl / d, K[2] * d * d + K[0]));
        break;
    case 0x1010:
    case 0x3010:
    case 0x7010:
        if (cone(c)) AddScaled(sum, C, std::pow(c, K[3]) * Attenuated(nl / d, (K[2] * d + K[1]) * d + K[0]));
        break;
    case 0x5010:
        if (cone(c)) AddScaled(sum, C, std::pow(c, K[3]) * Attenuated(nl / d, K[2] * d * d + K[0]));
        break;
    case 0x20000008: {
        if (!(d < K[1])) break;
        const float s = nl / d;
        if (!(d > K[0])) {
            AddScaled(sum, C, s);
        } else {
            const float t = (d - K[0]) * K[2];
            AddScaled(sum, C, s * (1.0f - (3.0f - 2.0f * t) * t * t));
        }
        break;
    }
    case 0x20000010: {
        if (!(d < K[1]) || !cone(c)) break;
        const float s = nl / d;
        const float range = 1.0f - d * K[4];
        if (c > K[2])
            AddScaled(sum, C, s * c * range);
        else
            AddScaled(sum, C, s * c * (c - K[5]) * K[3] * range);
        break;
    }
    default:
        break;
    }
}

void Pipe_LightVertexSpecular(CTVector4& sum, const PipeLight& r, const CTVector3& eye, const CTVector3& P,
                              const CTVector3& N)
{
    const uint32_t key = r.kind & 0x7100;
    if (key != 0x100 && key != 0x1100 && key != 0x3100 && key != 0x5100 && key != 0x7100) return;
    const CTVector3 toLight = Vec3_Sub(r.position, P);
    const CTVector3 L = Vec3_NormalizeFast(toLight);
    if (!(Vec3_Dot(N, L) > 0.0f)) return;
    const CTVector3 V = Vec3_NormalizeFast(Vec3_Sub(eye, P));
    const CTVector3 H = Vec3_NormalizeFast(Vec3_Add(L, V));
    const float nh = Vec3_Dot(N, H);
    if (!(nh > 0.0f)) return;
    float term = std::pow(nh, r.K[4]);
    if (r.kind & LIGHT_ATTENUATION) {
        const float dist2 = Vec3_Norm2(toLight);
        const float dist = FastSqrt(dist2);
        float a = 0.0f;
        if (r.kind & LIGHT_ATTEN_CONSTANT) a += r.K[0];
        if (r.kind & (LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_LINEAR)) a += r.K[1] * dist;
        if (r.kind & (LIGHT_ATTEN_CONSTANT | LIGHT_ATTEN_QUADRATIC)) a += r.K[2] * dist2;
        term = Attenuated(term, a);
    }
    AddScaled(sum, r.specularProduct, term);
}

void CTGeometryPipeline::ComputeVertexNormals(const CTMesh& mesh)
{
    const uint32_t count = std::min(mesh.deformedNormalCount, normalCapacity);
    for (uint32_t i = 0; i < count; ++i) vertexNormals[i] = {0, 0, 0, 0};
    const std::vector<uint16_t>& corners =
        mesh.deformedCornerNormals.size() >= size_t(mesh.faceCount) * 3 ? mesh.deformedCornerNormals : mesh.cornerNormals;
    const uint32_t faces = std::min<uint32_t>(mesh.faceCount, uint32_t(std::min(corners.size(), mesh.faceIndices.size()) / 3));
    for (uint32_t f = 0; f < faces; ++f) {
        const bool drawn = !(faceCodes[f] & CLIP_HIDDEN);
        const CTVector3 n = Vec3_NormalizeFast(XYZ(facePlanes[f]));
        for (int k = 0; k < 3; ++k) {
            if (!drawn && !(vertexCodes[mesh.faceIndices[3 * f + k]] & CLIP_USED)) continue;
            const uint16_t ni = corners[3 * f + k];
            if (ni >= count) continue;
            CTVector4& v = vertexNormals[ni];
            v = {v.x + n.x, v.y + n.y, v.z + n.z, 1.0f};
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        CTVector4& v = vertexNormals[i];
        if (v.w != 1.0f) continue;
        const CTVector3 n = Vec3_NormalizeFast(XYZ(v));
        v = {n.x, n.y, n.z, 1.0f};
    }
}

namespace {

// Position and normal of a lit-vertex slot: object space, or camera space for deformed meshes.
void SlotPoint(const CTGeometryPipeline& p, const CTMesh& mesh, size_t s, bool deformed, CTVector3& P, CTVector3& N)
{
    const CTLitSlot& slot = mesh.slots[s];
    if (deformed) {
        P = XYZ(p.cameraVertices[slot.vertex]);
        N = slot.normal < std::min(mesh.deformedNormalCount, p.normalCapacity) ? XYZ(p.vertexNormals[slot.normal])
                                                                               : CTVector3{};
    } else {
        P = slot.vertex < mesh.vertices.size() ? mesh.vertices[slot.vertex] : CTVector3{};
        N = XYZ(mesh.slotNormals[s]);
    }
}

}  // namespace

const uint32_t* CTGeometryPipeline::LightVertices(const CTCamera&, const CTFrame&, const CTMesh& mesh, DrawFlags flags)
{
    if (lightRecords.empty()) {
        if (currentColours) return currentColours;
        ForGroupSlots(*this, mesh, [&](const CTMaterial& m, size_t first, size_t count) {
            const uint32_t c = Pipe_PackColour(Vec4_Scale(m.colours[3], 255.0f));
            for (size_t s = first; s < first + count; ++s) vertexColours[s] = c;
        });
        return vertexColours.data();
    }
    const bool deformed = (flags & DF_DEFORMED) != 0;
    if (deformed) ComputeVertexNormals(mesh);
    CTVector4 ambientSum;
    for (const PipeLight& r : lightRecords)
        if (r.kind & LIGHT_AMBIENT) AddScaled(ambientSum, r.ambient, 1.0f);
    const uint32_t* current = currentColours;
    ForGroupSlots(*this, mesh, [&](const CTMaterial& m, size_t first, size_t count) {
        for (PipeLight& r : lightRecords) r.diffuseProduct = Mul(m.colours[0], r.diffuse);
        const CTVector4 ambient = Mul(m.colours[2], ambientSum);
        const CTVector4 emissive = Vec4_Scale(m.colours[3], 255.0f);
        for (size_t s = first; s < first + count; ++s) {
            if (!(vertexCodes[mesh.slots[s].vertex] & CLIP_USED)) continue;
            CTVector4 sum = current ? Unpack255(current[s]) : emissive;
            AddScaled(sum, ambient, 1.0f);
            CTVector3 P, N;
            SlotPoint(*this, mesh, s, deformed, P, N);
            for (const PipeLight& r : lightRecords) Pipe_LightVertexDiffuse(sum, r, P, N);
            vertexColours[s] = Pipe_PackColour(sum);
        }
    });
    return vertexColours.data();
}

const uint32_t* CTGeometryPipeline::LightVerticesSecondPass(const CTCamera&, const CTFrame&, const CTMesh& mesh,
                                                            DrawFlags flags)
{
    if (lightRecords.empty()) return specularColours.data();
    const bool deformed = (flags & DF_DEFORMED) != 0;
    if (deformed) ComputeVertexNormals(mesh);
    // Deformed vertices are in camera space, where the eye is the origin.
    const CTVector3 eye = deformed ? CTVector3{} : eyePoint;
    ForGroupSlots(*this, mesh, [&](const CTMaterial& m, size_t first, size_t count) {
        for (PipeLight& r : lightRecords) {
            if (!(r.kind & LIGHT_SPECULAR)) continue;
            r.specularProduct = Mul(m.colours[1], r.specular);
            r.K[4] = m.power;
        }
        for (size_t s = first; s < first + count; ++s) {
            if (!(vertexCodes[mesh.slots[s].vertex] & CLIP_USED)) continue;
            CTVector4 sum;
            CTVector3 P, N;
            SlotPoint(*this, mesh, s, deformed, P, N);
            for (const PipeLight& r : lightRecords)
                if (r.kind & LIGHT_SPECULAR) Pipe_LightVertexSpecular(sum, r, eye, P, N);
            specularColours[s] = Pipe_PackColour(sum);
        }
    });
    return specularColours.data();
}
