// ".db" reader with full validation, mesh preparation and the object tree.
#include "engine3d/Database.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"

namespace {

// Bounds-checked little-endian reader over one record's payload; the first failure sticks.
class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    size_t left() const { return size_t(end_ - p_); }
    void Fail(const std::string& why)
    {
        if (error_.empty()) error_ = why;
    }

    uint32_t U32()
    {
        uint8_t b[4] = {0, 0, 0, 0};
        Bytes(b, 4);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    uint16_t U16()
    {
        uint8_t b[2] = {0, 0};
        Bytes(b, 2);
        return uint16_t(b[0] | b[1] << 8);
    }
    uint8_t U8()
    {
        uint8_t b = 0;
        Bytes(&b, 1);
        return b;
    }
    float F32()
    {
        const uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, 4);
        if (!std::isfinite(f)) {
            Fail("a value that is not a finite number");
            return 0.0f;
        }
        return f;
    }
    CTVector3 Vec3()
    {
        const float x = F32(), y = F32(), z = F32();
        return {x, y, z};
    }
    CTVector4 Vec4()
    {
        const float x = F32(), y = F32(), z = F32(), w = F32();
        return {x, y, z, w};
    }
    CTQuaternion Quat()
    {
        const CTVector4 v = Vec4();
        if (ok() && v.x == 0 && v.y == 0 && v.z == 0 && v.w == 0) Fail("a zero rotation");
        return {v.x, v.y, v.z, v.w};
    }
    std::string Str()
    {
        const uint16_t n = U16();
        if (!Need(n)) return {};
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        if (s.find('\0') != std::string::npos) Fail("a name holding a zero byte");
        return s;
    }
    // A count whose elements of at least minBytes each fit in what is left of the payload.
    uint32_t Count(size_t minBytes, uint32_t max, const char* what)
    {
        const uint32_t n = U32();
        if (!ok()) return 0;
        if (n > max) {
            Fail(std::string(what) + " count " + std::to_string(n) + " above " + std::to_string(max));
            return 0;
        }
        if (minBytes && n > left() / minBytes) {
            Fail(std::string(what) + " count " + std::to_string(n) + " beyond the record");
            return 0;
        }
        return n;
    }

private:
    bool Need(size_t n)
    {
        if (!ok()) return false;
        if (n > left()) {
            Fail("a record shorter than its contents");
            return false;
        }
        return true;
    }
    void Bytes(uint8_t* out, size_t n)
    {
        if (!Need(n)) return;
        std::memcpy(out, p_, n);
        p_ += n;
    }

    const uint8_t* p_;
    const uint8_t* end_;
    std::string error_;
};

bool InUnit(float v) { return v >= 0.0f && v <= 1.0f; }

CTDbTexture ReadTexture(Reader& r)
{
    CTDbTexture t;
    t.name = r.Str();
    t.flags = r.U32();
    return t;
}

CTDbMaterial ReadMaterial(Reader& r)
{
    CTDbMaterial m;
    m.name = r.Str();
    m.textureName = r.Str();
    m.mapFile = r.Str();
    for (CTVector4& c : m.colours) {
        c = r.Vec4();
        if (r.ok() && !(InUnit(c.x) && InUnit(c.y) && InUnit(c.z) && InUnit(c.w))) r.Fail("a colour outside 0..1");
    }
    m.power = r.F32();
    m.transparency = r.F32();
    m.flags = r.U32();
    if (r.ok() && !(m.power >= 0.0f)) r.Fail("a negative specular power");
    if (r.ok() && !InUnit(m.transparency)) r.Fail("a transparency outside 0..1");
    return m;
}

void ReadIndices(Reader& r, std::vector<uint16_t>& out, size_t n)
{
    out.resize(n);
    for (uint16_t& i : out) i = r.U16();
}

void ReadVectors(Reader& r, std::vector<CTVector3>& out, size_t n)
{
    out.resize(n);
    for (CTVector3& v : out) v = r.Vec3();
}

CTDbMesh ReadMesh(Reader& r)
{
    CTDbMesh m;
    m.name = r.Str();
    m.flags = r.U32();
    const uint32_t vc = r.Count(13, 0xFFFF, "vertex");
    const uint32_t nc = r.Count(12, 0xFFFF, "normal");
    const uint32_t fc = r.Count(6, 0xFFFFFF, "face");
    const uint32_t gc = r.Count(4, 0xFFFF, "group");
    const uint32_t dc = r.Count(12, 0xFFFF, "deformed normal");
    ReadVectors(r, m.vertices, vc);
    m.matrixSelect.resize(vc);
    for (uint8_t& b : m.matrixSelect) b = r.U8();
    ReadVectors(r, m.normals, nc);
    m.groups.resize(gc);
    for (CTDbMeshGroup& g : m.groups) {
        g.material = r.Str();
        g.faceCount = r.U16();
    }
    ReadIndices(r, m.faces, size_t(fc) * 3);
    if (nc) ReadIndices(r, m.cornerNormals, size_t(fc) * 3);
    ReadVectors(r, m.deformedNormals, dc);
    if (dc) ReadIndices(r, m.deformedCornerNormals, size_t(fc) * 3);
    if (m.flags & MESH_TEXCOORDS) {
        m.texCoords.resize(size_t(fc) * 6);
        for (float& f : m.texCoords) f = r.F32();
    }
    if (r.ok()) {
        const std::string why = DbMesh_Check(m);
        if (!why.empty()) r.Fail("mesh " + m.name + ": " + why);
    }
    return m;
}

CTDbObject ReadObject(Reader& r)
{
    CTDbObject o;
    o.name = r.Str();
    o.meshName = r.Str();
    o.parentName = r.Str();
    o.rotation = r.Quat();
    o.position = r.Vec3();
    o.scale = r.F32();
    o.flags = r.U32();
    if (r.ok() && !(o.scale > 0.0f)) r.Fail("object " + o.name + ": a scale that is not positive");
    return o;
}

CTDbLight ReadLight(Reader& r)
{
    CTDbLight l;
    l.name = r.Str();
    l.flags = r.U32();
    for (uint32_t& c : l.colours) c = r.U32();
    l.intensity = r.F32();
    for (float& v : l.values) v = r.F32();
    l.coneAngle = r.F32();
    l.position = r.Vec3();
    l.orientation = r.Quat();
    return l;
}

CTDbCamera ReadCamera(Reader& r)
{
    CTDbCamera c;
    c.name = r.Str();
    c.position = r.Vec3();
    c.rotation = r.Quat();
    c.projection = r.U32();
    c.fieldOfView = r.F32();
    c.nearDist = r.F32();
    c.farDist = r.F32();
    c.eye = r.Vec3();
    c.parallelWidth = r.F32();
    if (!r.ok()) return c;
    if (c.projection != CAMERA_PERSPECTIVE && c.projection != CAMERA_PARALLEL && c.projection != CAMERA_EYEPOINT)
        r.Fail("camera " + c.name + ": unknown projection kind " + std::to_string(c.projection));
    else if (!(c.fieldOfView > 0.0f && c.fieldOfView < 3.14159265f))
        r.Fail("camera " + c.name + ": field of view outside (0, pi)");
    else if (!(c.nearDist > 0.0f && c.farDist > c.nearDist))
        r.Fail("camera " + c.name + ": near and far planes out of order");
    else if (!(c.parallelWidth > 0.0f))
        r.Fail("camera " + c.name + ": parallel width that is not positive");
    return c;
}

template <class K, class F>
void ReadKeys(Reader& r, std::vector<K>& keys, uint32_t n, const char* what, F readValue)
{
    keys.resize(n);
    float last = -INFINITY;
    for (K& k : keys) {
        k.time = r.F32();
        readValue(k);
        if (!r.ok()) return;
        if (k.time < last) {
            r.Fail(std::string(what) + " key times that go back");
            return;
        }
        last = k.time;
    }
}

CTDbAnimation ReadAnimation(Reader& r)
{
    CTDbAnimation a;
    a.name = r.Str();
    a.parentName = r.Str();
    a.length = r.U32();
    const uint32_t nr = r.Count(20, 0xFFFFFF, "rotation key");
    const uint32_t np = r.Count(16, 0xFFFFFF, "position key");
    const uint32_t ns = r.Count(8, 0xFFFFFF, "scale key");
    const uint32_t nm = r.Count(10, 0xFFFFFF, "morph key");
    ReadKeys(r, a.rotationKeys, nr, "rotation", [&](auto& k) { k.value = r.Quat(); });
    ReadKeys(r, a.positionKeys, np, "position", [&](auto& k) { k.value = r.Vec3(); });
    ReadKeys(r, a.scaleKeys, ns, "scale", [&](auto& k) { k.value = r.F32(); });
    ReadKeys(r, a.morphKeys, nm, "morph", [&](CTDbMorphKey& k) {
        k.target = r.Str();
        ReadVectors(r, k.vertices, r.Count(12, 0xFFFF, "morph vertex"));
    });
    return a;
}

template <class T>
void Insert(Reader& r, std::map<std::string, T>& map, T&& rec, const char* what)
{
    if (!r.ok()) return;
    if (rec.name.empty()) return r.Fail(std::string("a ") + what + " without a name");
    std::string name = rec.name;
    if (!map.emplace(name, std::move(rec)).second) r.Fail(std::string("two ") + what + "s named " + name);
}

// Every parent exists and no chain of parents loops; each record is walked once.
template <class T>
std::string CheckParents(const std::map<std::string, T>& map, const char* what)
{
    std::map<const T*, int> state;  // 1 on the current chain, 2 known to reach the top
    for (const auto& [name, rec] : map) {
        std::vector<const T*> chain;
        const T* cur = &rec;
        while (cur && state[cur] != 2) {
            if (state[cur] == 1) return std::string(what) + " " + name + ": its parents loop";
            state[cur] = 1;
            chain.push_back(cur);
            if (cur->parentName.empty()) break;
            auto it = map.find(cur->parentName);
            if (it == map.end()) return std::string(what) + " " + cur->name + ": no parent " + cur->parentName;
            cur = &it->second;
        }
        for (const T* c : chain) state[c] = 2;
    }
    return {};
}

std::string CheckReferences(const CTDataBase& db)
{
    for (const auto& [name, m] : db.materials)
        if (!m.textureName.empty() && !db.textures.count(m.textureName))
            return "material " + name + ": no texture " + m.textureName;
    for (const auto& [name, m] : db.meshes)
        for (const CTDbMeshGroup& g : m.groups)
            if (!g.material.empty() && !db.materials.count(g.material))
                return "mesh " + name + ": no material " + g.material;
    for (const auto& [name, o] : db.objects)
        if (!o.meshName.empty() && !db.meshes.count(o.meshName)) return "object " + name + ": no mesh " + o.meshName;
    std::string why = CheckParents(db.objects, "object");
    if (why.empty()) why = CheckParents(db.animations, "animation");
    return why;
}

// Parses a whole file image; the reason of the first fault, or empty.
std::string Parse(const std::vector<uint8_t>& data, uint32_t recordCount, CTDataBase& db)
{
    Reader file(data.data(), data.size());
    for (uint32_t i = 0; i < recordCount; ++i) {
        const uint32_t kind = file.U32();
        const uint32_t size = file.U32();
        if (!file.ok()) return "record " + std::to_string(i) + ": " + file.error();
        if (size > file.left()) return "record " + std::to_string(i) + ": size beyond the end of the file";
        const uint8_t* payload = data.data() + (data.size() - file.left());
        Reader r(payload, size);
        switch (kind) {
        case DB_TEXTURE: Insert(r, db.textures, ReadTexture(r), "texture"); break;
        case DB_MATERIAL: Insert(r, db.materials, ReadMaterial(r), "material"); break;
        case DB_MESH: Insert(r, db.meshes, ReadMesh(r), "mesh"); break;
        case DB_OBJECT: Insert(r, db.objects, ReadObject(r), "object"); break;
        case DB_LIGHT: Insert(r, db.lights, ReadLight(r), "light"); break;
        case DB_CAMERA: Insert(r, db.cameras, ReadCamera(r), "camera"); break;
        case DB_ANIMATION: Insert(r, db.animations, ReadAnimation(r), "animation"); break;
        default: return "record " + std::to_string(i) + ": unknown kind " + std::to_string(kind);
        }
        if (r.ok() && r.left() != 0) r.Fail("bytes left over after the contents");
        if (!r.ok()) return "record " + std::to_string(i) + " (kind " + std::to_string(kind) + "): " + r.error();
        file = Reader(payload + size, size_t(data.data() + data.size() - (payload + size)));
    }
    if (file.left() != 0) return "bytes after the last record";
    return CheckReferences(db);
}

}  // namespace

std::string DbMesh_Check(const CTDbMesh& m)
{
    const size_t vc = m.vertices.size(), nc = m.normals.size(), dc = m.deformedNormals.size();
    if (vc > 0xFFFF || nc > 0xFFFF || dc > 0xFFFF) return "more than 65535 vertices or normals";
    if (m.faces.size() % 3) return "a face list that is not made of triples";
    const size_t corners = m.faces.size();
    if (!m.matrixSelect.empty() && m.matrixSelect.size() != vc) return "a matrix-select list of the wrong size";
    size_t grouped = 0;
    for (const CTDbMeshGroup& g : m.groups) grouped += g.faceCount;
    if (grouped != m.FaceCount()) return "group face counts that do not add up to the face count";
    for (uint16_t i : m.faces)
        if (i >= vc) return "a vertex index out of range";
    if (nc == 0 ? !m.cornerNormals.empty() : m.cornerNormals.size() != corners) return "a normal list of the wrong size";
    for (uint16_t i : m.cornerNormals)
        if (i >= nc) return "a normal index out of range";
    if (dc && !(m.flags & MESH_DEFORMED)) return "deformed normals on a rigid mesh";
    if (dc == 0 ? !m.deformedCornerNormals.empty() : m.deformedCornerNormals.size() != corners)
        return "a deformed normal list of the wrong size";
    for (uint16_t i : m.deformedCornerNormals)
        if (i >= dc) return "a deformed normal index out of range";
    if ((m.flags & MESH_TEXCOORDS) ? m.texCoords.size() != corners * 2 : !m.texCoords.empty())
        return "texture coordinates of the wrong size";
    return {};
}

void CTDataBase::Clear()
{
    version = 0;
    textures.clear();
    materials.clear();
    meshes.clear();
    objects.clear();
    lights.clear();
    cameras.clear();
    animations.clear();
}

bool CTDataBase::Empty() const
{
    return textures.empty() && materials.empty() && meshes.empty() && objects.empty() && lights.empty() &&
           cameras.empty() && animations.empty();
}

namespace {

// The n bytes after the header. The stream's length is checked before anything is allocated where
// the stream can tell it; otherwise the body grows only as its bytes arrive.
bool ReadBody(std::istream& in, uint32_t n, std::vector<uint8_t>& out)
{
    const std::istream::pos_type here = in.tellg();
    if (here != std::istream::pos_type(-1) && in.seekg(0, std::ios::end)) {
        const std::istream::pos_type end = in.tellg();
        in.seekg(here);
        if (end == std::istream::pos_type(-1) || !in || end - here < std::streamoff(n)) return false;
        out.resize(n);
        in.read(reinterpret_cast<char*>(out.data()), std::streamsize(n));
        return size_t(in.gcount()) == n;
    }
    in.clear();
    constexpr size_t kChunk = 1 << 16;
    while (out.size() < n) {
        const size_t at = out.size(), want = std::min<size_t>(kChunk, n - at);
        out.resize(at + want);
        in.read(reinterpret_cast<char*>(out.data() + at), std::streamsize(want));
        if (size_t(in.gcount()) != want) return false;
    }
    return true;
}

}  // namespace

bool CTDataBase::Load(std::istream& in)
{
    Clear();
    std::string why;
    uint8_t head[kDbHeaderSize];
    in.read(reinterpret_cast<char*>(head), kDbHeaderSize);
    Reader h(head, size_t(in.gcount()));
    char magic[4];
    for (char& c : magic) c = char(h.U8());
    const uint32_t ver = h.U32(), count = h.U32(), size = h.U32();
    if (!h.ok())
        why = "file shorter than its header";
    else if (std::memcmp(magic, kDbMagic, 4) != 0)
        why = "not a QMDB file";
    else if (ver > kDbVersionMax)
        why = "version " + std::to_string(ver) + " above " + std::to_string(kDbVersionMax);
    else if (size < kDbHeaderSize || size > kDbMaxFileSize)
        why = "file size " + std::to_string(size) + " out of range";
    else if (count > (size - kDbHeaderSize) / 8)
        why = "record count " + std::to_string(count) + " beyond the file";
    std::vector<uint8_t> data;
    if (why.empty() && !ReadBody(in, size - kDbHeaderSize, data)) why = "file shorter than its header says";
    if (why.empty()) {
        CTDataBase fresh;
        why = Parse(data, count, fresh);
        if (why.empty()) {
            *this = std::move(fresh);
            version = ver;
            return true;
        }
    }
    debug_log("Load: %s", why.c_str());
    OrvError_Warning("Load, invalid .db file");
    return false;
}

void CTDataBase::PrepareMeshes(CTDataBase& db, uint32_t)
{
    for (auto& [name, m] : db.meshes) {
        if (!m.normals.empty() || !DbMesh_Check(m).empty()) continue;
        std::vector<CTVector3> sum(m.vertices.size());
        for (size_t f = 0; f < m.FaceCount(); ++f) {
            const uint16_t* i = &m.faces[3 * f];
            // The cross product's length is twice the face's area, which weights the mean.
            const CTVector3 n = Vec3_Cross(Vec3_Sub(m.vertices[i[1]], m.vertices[i[0]]),
                                           Vec3_Sub(m.vertices[i[2]], m.vertices[i[0]]));
            for (int k = 0; k < 3; ++k) sum[i[k]] = Vec3_Add(sum[i[k]], n);
        }
        for (CTVector3& n : sum) {
            const float len = std::sqrt(Vec3_Norm2(n));
            if (len > 0.0f && std::isfinite(len)) n = Vec3_DivScalar(n, len);
            else n = {};
        }
        m.normals = std::move(sum);
        m.cornerNormals = m.faces;
    }
}

bool Db_LoadFile(CTDataBase& db, const std::string& path)
{
    std::ifstream in(OrvFile_Resolve(path.c_str()), std::ios::binary);
    if (!in) {
        db.Clear();
        OrvError_Warning("Db_LoadFile: cannot open %s", path.c_str());
        return false;
    }
    return db.Load(in);
}

std::unique_ptr<CTObjectInstance> ObjectInstance_FromDb(const CTDbObject& o, CTMeshMap& meshes, CTFrame& parentFrame)
{
    auto inst = std::make_unique<CTObjectInstance>();
    inst->frame.SetParent(&parentFrame);
    inst->frame.SetLocal(o.rotation, o.position, o.scale);
    inst->name = o.name;
    inst->flags = o.flags;
    auto it = o.meshName.empty() ? meshes.end() : meshes.find(o.meshName);
    inst->mesh = it != meshes.end() ? &it->second : nullptr;
    return inst;
}

namespace {

bool Accepts(const CTObjectFilter& filter, const std::string& name) { return !filter || filter(name); }

// Depth-first, children in name order, without recursion (chains may be long). visit(object, ctx)
// returns the context handed to the object's children.
template <class Ctx, class Visit>
void WalkObjects(const CTDataBase& db, const CTDbObject* parent, Ctx top, const Visit& visit)
{
    std::map<std::string, std::vector<const CTDbObject*>> children;
    for (const auto& [name, o] : db.objects) children[o.parentName].push_back(&o);
    std::vector<std::pair<const CTDbObject*, Ctx>> stack;
    auto pushChildren = [&](const std::string& name, Ctx ctx) {
        auto it = children.find(name);
        if (it == children.end()) return;
        for (auto c = it->second.rbegin(); c != it->second.rend(); ++c) stack.emplace_back(*c, ctx);
    };
    pushChildren(parent ? parent->name : std::string(), top);
    while (!stack.empty()) {
        auto [o, ctx] = stack.back();
        stack.pop_back();
        pushChildren(o->name, visit(*o, ctx));
    }
}

}  // namespace

void ObjectTree_BuildFromDb(const CTDataBase& db, const CTDbObject* parent, CTMeshMap& meshes, CTFrame& parentFrame,
                            CTInstanceList& list, const CTObjectFilter& filter)
{
    WalkObjects(db, parent, &parentFrame, [&](const CTDbObject& o, CTFrame* frame) {
        if (!Accepts(filter, o.name)) return frame;
        list.push_back(ObjectInstance_FromDb(o, meshes, *frame));
        return &list.back()->frame;
    });
}

void ObjectTree_CopyFiltered(const CTDataBase& db, const CTDbObject* parent, CTAnimationSetMap& sets,
                             std::vector<CTAnimationSet*>& list, const CTObjectFilter& filter)
{
    WalkObjects(db, parent, 0, [&](const CTDbObject& o, int) {
        if (Accepts(filter, o.name)) {
            auto it = sets.find(o.name);
            list.push_back(it != sets.end() ? &it->second : nullptr);
        }
        return 0;
    });
}
