// CTMesh: the runtime mesh the pipeline draws, built from a database mesh record.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine3d/AlignedAlloc.h"
#include "engine3d/Camera.h"
#include "engine3d/DbRecords.h"
#include "engine3d/Material.h"
#include "engine3d/Vector.h"

enum : uint32_t {
    MESH_DEFORMED = 0x10,
    MESH_LIT = 0x20,
    MESH_TEXCOORDS = 0x100,
};

// End markers after the face planes and the face index triples.
inline constexpr uint32_t kMeshPlaneEnd = 0xFFFFFFFF;
inline constexpr uint16_t kMeshIndexEnd = 0xFFFF;

struct CTLitSlot {
    uint16_t vertex = 0;
    uint16_t normal = 0;
};

struct CTMesh {
    std::string name;
    // MESH_DEFORMED, MESH_LIT, MESH_TEXCOORDS, and the flag byte given to Mesh_FromDb.
    uint32_t flags = 0;
    // Axis-aligned box of the vertices; the second is the box of the block copies.
    CTBounds bounds;
    CTBounds bounds2;

    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;
    // Three per face.
    uint32_t faceIndexCount = 0;
    uint32_t normalCount = 0;
    uint32_t deformedNormalCount = 0;
    uint32_t groupCount = 0;

    // Per group: its material (null when the name is not in the material map) and face count.
    std::vector<CTMaterial*> groupMaterials;
    std::vector<uint16_t> groupFaces;
    std::vector<CTVector3> vertices;
    std::vector<uint8_t> matrixSelect;
    std::vector<CTVector3> normals;
    std::vector<CTVector3> deformedNormals;
    // faceCount planes (unit normal x, y, z and distance d = normal . first vertex; a degenerate face
    // has a zero plane) and one record whose first word is kMeshPlaneEnd.
    std::vector<CTVector4> planes;
    // faceIndexCount indices and one triple of kMeshIndexEnd.
    std::vector<uint16_t> faceIndices;
    // Per corner: the lit-vertex slot whose colour the corner takes.
    std::vector<uint16_t> faceColours;
    std::vector<uint16_t> cornerNormals;
    std::vector<uint16_t> deformedCornerNormals;
    // Two floats per corner when MESH_TEXCOORDS.
    std::vector<float> texCoords;
    // Lit-vertex slots: one per distinct (vertex, normal) pair of a group, group after group.
    std::vector<uint16_t> groupSlotCounts;
    std::vector<CTLitSlot> slots;
    std::vector<CTVector4> slotNormals;

    // Rigid meshes, for processor kind 9: positions in blocks of four vertices (x0..x3, y0..y3,
    // z0..z3) for the vertex count rounded up to 8, padded with the last vertex; planes in blocks of
    // four faces (nx, ny, nz, d lanes) for the face count rounded up to 4, padded with zero planes,
    // then one block whose first word is kMeshPlaneEnd.
    CTAlignedArray<float> blockPositions;
    CTAlignedArray<float> blockPlanes;
};

using CTMeshMap = std::map<std::string, CTMesh>;

// Builds the runtime mesh; flagByte is ORed into the flag word (0x10 makes it deformed). Group
// materials are found by name. False (reported) when the mesh needs more than 65535 lit-vertex slots
// or memory for its block copies.
bool Mesh_FromDb(const CTDbMesh& record, CTMesh& out, uint8_t flagByte, CTMaterialMap& materials);

// Axis-aligned box of the points: centre, unit axes, half extents, radius (largest distance from
// the centre). Zero for no points.
CTBounds Mesh_ComputeBounds(const std::vector<CTVector3>& points);

// Copies the points into the mesh's vertices, as many as both have (block copies follow).
void mesh_set_vertices(const std::vector<CTVector3>& points, CTMesh& mesh);
// Moves each mesh vertex v to v + (target - v) x t, for as many vertices as both have (block copies
// follow).
void mesh_blend_vertices(const std::vector<CTVector3>& targets, float t, CTMesh& mesh);
