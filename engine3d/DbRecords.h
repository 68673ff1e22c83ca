// Records of a loaded ".db" scene database, as the file holds them (layout: docs/db-format.md).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine3d/Camera.h"
#include "engine3d/Quaternion.h"
#include "engine3d/Vector.h"

// A texture map; its name is the map's file name.
struct CTDbTexture {
    std::string name;
    uint32_t flags = 0;
};

struct CTDbMaterial {
    std::string name;
    // Name of a texture record of the same database, or empty.
    std::string textureName;
    // The map file name, by which Material_FromDb finds the texture.
    std::string mapFile;
    // Diffuse, specular, ambient, emissive: red, green, blue, alpha in 0..1.
    CTVector4 colours[4];
    float power = 0.0f;
    // 0..1; the runtime diffuse alpha is 1 - transparency.
    float transparency = 0.0f;
    // 0x1: colour-keyed palettised texture.
    uint32_t flags = 0;
};

// Faces are stored group after group; a group draws its faces with one material.
struct CTDbMeshGroup {
    std::string material;
    uint16_t faceCount = 0;
};

struct CTDbMesh {
    std::string name;
    // 0x10 deformed two-matrix mesh, 0x20 lit, 0x100 own texture coordinates.
    uint32_t flags = 0;
    std::vector<CTVector3> vertices;
    // Per vertex; bit 0: follows the parent frame (two-matrix meshes).
    std::vector<uint8_t> matrixSelect;
    std::vector<CTVector3> normals;
    std::vector<CTDbMeshGroup> groups;
    // Three vertex indices per face.
    std::vector<uint16_t> faces;
    // Three normal indices per face.
    std::vector<uint16_t> cornerNormals;
    // Deformed meshes (flag 0x10): their own normals and corner-to-normal list.
    std::vector<CTVector3> deformedNormals;
    std::vector<uint16_t> deformedCornerNormals;
    // Flag 0x100: u, v per face corner.
    std::vector<float> texCoords;

    size_t FaceCount() const { return faces.size() / 3; }
};

// Why a mesh record is unusable (counts, indices, groups, list sizes), or empty when it is sound.
std::string DbMesh_Check(const CTDbMesh& mesh);

struct CTDbObject {
    std::string name;
    // Empty: no geometry.
    std::string meshName;
    // Empty: a top-level object.
    std::string parentName;
    CTQuaternion rotation;
    CTVector3 position;
    float scale = 1.0f;
    uint32_t flags = 0;
};

struct CTDbLight {
    std::string name;
    uint32_t flags = 0;
    // Packed 0xAARRGGBB.
    uint32_t colours[3] = {0, 0, 0};
    float intensity = 1.0f;
    float values[3] = {0, 0, 0};
    float coneAngle = 0.0f;
    CTVector3 position;
    CTQuaternion orientation;
};

// A camera placed in the world. The screen (centre, clip rectangle, pixel aspect) is not part of it:
// it stays the one of the camera the record is applied to.
struct CTDbCamera {
    std::string name;
    CTVector3 position;
    CTQuaternion rotation;
    // 1 perspective, 2 parallel, 4 eye point.
    uint32_t projection = CAMERA_PERSPECTIVE;
    // Perspective and eye point: the angle (radians) spanned by the clip rectangle's width.
    float fieldOfView = 1.3264502f;
    float nearDist = 1.0f;
    float farDist = 1000.0f;
    // Eye point of the eye-point kind, in camera space.
    CTVector3 eye;
    // Parallel: camera-space width spanned by the clip rectangle's width.
    float parallelWidth = 1.0f;
};

template <class V>
struct CTDbKey {
    float time = 0.0f;
    V value{};
};

struct CTDbMorphKey {
    float time = 0.0f;
    std::string target;
    std::vector<CTVector3> vertices;
};

// The animation of the object of the same name; times are in frames and never decrease.
struct CTDbAnimation {
    std::string name;
    // Empty: a top-level track.
    std::string parentName;
    // Frame count of the animation.
    uint32_t length = 0;
    std::vector<CTDbKey<CTQuaternion>> rotationKeys;
    std::vector<CTDbKey<CTVector3>> positionKeys;
    std::vector<CTDbKey<float>> scaleKeys;
    std::vector<CTDbMorphKey> morphKeys;
};
