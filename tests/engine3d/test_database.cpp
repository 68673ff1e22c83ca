// ".db" reader: round trip through the writer, refusal of truncated and inconsistent files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <sstream>

#include "engine3d/Database.h"
#include "testdata/DbWriter.h"
#include "testdata/TempDir.h"
#include "tests/graphics2d/WarningCapture.h"

namespace {

bool LoadBytes(CTDataBase& db, const std::vector<uint8_t>& bytes)
{
    std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    return db.Load(in);
}

uint32_t GetU32(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void SetU32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

// Offset of the first record of a kind (its kind word).
size_t RecordOf(const std::vector<uint8_t>& b, uint32_t kind)
{
    size_t at = kDbHeaderSize;
    while (at + 8 <= b.size() && GetU32(b, at) != kind) at += 8 + GetU32(b, at + 4);
    EXPECT_LT(at + 8, b.size()) << "no record of kind " << kind;
    return at;
}

// Refused, and nothing kept.
bool Refuses(const std::vector<uint8_t>& b)
{
    CTDataBase db;
    return !LoadBytes(db, b) && db.Empty();
}

TEST(Database, RoundTripThroughTheWriterAndFiles)
{
    const CTDataBase sample = DbWriter_SampleScene();
    const std::vector<uint8_t> bytes = DbWriter_Encode(sample, 7);
    CTDataBase db;
    ASSERT_TRUE(LoadBytes(db, bytes));
    EXPECT_EQ(db.version, 7u);
    // What was read writes back to the very same bytes.
    EXPECT_EQ(DbWriter_Encode(db, 7), bytes);
    EXPECT_EQ(db.objects.at("Head").parentName, "Body");

    // Every version from 0 to 11 reads; 12 does not.
    for (uint32_t v = 0; v <= 11; ++v) EXPECT_TRUE(LoadBytes(db, DbWriter_Encode(sample, v))) << v;
    WarningCapture w;
    EXPECT_TRUE(Refuses(DbWriter_Encode(sample, 12)));
    EXPECT_TRUE(w.Warned("Load, invalid .db file"));

    // From files: a missing or cut file fails and leaves the database empty.
    TempDir dir;
    ASSERT_TRUE(DbWriter_Save(dir / "scene.db", sample));
    ASSERT_TRUE(Db_LoadFile(db, dir / "scene.db"));
    EXPECT_FALSE(Db_LoadFile(db, dir / "missing.db"));
    EXPECT_TRUE(db.Empty());
    EXPECT_TRUE(w.Warned("missing.db"));
    ASSERT_TRUE(Db_LoadFile(db, dir / "scene.db"));
    std::vector<uint8_t> bad = DbWriter_Encode(sample);
    bad.pop_back();
    ASSERT_TRUE(WriteFileBytes(dir / "bad.db", bad.data(), bad.size()));
    EXPECT_FALSE(Db_LoadFile(db, dir / "bad.db"));
    EXPECT_TRUE(db.Empty());
}

// A stream that cannot seek, as a pipe.
class PipeBuf : public std::stringbuf {
public:
    explicit PipeBuf(const std::vector<uint8_t>& b) : std::stringbuf(std::string(b.begin(), b.end()), std::ios::in) {}

protected:
    pos_type seekoff(off_type, std::ios::seekdir, std::ios::openmode) override { return pos_type(-1); }
    pos_type seekpos(pos_type, std::ios::openmode) override { return pos_type(-1); }
};

// A header whose size word claims far more than the file holds is refused before the body is read
// (nothing past the header is taken from a stream that tells its length); a stream that cannot tell
// its length is read as its bytes come, and a whole file loads from it.
TEST(Database, TheFileLengthIsCheckedBeforeTheBody)
{
    const std::vector<uint8_t> bytes = DbWriter_Encode(DbWriter_SampleScene());
    std::vector<uint8_t> claims = bytes;
    SetU32(claims, 12, kDbMaxFileSize);
    const WarningCapture w;
    CTDataBase db;
    std::istringstream seekable(std::string(claims.begin(), claims.end()), std::ios::binary);
    EXPECT_FALSE(db.Load(seekable));
    EXPECT_EQ(seekable.tellg(), std::streampos(kDbHeaderSize));
    PipeBuf pipe(claims);
    std::istream piped(&pipe);
    EXPECT_FALSE(db.Load(piped));
    EXPECT_TRUE(db.Empty());

    PipeBuf whole(bytes);
    std::istream wholePipe(&whole);
    ASSERT_TRUE(db.Load(wholePipe));
    EXPECT_EQ(DbWriter_Encode(db), bytes);
}

TEST(Database, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> bytes = DbWriter_Encode(DbWriter_SampleScene());
    WarningCapture w;
    for (size_t n = 0; n < bytes.size(); ++n)
        ASSERT_TRUE(Refuses({bytes.begin(), bytes.begin() + long(n)})) << "length " << n;
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
    WarningCapture w;

    // A bad magic, and bytes after the last record (header words are damaged in the test above).
    std::vector<uint8_t> b = good;
    b[0] = 'X';
    EXPECT_TRUE(Refuses(b)) << "magic";
    b = good;
    b.push_back(0);
    SetU32(b, 12, GetU32(b, 12) + 1);
    EXPECT_TRUE(Refuses(b)) << "bytes after the last record";

    // Mesh counts: the five count words follow the name and the flag word of the first mesh.
    const size_t mesh = RecordOf(good, DB_MESH);
    const size_t counts = mesh + 8 + 2 + GetU32(good, mesh + 8) % 65536 + 4;
    for (int word = 0; word < 5; ++word) {
        std::vector<uint8_t> c = good;
        SetU32(c, counts + 4 * word, GetU32(c, counts + 4 * word) + 1);
        EXPECT_TRUE(Refuses(c)) << "mesh count " << word;
    }

    // Records that read but do not agree with each other.
    const std::pair<const char*, std::function<void(CTDataBase&)>> cases[] = {
        {"vertex index", [](auto& d) { d.meshes["Cube"].faces[5] = 8; }},
        {"normal index", [](auto& d) { d.meshes["Cube"].cornerNormals[0] = 6; }},
        {"group sum", [](auto& d) { d.meshes["Cube"].groups[0].faceCount = 7; }},
        {"group material", [](auto& d) { d.meshes["Cube"].groups[1].material = "Nothing"; }},
        {"deformed normals on a rigid mesh", [](auto& d) { d.meshes["Face-d"].flags &= ~MESH_DEFORMED; }},
        {"NaN", [](auto& d) { d.meshes["Cube"].vertices[3].y = NAN; }},
        {"transparency", [](auto& d) { d.materials["Glass"].transparency = 1.5f; }},
        {"material texture", [](auto& d) { d.materials["Red"].textureName = "none.tga"; }},
        {"object mesh", [](auto& d) { d.objects["Body"].meshName = "Sphere"; }},
        {"parent loop", [](auto& d) { d.objects["Body"].parentName = "Head"; }},
        {"own parent", [](auto& d) { d.objects["Pivot"].parentName = "Pivot"; }},
        {"animation parent", [](auto& d) { d.animations["Head"].parentName = "Ghost"; }},
        {"key times", [](auto& d) { d.animations["Body"].positionKeys[1].time = 25.0f; }},
        {"camera planes", [](auto& d) { d.cameras["Cam1"].farDist = 1.0f; }},
        {"projection kind", [](auto& d) { d.cameras["Cam1"].projection = 3; }},
        {"zero rotation", [](auto& d) { d.objects["Arm"].rotation = CTQuaternion{0, 0, 0, 0}; }},
    };
    for (const auto& [what, change] : cases) {
        CTDataBase d = sample;
        change(d);
        EXPECT_TRUE(Refuses(DbWriter_Encode(d))) << what;
    }

    // Two records of one kind with one name: a texture record written twice.
    b = good;
    const size_t tex = RecordOf(good, DB_TEXTURE), end = tex + 8 + GetU32(good, tex + 4);
    b.insert(b.begin() + long(end), good.begin() + long(tex), good.begin() + long(end));
    SetU32(b, 8, GetU32(b, 8) + 1);
    SetU32(b, 12, uint32_t(b.size()));
    EXPECT_TRUE(Refuses(b)) << "duplicate name";
}

}  // namespace
