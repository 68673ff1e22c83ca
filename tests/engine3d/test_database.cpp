// ".db" reader: round trip through the writer, refusal of truncated and inconsistent files.
#include <gtest/gtest.h>

#include <cmath>

#include <cstring>
#include <sstream>

#include "engine3d/Database.h"
#include "testdata/DbWriter.h"
#include "testdata/TempDir.h"
#include "tests/graphics2d/WarningCapture.h"

namespace {

std::string AsString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

bool LoadBytes(CTDataBase& db, const std::vector<uint8_t>& bytes)
{
    std::istringstream in(AsString(bytes), std::ios::binary);
    return db.Load(in);
}

uint32_t GetU32(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void SetU32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

// Offset of the first record of a kind, past its kind and size words.
size_t PayloadOf(const std::vector<uint8_t>& b, uint32_t kind)
{
    for (size_t at = kDbHeaderSize; at + 8 <= b.size(); at += 8 + GetU32(b, at + 4))
        if (GetU32(b, at) == kind) return at + 8;
    ADD_FAILURE() << "no record of kind " << kind;
    return 0;
}

TEST(Database, RoundTripThroughTheWriter)
{
    const CTDataBase sample = DbWriter_SampleScene();
    const std::vector<uint8_t> bytes = DbWriter_Encode(sample, 7);
    CTDataBase db;
    ASSERT_TRUE(LoadBytes(db, bytes));
    EXPECT_EQ(db.version, 7u);
    // What was read writes back to the very same bytes.
    EXPECT_EQ(DbWriter_Encode(db, 7), bytes);
    EXPECT_EQ(db.textures.size(), 1u);
    EXPECT_EQ(db.materials.size(), 3u);
    EXPECT_EQ(db.meshes.at("Cube").FaceCount(), 12u);
    EXPECT_EQ(db.meshes.at("Face-d").deformedCornerNormals.size(), 6u);
    EXPECT_EQ(db.objects.at("Head").parentName, "Body");
    EXPECT_FLOAT_EQ(db.objects.at("Arm").scale, 0.5f);
    EXPECT_EQ(db.lights.at("Sun").colours[1], 0xFF808080u);
    EXPECT_FLOAT_EQ(db.cameras.at("Cam1").farDist, 200.0f);
    EXPECT_EQ(db.animations.at("morphing").morphKeys[1].target, "Face-b");
    EXPECT_FLOAT_EQ(db.animations.at("Body").positionKeys[2].value.y, 4.0f);

    // Every version from 0 to 11 reads; 12 does not.
    for (uint32_t v = 0; v <= 11; ++v) EXPECT_TRUE(LoadBytes(db, DbWriter_Encode(sample, v))) << v;
    WarningCapture w;
    EXPECT_FALSE(LoadBytes(db, DbWriter_Encode(sample, 12)));
    EXPECT_TRUE(w.Warned("Load, invalid .db file"));
}

TEST(Database, FileLoadAndAFailedLoadKeepsNothing)
{
    TempDir dir;
    ASSERT_TRUE(DbWriter_Save(dir / "scene.db", DbWriter_SampleScene()));
    CTDataBase db;
    ASSERT_TRUE(Db_LoadFile(db, dir / "scene.db"));
    EXPECT_FALSE(db.Empty());

    WarningCapture w;
    EXPECT_FALSE(Db_LoadFile(db, dir / "missing.db"));
    EXPECT_TRUE(db.Empty());
    EXPECT_TRUE(w.Warned("missing.db"));

    ASSERT_TRUE(Db_LoadFile(db, dir / "scene.db"));
    std::vector<uint8_t> bad = DbWriter_Encode(DbWriter_SampleScene());
    bad.resize(bad.size() - 1);
    ASSERT_TRUE(WriteFileBytes(dir / "bad.db", bad.data(), bad.size()));
    EXPECT_FALSE(Db_LoadFile(db, dir / "bad.db"));
    EXPECT_TRUE(db.Empty());
}

TEST(Database, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> bytes = DbWriter_Encode(DbWriter_SampleScene());
    WarningCapture w;
    for (size_t n = 0; n < bytes.size(); ++n) {
        CTDataBase db;
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
        ASSERT_FALSE(LoadBytes(db, cut)) << "length " << n;
        ASSERT_TRUE(db.Empty());
    }
    EXPECT_TRUE(w.Warned("Load, invalid .db file"));
}

// Any word of the file changed to a damaging value: the file is refused, or what is accepted is
// still consistent enough to build meshes from. Damage to the header or to a record's kind or size
// word is always refused.
TEST(Database, DamagedWordsNeverGiveAnUnsoundDatabase)
{
    const std::vector<uint8_t> bytes = DbWriter_Encode(DbWriter_SampleScene());
    std::vector<bool> framing(bytes.size(), false);
    for (size_t at = 4; at < kDbHeaderSize; at += 4) framing[at] = true;
    for (size_t at = kDbHeaderSize; at + 8 <= bytes.size(); at += 8 + GetU32(bytes, at + 4))
        framing[at] = framing[at + 4] = true;
    WarningCapture w;
    for (size_t at = 0; at + 4 <= bytes.size(); ++at) {
        const uint32_t old = GetU32(bytes, at);
        for (uint32_t v : {old + 1, old - 1, 0u, 0xFFFFFFFFu, old ^ 0x8000u, old + 0x10000u}) {
            if (v == old || (at == 4 && v <= kDbVersionMax)) continue;
            std::vector<uint8_t> b = bytes;
            SetU32(b, at, v);
            CTDataBase db;
            if (!LoadBytes(db, b)) {
                ASSERT_TRUE(db.Empty());
                continue;
            }
            ASSERT_FALSE(framing[at]) << "accepted damage at " << at;
            CTMaterialMap materials;
            for (auto& [name, m] : db.meshes) {
                ASSERT_EQ(DbMesh_Check(m), "") << name;
                CTMesh mesh;
                ASSERT_TRUE(Mesh_FromDb(m, mesh, 0, materials));
            }
        }
    }
}

TEST(Database, InconsistentFilesAreRefused)
{
    const CTDataBase sample = DbWriter_SampleScene();
    const std::vector<uint8_t> good = DbWriter_Encode(sample);
    auto refuses = [](const std::vector<uint8_t>& b) {
        CTDataBase db;
        return !LoadBytes(db, b) && db.Empty();
    };
    auto refusesDb = [&](const CTDataBase& db) { return refuses(DbWriter_Encode(db)); };
    WarningCapture w;

    std::vector<uint8_t> b = good;
    b[0] = 'X';
    EXPECT_TRUE(refuses(b)) << "magic";
    b = good;
    SetU32(b, 8, GetU32(b, 8) + 1);
    EXPECT_TRUE(refuses(b)) << "record count";
    b = good;
    SetU32(b, 12, GetU32(b, 12) - 1);
    EXPECT_TRUE(refuses(b)) << "file size";
    b = good;
    b.push_back(0);
    SetU32(b, 12, GetU32(b, 12) + 1);
    EXPECT_TRUE(refuses(b)) << "bytes after the last record";
    b = good;
    SetU32(b, kDbHeaderSize, 9);
    EXPECT_TRUE(refuses(b)) << "record kind";
    b = good;
    SetU32(b, kDbHeaderSize + 4, GetU32(b, kDbHeaderSize + 4) + 1);
    EXPECT_TRUE(refuses(b)) << "record size";
    b = good;
    SetU32(b, 12, 0x7FFFFFFF);
    EXPECT_TRUE(refuses(b)) << "huge size";

    // Mesh counts: the vertex count word follows the name and the flag word.
    b = good;
    const size_t mesh = PayloadOf(b, DB_MESH);
    const size_t counts = mesh + 2 + GetU32(b, mesh) % 65536 + 4;
    for (int word = 0; word < 5; ++word) {
        std::vector<uint8_t> c = good;
        SetU32(c, counts + 4 * word, GetU32(c, counts + 4 * word) + 1);
        EXPECT_TRUE(refuses(c)) << "mesh count " << word;
    }

    CTDataBase d = sample;
    d.meshes["Cube"].faces[5] = 8;
    EXPECT_TRUE(refusesDb(d)) << "vertex index";
    d = sample;
    d.meshes["Cube"].cornerNormals[0] = 6;
    EXPECT_TRUE(refusesDb(d)) << "normal index";
    d = sample;
    d.meshes["Cube"].groups[0].faceCount = 7;
    EXPECT_TRUE(refusesDb(d)) << "group sum";
    d = sample;
    d.meshes["Cube"].groups[1].material = "Nothing";
    EXPECT_TRUE(refusesDb(d)) << "group material";
    d = sample;
    d.meshes["Face-d"].flags &= ~MESH_DEFORMED;
    EXPECT_TRUE(refusesDb(d)) << "deformed normals on a rigid mesh";
    d = sample;
    d.meshes["Cube"].vertices[3].y = NAN;
    EXPECT_TRUE(refusesDb(d)) << "NaN";
    d = sample;
    d.materials["Glass"].transparency = 1.5f;
    EXPECT_TRUE(refusesDb(d)) << "transparency";
    d = sample;
    d.materials["Red"].textureName = "none.tga";
    EXPECT_TRUE(refusesDb(d)) << "material texture";
    d = sample;
    d.objects["Body"].meshName = "Sphere";
    EXPECT_TRUE(refusesDb(d)) << "object mesh";
    d = sample;
    d.objects["Body"].parentName = "Head";
    EXPECT_TRUE(refusesDb(d)) << "parent loop";
    d = sample;
    d.objects["Pivot"].parentName = "Pivot";
    EXPECT_TRUE(refusesDb(d)) << "own parent";
    d = sample;
    d.animations["Head"].parentName = "Ghost";
    EXPECT_TRUE(refusesDb(d)) << "animation parent";
    d = sample;
    d.animations["Body"].positionKeys[1].time = 25.0f;
    EXPECT_TRUE(refusesDb(d)) << "key times";
    d = sample;
    d.cameras["Cam1"].farDist = 1.0f;
    EXPECT_TRUE(refusesDb(d)) << "camera planes";
    d = sample;
    d.cameras["Cam1"].projection = 3;
    EXPECT_TRUE(refusesDb(d)) << "projection kind";
    d = sample;
    d.objects["Arm"].rotation = CTQuaternion{0, 0, 0, 0};
    EXPECT_TRUE(refusesDb(d)) << "zero rotation";

    // Two records of one kind with one name.
    b = good;
    const size_t tex = PayloadOf(b, DB_TEXTURE) - 8;
    const size_t texEnd = tex + 8 + GetU32(b, tex + 4);
    b.insert(b.begin() + long(texEnd), b.begin() + long(tex), b.begin() + long(texEnd));
    SetU32(b, 8, GetU32(b, 8) + 1);
    SetU32(b, 12, uint32_t(b.size()));
    EXPECT_TRUE(refuses(b)) << "duplicate name";
    EXPECT_TRUE(w.Warned("Load, invalid .db file"));
}

TEST(Database, PrepareMeshesGivesMissingNormals)
{
    CTDataBase db = DbWriter_SampleScene();
    CTDbMesh& cube = db.meshes["Cube"];
    cube.normals.clear();
    cube.cornerNormals.clear();
    const std::vector<CTVector3> faceNormals = db.meshes["Face-d"].normals;
    CTDataBase::PrepareMeshes(db, 0);
    ASSERT_EQ(cube.normals.size(), 8u);
    EXPECT_EQ(cube.cornerNormals, cube.faces);
    // A cube corner's normal points out along the diagonal.
    const float k = 1.0f / std::sqrt(3.0f);
    EXPECT_NEAR(cube.normals[7].x, k, 1e-5f);
    EXPECT_NEAR(cube.normals[7].y, k, 1e-5f);
    EXPECT_NEAR(cube.normals[0].z, -k, 1e-5f);
    EXPECT_EQ(DbMesh_Check(cube), "");
    // Meshes that have normals keep them.
    EXPECT_EQ(db.meshes["Face-d"].normals.size(), faceNormals.size());
}

}  // namespace
