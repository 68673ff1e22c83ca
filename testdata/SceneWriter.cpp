// Generated 3D scenes for the render tests and benchmarks.
#include "testdata/SceneWriter.h"

#include <algorithm>
#include <cmath>

#include "testdata/DbWriter.h"

namespace {

constexpr float kPi = 3.14159265f;

// Appends a triangle turned so that its normal (b - a) x (c - a) points along outward.
void AddTriangle(CTDbMesh& m, uint16_t a, uint16_t b, uint16_t c, const CTVector3& outward,
                 const float (&uv)[6])
{
    const CTVector3 n = Vec3_Cross(Vec3_Sub(m.vertices[b], m.vertices[a]), Vec3_Sub(m.vertices[c], m.vertices[a]));
    if (Vec3_Dot(n, outward) >= 0.0f) {
        m.faces.insert(m.faces.end(), {a, b, c});
        m.texCoords.insert(m.texCoords.end(), uv, uv + 6);
    } else {
        m.faces.insert(m.faces.end(), {a, c, b});
        m.texCoords.insert(m.texCoords.end(), {uv[0], uv[1], uv[4], uv[5], uv[2], uv[3]});
    }
}

uint16_t AddVertex(CTDbMesh& m, const CTVector3& p)
{
    m.vertices.push_back(p);
    m.matrixSelect.push_back(0);
    return uint16_t(m.vertices.size() - 1);
}

void Finish(CTDbMesh& m, std::vector<CTDbMeshGroup> groups)
{
    m.groups = std::move(groups);
    m.flags |= 0x100;
}

void AddQuad(CTDbMesh& m, const CTVector3 (&p)[4], const CTVector3& outward)
{
    uint16_t v[4];
    for (int i = 0; i < 4; ++i) v[i] = AddVertex(m, p[i]);
    AddTriangle(m, v[0], v[1], v[2], outward, {0, 0, 1, 0, 1, 1});
    AddTriangle(m, v[0], v[2], v[3], outward, {0, 0, 1, 1, 0, 1});
}

CTDbCamera Camera()
{
    CTDbCamera c;
    c.name = "Cam";
    c.position = {0, 0, -8};
    c.fieldOfView = 1.0f;
    c.nearDist = 1.0f;
    c.farDist = 100.0f;
    return c;
}

}  // namespace

CTDbMaterial SceneWriter_Material(const std::string& name, const CTVector4& diffuse, const std::string& map,
                                  float transparency)
{
    CTDbMaterial m;
    m.name = name;
    m.textureName = map;
    m.mapFile = map;
    m.colours[0] = diffuse;
    m.colours[1] = {0.2f, 0.2f, 0.2f, 1.0f};
    m.colours[2] = {0.3f, 0.3f, 0.3f, 1.0f};
    m.colours[3] = {0.1f, 0.1f, 0.1f, 1.0f};
    m.power = 8.0f;
    m.transparency = transparency;
    return m;
}

CTDbMesh SceneWriter_Sphere(const std::string& name, float radius, int rings, int segments, const std::string& material)
{
    CTDbMesh m;
    m.name = name;
    auto at = [&](int i, int j) {
        const float t = kPi * float(i) / float(rings), f = 2.0f * kPi * float(j) / float(segments);
        return CTVector3{radius * std::sin(t) * std::cos(f), -radius * std::cos(t), radius * std::sin(t) * std::sin(f)};
    };
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j <= segments; ++j) AddVertex(m, at(i, j));
    auto index = [&](int i, int j) { return uint16_t(i * (segments + 1) + j); };
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            const uint16_t a = index(i, j), b = index(i + 1, j), c = index(i + 1, j + 1), d = index(i, j + 1);
            const float u0 = float(j) / float(segments), u1 = float(j + 1) / float(segments);
            const float v0 = float(i) / float(rings), v1 = float(i + 1) / float(rings);
            const CTVector3 mid = Vec3_Scale(Vec3_Add(m.vertices[a], m.vertices[c]), 0.5f);
            if (i != rings - 1) AddTriangle(m, a, b, c, mid, {u0, v0, u0, v1, u1, v1});
            if (i != 0) AddTriangle(m, a, c, d, mid, {u0, v0, u1, v1, u1, v0});
        }
    }
    Finish(m, {{material, uint16_t(m.faces.size() / 3)}});
    return m;
}

CTDbMesh SceneWriter_Grid(const std::string& name, int nx, int nz, float cell, const std::string& material)
{
    CTDbMesh m;
    m.name = name;
    const float x0 = -0.5f * cell * float(nx), z0 = -0.5f * cell * float(nz);
    for (int i = 0; i < nx; ++i) {
        for (int k = 0; k < nz; ++k) {
            const float x = x0 + cell * float(i), z = z0 + cell * float(k);
            AddQuad(m, {{x, 0, z}, {x + cell, 0, z}, {x + cell, 0, z + cell}, {x, 0, z + cell}}, {0, -1, 0});
        }
    }
    Finish(m, {{material, uint16_t(m.faces.size() / 3)}});
    return m;
}

CTDbMesh SceneWriter_Box(const std::string& name, float h, const std::string& sides, const std::string& caps)
{
    CTDbMesh m;
    m.name = name;
    for (int s = 0; s < 4; ++s) {
        // Side s faces along (cos, 0, sin) of s quarter turns.
        const float cx = float(s == 0) - float(s == 2), cz = float(s == 1) - float(s == 3);
        const CTVector3 out{cx, 0, cz}, along{-cz, 0, cx};
        CTVector3 p[4];
        for (int k = 0; k < 4; ++k) {
            const float a = (k == 1 || k == 2) ? h : -h, y = k >= 2 ? h : -h;
            p[k] = {cx * h + along.x * a, y, cz * h + along.z * a};
        }
        AddQuad(m, p, out);
    }
    for (int t = 0; t < 2; ++t) {
        const float y = t ? h : -h;
        AddQuad(m, {{-h, y, -h}, {h, y, -h}, {h, y, h}, {-h, y, h}}, {0, y, 0});
    }
    Finish(m, {{sides, 8}, {caps, 4}});
    return m;
}

CTDbMesh SceneWriter_Panel(const std::string& name, float h, const std::string& material)
{
    CTDbMesh m;
    m.name = name;
    AddQuad(m, {{-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0}}, {0, 0, -1});
    Finish(m, {{material, 2}});
    return m;
}

TgaImage SceneWriter_BrickPicture(int w, int h)
{
    TgaImage img;
    img.width = w;
    img.height = h;
    img.type = 2;
    img.bitsPerPixel = 24;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int row = y / 8, shift = (row & 1) * 8;
            const bool mortar = y % 8 == 0 || (x + shift) % 16 == 0;
            const uint32_t r = mortar ? 0xC8 : uint32_t(0x90 + (x * 3 + y * 5) % 0x40);
            const uint32_t g = mortar ? 0xC8 : uint32_t(0x30 + (x + y) % 0x20);
            const uint32_t b = mortar ? 0xB4 : 0x28;
            img.pixels.push_back(0xFF000000 | r << 16 | g << 8 | b);
        }
    }
    return img;
}

TgaImage SceneWriter_StonePicture()
{
    TgaImage img;
    img.width = 40;
    img.height = 24;
    img.type = 1;
    img.bitsPerPixel = 8;
    for (int i = 0; i < 16; ++i) {
        const uint32_t v = uint32_t(0x50 + i * 8);
        img.palette.push_back(0xFF000000 | v << 16 | (v - 0x10) << 8 | (v - 0x30));
    }
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) img.pixels.push_back(uint32_t((x / 5 + y / 3 + (x * y) % 3) % 16));
    return img;
}

CTDataBase SceneWriter_RenderScene()
{
    CTDataBase db;
    db.version = kDbVersionMax;
    DbWriter_Add(db.textures, CTDbTexture{"brick.tga", 0});
    DbWriter_Add(db.textures, CTDbTexture{"stone.tga", 0});
    DbWriter_Add(db.materials, SceneWriter_Material("Brick", {1, 1, 1, 1}, "brick.tga", 0.0f));
    DbWriter_Add(db.materials, SceneWriter_Material("Stone", {1, 1, 1, 1}, "stone.tga", 0.0f));
    DbWriter_Add(db.materials, SceneWriter_Material("Red", {0.9f, 0.1f, 0.1f, 1}, "", 0.0f));
    DbWriter_Add(db.meshes, SceneWriter_Grid("Ground", 8, 8, 4.0f, "Stone"));
    DbWriter_Add(db.meshes, SceneWriter_Sphere("Ball", 1.5f, 10, 16, "Brick"));
    DbWriter_Add(db.meshes, SceneWriter_Box("Moon", 0.6f, "Brick", "Red"));
    DbWriter_Add(db.objects, DbWriter_Object("Ground", "Ground", "", {0, 2, 8}));
    DbWriter_Add(db.objects, DbWriter_Object("Ball", "Ball", "", {0, 0, 4}));
    DbWriter_Add(db.objects, DbWriter_Object("Moon", "Moon", "Ball", {2.8f, -0.5f, 0}));
    DbWriter_Add(db.cameras, Camera());

    CTDbAnimation ball;
    ball.name = "Ball";
    ball.length = 24;
    ball.rotationKeys = {{0, CTQuaternion{}},
                         {12, CTQuaternion::FromAxisAngle({0, 1, 0}, 2.0f)},
                         {24, CTQuaternion::FromAxisAngle({0, 1, 0}, 4.0f)}};
    ball.positionKeys = {{0, {-1, -0.5f, 4}}, {12, {1, 0.5f, 5}}, {24, {-1, -0.5f, 4}}};
    DbWriter_Add(db.animations, ball);
    CTDbAnimation moon;
    moon.name = "Moon";
    moon.parentName = "Ball";
    moon.length = 24;
    moon.rotationKeys = {{0, CTQuaternion{}}, {24, CTQuaternion::FromAxisAngle({1, 1, 0}, 3.0f)}};
    DbWriter_Add(db.animations, moon);
    return db;
}

bool SceneWriter_SaveRenderScene(const std::string& dir, const std::string& name)
{
    return DbWriter_Save(dir + name, SceneWriter_RenderScene()) &&
           TgaWriter_Save(dir + "brick.tga", SceneWriter_BrickPicture(64, 64)) &&
           TgaWriter_Save(dir + "stone.tga", SceneWriter_StonePicture());
}

CTDataBase SceneWriter_BenchScene(int triangles)
{
    CTDataBase db;
    db.version = kDbVersionMax;
    DbWriter_Add(db.textures, CTDbTexture{"brick.tga", 0});
    DbWriter_Add(db.materials, SceneWriter_Material("Brick", {1, 1, 1, 1}, "brick.tga", 0.0f));
    // Twelve spheres of r rings and 2r segments: 4r^2 - 4r triangles each.
    const double perSphere = std::max(triangles / 12, 8);
    const int rings = std::max(2, int(std::lround((1.0 + std::sqrt(1.0 + perSphere)) / 2.0)));
    DbWriter_Add(db.meshes, SceneWriter_Sphere("Ball", 1.2f, rings, 2 * rings, "Brick"));
    for (int i = 0; i < 12; ++i) {
        const float x = -4.5f + 3.0f * float(i % 4), y = -3.0f + 3.0f * float(i / 4);
        DbWriter_Add(db.objects, DbWriter_Object("Ball" + std::to_string(i), "Ball", "", {x, y, 8.0f}));
    }
    DbWriter_Add(db.cameras, Camera());
    return db;
}
