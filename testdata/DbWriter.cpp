// Writer of ".db" scene databases and the sample scene.
#include "testdata/DbWriter.h"

#include <cstring>

#include "testdata/TempDir.h"

namespace {

class Out {
public:
    std::vector<uint8_t> bytes;

    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v)
    {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void F32(float f)
    {
        uint32_t b;
        std::memcpy(&b, &f, 4);
        U32(b);
    }
    void Vec3(const CTVector3& v)
    {
        F32(v.x);
        F32(v.y);
        F32(v.z);
    }
    void Vec4(const CTVector4& v)
    {
        Vec3({v.x, v.y, v.z});
        F32(v.w);
    }
    void Quat(const CTQuaternion& q) { Vec4({q.x, q.y, q.z, q.w}); }
    void Str(const std::string& s)
    {
        U16(uint16_t(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    void Indices(const std::vector<uint16_t>& v)
    {
        for (uint16_t i : v) U16(i);
    }
    void Vectors(const std::vector<CTVector3>& v)
    {
        for (const CTVector3& p : v) Vec3(p);
    }
};

void Put(Out& o, const CTDbTexture& t)
{
    o.Str(t.name);
    o.U32(t.flags);
}

void Put(Out& o, const CTDbMaterial& m)
{
    o.Str(m.name);
    o.Str(m.textureName);
    o.Str(m.mapFile);
    for (const CTVector4& c : m.colours) o.Vec4(c);
    o.F32(m.power);
    o.F32(m.transparency);
    o.U32(m.flags);
}

void Put(Out& o, const CTDbMesh& m)
{
    o.Str(m.name);
    o.U32(m.flags);
    o.U32(uint32_t(m.vertices.size()));
    o.U32(uint32_t(m.normals.size()));
    o.U32(uint32_t(m.FaceCount()));
    o.U32(uint32_t(m.groups.size()));
    o.U32(uint32_t(m.deformedNormals.size()));
    o.Vectors(m.vertices);
    for (size_t i = 0; i < m.vertices.size(); ++i) o.U8(i < m.matrixSelect.size() ? m.matrixSelect[i] : 0);
    o.Vectors(m.normals);
    for (const CTDbMeshGroup& g : m.groups) {
        o.Str(g.material);
        o.U16(g.faceCount);
    }
    o.Indices(m.faces);
    o.Indices(m.cornerNormals);
    o.Vectors(m.deformedNormals);
    o.Indices(m.deformedCornerNormals);
    for (float f : m.texCoords) o.F32(f);
}

void Put(Out& o, const CTDbObject& ob)
{
    o.Str(ob.name);
    o.Str(ob.meshName);
    o.Str(ob.parentName);
    o.Quat(ob.rotation);
    o.Vec3(ob.position);
    o.F32(ob.scale);
    o.U32(ob.flags);
}

void Put(Out& o, const CTDbLight& l)
{
    o.Str(l.name);
    o.U32(l.flags);
    for (uint32_t c : l.colours) o.U32(c);
    o.F32(l.intensity);
    for (float v : l.values) o.F32(v);
    o.F32(l.coneAngle);
    o.Vec3(l.position);
    o.Quat(l.orientation);
}

void Put(Out& o, const CTDbCamera& c)
{
    o.Str(c.name);
    o.Vec3(c.position);
    o.Quat(c.rotation);
    o.U32(c.projection);
    o.F32(c.fieldOfView);
    o.F32(c.nearDist);
    o.F32(c.farDist);
    o.Vec3(c.eye);
    o.F32(c.parallelWidth);
}

void Put(Out& o, const CTDbAnimation& a)
{
    o.Str(a.name);
    o.Str(a.parentName);
    o.U32(a.length);
    o.U32(uint32_t(a.rotationKeys.size()));
    o.U32(uint32_t(a.positionKeys.size()));
    o.U32(uint32_t(a.scaleKeys.size()));
    o.U32(uint32_t(a.morphKeys.size()));
    for (const auto& k : a.rotationKeys) {
        o.F32(k.time);
        o.Quat(k.value);
    }
    for (const auto& k : a.positionKeys) {
        o.F32(k.time);
        o.Vec3(k.value);
    }
    for (const auto& k : a.scaleKeys) {
        o.F32(k.time);
        o.F32(k.value);
    }
    for (const auto& k : a.morphKeys) {
        o.F32(k.time);
        o.Str(k.target);
        o.U32(uint32_t(k.vertices.size()));
        o.Vectors(k.vertices);
    }
}

template <class T>
void PutAll(Out& file, uint32_t& count, uint32_t kind, const std::map<std::string, T>& map)
{
    for (const auto& [name, rec] : map) {
        Out payload;
        Put(payload, rec);
        file.U32(kind);
        file.U32(uint32_t(payload.bytes.size()));
        file.bytes.insert(file.bytes.end(), payload.bytes.begin(), payload.bytes.end());
        ++count;
    }
}

CTVector4 Rgba(float r, float g, float b, float a = 1.0f) { return {r, g, b, a}; }

CTDbMaterial Material(const std::string& name, CTVector4 diffuse, const std::string& map, float transparency)
{
    CTDbMaterial m;
    m.name = name;
    m.textureName = map;
    m.mapFile = map;
    m.colours[0] = diffuse;
    m.colours[1] = Rgba(1, 1, 1);
    m.colours[2] = Rgba(0.2f, 0.2f, 0.2f);
    m.colours[3] = Rgba(0, 0, 0);
    m.power = 8.0f;
    m.transparency = transparency;
    return m;
}

CTDbMesh Cube()
{
    CTDbMesh m;
    m.name = "Cube";
    m.flags = MESH_LIT | MESH_TEXCOORDS;
    for (int i = 0; i < 8; ++i) m.vertices.push_back({i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
    m.matrixSelect.assign(8, 0);
    // Quads a, b, c, d seen from outside counter-clockwise (normal (b - a) x (c - a) outward).
    const uint16_t quads[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    const CTVector3 normals[6] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (int q = 0; q < 6; ++q) {
        const uint16_t* v = quads[q];
        m.faces.insert(m.faces.end(), {v[0], v[1], v[2], v[0], v[2], v[3]});
        m.cornerNormals.insert(m.cornerNormals.end(), 6, uint16_t(q));
        m.normals.push_back(normals[q]);
        m.texCoords.insert(m.texCoords.end(), {0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1});
    }
    m.groups = {{"Checker", 8}, {"Red", 4}};
    return m;
}

std::vector<CTVector3> Quad(float lift) { return {{-1, -1, 0}, {1, -1, lift}, {1, 1, 0}, {-1, 1, lift}}; }

CTDbMesh FaceMesh()
{
    CTDbMesh m;
    m.name = "Face-d";
    m.flags = MESH_DEFORMED | MESH_LIT;
    m.vertices = Quad(0.0f);
    m.matrixSelect = {0, 1, 0, 1};
    m.faces = {0, 1, 2, 0, 2, 3};
    m.normals = {{0, 0, 1}};
    m.cornerNormals.assign(6, 0);
    m.deformedNormals = {{0, 0, 1}};
    m.deformedCornerNormals.assign(6, 0);
    m.groups = {{"Glass", 2}};
    return m;
}

}  // namespace

CTDbObject DbWriter_Object(const std::string& name, const std::string& mesh, const std::string& parent, CTVector3 pos)
{
    CTDbObject o;
    o.name = name;
    o.meshName = mesh;
    o.parentName = parent;
    o.position = pos;
    return o;
}

std::vector<uint8_t> DbWriter_Encode(const CTDataBase& db, uint32_t version)
{
    Out body;
    uint32_t count = 0;
    PutAll(body, count, DB_TEXTURE, db.textures);
    PutAll(body, count, DB_MATERIAL, db.materials);
    PutAll(body, count, DB_MESH, db.meshes);
    PutAll(body, count, DB_OBJECT, db.objects);
    PutAll(body, count, DB_LIGHT, db.lights);
    PutAll(body, count, DB_CAMERA, db.cameras);
    PutAll(body, count, DB_ANIMATION, db.animations);
    Out file;
    for (char c : kDbMagic) file.U8(uint8_t(c));
    file.U32(version);
    file.U32(count);
    file.U32(uint32_t(kDbHeaderSize + body.bytes.size()));
    file.bytes.insert(file.bytes.end(), body.bytes.begin(), body.bytes.end());
    return file.bytes;
}

bool DbWriter_Save(const std::string& path, const CTDataBase& db, uint32_t version)
{
    const std::vector<uint8_t> bytes = DbWriter_Encode(db, version);
    return WriteFileBytes(path, bytes.data(), bytes.size());
}

CTDataBase DbWriter_SampleScene()
{
    CTDataBase db;
    db.version = kDbVersionMax;
    DbWriter_Add(db.textures, CTDbTexture{"checker.tga", 0});
    DbWriter_Add(db.materials, Material("Checker", Rgba(1, 1, 1), "checker.tga", 0.0f));
    DbWriter_Add(db.materials, Material("Red", Rgba(0.8f, 0.1f, 0.1f), "", 0.0f));
    DbWriter_Add(db.materials, Material("Glass", Rgba(0.6f, 0.8f, 1.0f), "", 0.5f));
    DbWriter_Add(db.meshes, Cube());
    DbWriter_Add(db.meshes, FaceMesh());
    DbWriter_Add(db.objects, DbWriter_Object("Body", "Cube", "", {0, 0, 10}));
    DbWriter_Add(db.objects, DbWriter_Object("Head", "Face-d", "Body", {0, -2, 0}));
    DbWriter_Add(db.objects, DbWriter_Object("Pivot", "", "", {4, 0, 12}));
    CTDbObject arm = DbWriter_Object("Arm", "Cube", "Pivot", {0, 1, 0});
    arm.scale = 0.5f;
    arm.rotation = CTQuaternion::FromAxisAngle({0, 0, 1}, 0.5f);
    DbWriter_Add(db.objects, arm);

    CTDbLight sun;
    sun.name = "Sun";
    sun.flags = 0x02;
    sun.colours[0] = 0xFFFFFFFF;
    sun.colours[1] = 0xFF808080;
    sun.colours[2] = 0xFF000000;
    sun.intensity = 0.75f;
    sun.orientation = CTQuaternion::FromAxisAngle({1, 0, 0}, 0.3f);
    DbWriter_Add(db.lights, sun);

    CTDbCamera cam;
    cam.name = "Cam1";
    cam.position = {0, 0, -10};
    cam.fieldOfView = 1.0f;
    cam.nearDist = 1.5f;
    cam.farDist = 200.0f;
    DbWriter_Add(db.cameras, cam);

    CTDbAnimation body;
    body.name = "Body";
    body.length = 20;
    body.rotationKeys = {{0, CTQuaternion{}}, {10, CTQuaternion::FromAxisAngle({0, 1, 0}, 1.0f)}};
    body.positionKeys = {{0, {0, 0, 10}}, {10, {2, 0, 10}}, {20, {2, 4, 10}}};
    body.scaleKeys = {{5, 1.0f}, {15, 2.0f}};
    DbWriter_Add(db.animations, body);
    CTDbAnimation head;
    head.name = "Head";
    head.parentName = "Body";
    head.length = 20;
    head.positionKeys = {{0, {0, -2, 0}}};
    DbWriter_Add(db.animations, head);
    CTDbAnimation morph;
    morph.name = "morphing";
    morph.length = 20;
    morph.morphKeys = {{0, "Face-a", Quad(0.5f)}, {10, "Face-b", Quad(-0.5f)}};
    DbWriter_Add(db.animations, morph);
    return db;
}
