// Runtime mesh construction: planes, end markers, lit-vertex slots, bounds and block copies.
#include "engine3d/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/Orv_Log.h"

namespace {

CTVector4 FacePlane(const CTVector3& a, const CTVector3& b, const CTVector3& c)
{
    CTVector3 n = Vec3_Cross(Vec3_Sub(b, a), Vec3_Sub(c, a));
    const double len = std::sqrt(double(Vec3_Norm2(n)));
    if (!(len > 0.0) || !std::isfinite(len)) return {};
    n = Vec3_Scale(n, float(1.0 / len));
    return {n.x, n.y, n.z, Vec3_Dot(n, a)};
}

void SetFirstWord(float* f, uint32_t bits) { std::memcpy(f, &bits, sizeof bits); }

// Positions in blocks of four, the last vertex repeated up to the end.
void FillPositionBlocks(CTMesh& m)
{
    const size_t slots = m.blockPositions.size() / 3, n = std::min<size_t>(m.vertexCount, m.vertices.size());
    for (size_t i = 0; i < slots; ++i) {
        const CTVector3 v = n ? m.vertices[std::min(i, n - 1)] : CTVector3{};
        float* b = &m.blockPositions[i / 4 * 12 + i % 4];
        b[0] = v.x;
        b[4] = v.y;
        b[8] = v.z;
    }
}

bool BuildBlocks(CTMesh& m)
{
    const size_t vblocks = (size_t(m.vertexCount) + 7) / 8 * 2;
    const size_t fblocks = (size_t(m.faceCount) + 3) / 4;
    if (!m.blockPositions.Resize(vblocks * 12) || !m.blockPlanes.Resize((fblocks + 1) * 16)) return false;
    FillPositionBlocks(m);
    for (size_t f = 0; f < m.faceCount; ++f) {
        float* b = &m.blockPlanes[f / 4 * 16 + f % 4];
        const CTVector4& p = m.planes[f];
        b[0] = p.x;
        b[4] = p.y;
        b[8] = p.z;
        b[12] = p.w;
    }
    SetFirstWord(&m.blockPlanes[fblocks * 16], kMeshPlaneEnd);
    return true;
}

}  // namespace

CTBounds Mesh_ComputeBounds(const std::vector<CTVector3>& points)
{
    CTBounds b;
    if (points.empty()) return b;
    CTVector3 lo = points[0], hi = points[0];
    for (const CTVector3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    b.centre = Vec3_Scale(Vec3_Add(lo, hi), 0.5f);
    b.extent[0] = (hi.x - lo.x) * 0.5f;
    b.extent[1] = (hi.y - lo.y) * 0.5f;
    b.extent[2] = (hi.z - lo.z) * 0.5f;
    float r2 = 0.0f;
    for (const CTVector3& p : points) r2 = std::max(r2, Vec3_Norm2(Vec3_Sub(p, b.centre)));
    b.radius = std::sqrt(r2);
    return b;
}

bool Mesh_FromDb(const CTDbMesh& r, CTMesh& m, uint8_t flagByte, CTMaterialMap& materials)
{
    m = CTMesh{};
    const std::string why = DbMesh_Check(r);
    if (!why.empty()) {
        OrvError_Warning("Mesh %s: %s", r.name.c_str(), why.c_str());
        return false;
    }
    m.name = r.name;
    m.flags = r.flags | flagByte;
    m.vertexCount = uint32_t(r.vertices.size());
    m.faceCount = uint32_t(r.FaceCount());
    m.faceIndexCount = m.faceCount * 3;
    m.normalCount = uint32_t(r.normals.size());
    m.deformedNormalCount = uint32_t(r.deformedNormals.size());
    m.groupCount = uint32_t(r.groups.size());

    for (const CTDbMeshGroup& g : r.groups) {
        auto it = materials.find(g.material);
        m.groupMaterials.push_back(it != materials.end() ? &it->second : nullptr);
        m.groupFaces.push_back(g.faceCount);
    }
    m.vertices = r.vertices;
    m.matrixSelect = r.matrixSelect;
    m.matrixSelect.resize(m.vertexCount, 0);
    m.normals = r.normals;
    m.deformedNormals = r.deformedNormals;
    m.cornerNormals = r.cornerNormals;
    m.deformedCornerNormals = r.deformedCornerNormals;
    if (m.flags & MESH_TEXCOORDS) m.texCoords = r.texCoords;

    m.faceIndices = r.faces;
    m.faceIndices.insert(m.faceIndices.end(), 3, kMeshIndexEnd);
    m.planes.resize(m.faceCount + 1);
    for (uint32_t f = 0; f < m.faceCount; ++f)
        m.planes[f] = FacePlane(m.vertices[r.faces[3 * f]], m.vertices[r.faces[3 * f + 1]], m.vertices[r.faces[3 * f + 2]]);
    SetFirstWord(&m.planes[m.faceCount].x, kMeshPlaneEnd);

    // One slot per distinct (vertex, normal) pair within a group; a corner without a normal list
    // uses normal 0.
    m.faceColours.resize(m.faceIndexCount);
    size_t face = 0;
    for (const CTDbMeshGroup& g : r.groups) {
        std::map<uint32_t, uint16_t> seen;
        const size_t first = m.slots.size();
        for (size_t k = 0; k < g.faceCount; ++k, ++face) {
            for (size_t c = 3 * face; c < 3 * face + 3; ++c) {
                const uint16_t v = r.faces[c];
                const uint16_t n = c < r.cornerNormals.size() ? r.cornerNormals[c] : 0;
                const uint32_t key = uint32_t(v) << 16 | n;
                auto it = seen.find(key);
                if (it == seen.end()) {
                    if (m.slots.size() >= 0xFFFF) {
                        OrvError_Warning("Mesh %s: more than 65535 lit vertices", r.name.c_str());
                        m = CTMesh{};
                        return false;
                    }
                    it = seen.emplace(key, uint16_t(m.slots.size())).first;
                    m.slots.push_back({v, n});
                    const CTVector3 nv = n < m.normals.size() ? m.normals[n] : CTVector3{};
                    m.slotNormals.push_back({nv.x, nv.y, nv.z, 0.0f});
                }
                m.faceColours[c] = it->second;
            }
        }
        m.groupSlotCounts.push_back(uint16_t(m.slots.size() - first));
    }

    m.bounds = Mesh_ComputeBounds(m.vertices);
    // The block copies pad with the last vertex, so their box is the same.
    m.bounds2 = m.bounds;
    // Every rigid mesh has them, whatever the processor kind at load: the kind is read per object.
    if (!(m.flags & MESH_DEFORMED) && !BuildBlocks(m)) {
        OrvError_Warning("Mesh %s: no memory for the block copies", r.name.c_str());
        m = CTMesh{};
        return false;
    }
    return true;
}

void mesh_set_vertices(const std::vector<CTVector3>& points, CTMesh& mesh)
{
    const size_t n = std::min(points.size(), mesh.vertices.size());
    std::copy_n(points.begin(), n, mesh.vertices.begin());
    FillPositionBlocks(mesh);
}

void mesh_blend_vertices(const std::vector<CTVector3>& targets, float t, CTMesh& mesh)
{
    const size_t n = std::min(targets.size(), mesh.vertices.size());
    for (size_t i = 0; i < n; ++i) mesh.vertices[i] = Vec3_Lerp(mesh.vertices[i], targets[i], t);
    FillPositionBlocks(mesh);
}
