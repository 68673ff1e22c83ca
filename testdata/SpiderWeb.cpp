// The spider's web of world "YU" as the tests and the demo install it.
#include "testdata/SpiderWeb.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "testdata/DbWriter.h"
#include "testdata/SceneWriter.h"
#include "testdata/TempDir.h"
#include "testdata/TgaWriter.h"
#include "testdata/Vq6Writer.h"

namespace {
constexpr float kPi = 3.14159265f;
constexpr float kSector = kPi / 8.0f;
// The eye stands this high above the web.
constexpr float kEye = 80.0f;
// Ring 2 has no thread between positions 12 (230) and 13 (231).
constexpr int kGapRing = 2;
constexpr int kGapPos = 12;

bool IsCell(uint32_t v) { return v >= 201 && v <= 265; }

int RingOf(uint32_t c) { return c < 217 ? 1 : c < 233 ? 2 : c < 249 ? 3 : c <= 264 ? 4 : 5; }

int PosOf(uint32_t c) {
    static const int kZero[4] = {201, 218, 235, 252};
    const int r = RingOf(c);
    if (r == 5) return 0;
    const int a = int(c) - kZero[r - 1];
    return a < 0 ? a + 16 : a;
}

CTVector3 OnWeb(float radius, float pos) {
    return {radius * std::cos(pos * kSector), radius * std::sin(pos * kSector), 0.0f};
}

bool fail(std::string* error, const std::string& what) {
    if (error && error->empty()) *error = what;
    return false;
}

// --- Databases ---

CTDbMesh Stretched(CTDbMesh m, const CTVector3& scale, const CTVector3& offset) {
    for (CTVector3& v : m.vertices) v = {v.x * scale.x + offset.x, v.y * scale.y + offset.y, v.z * scale.z + offset.z};
    return m;
}

// A leg from its root along +x.
CTDbMesh Leg(const std::string& name, float length, float thick, const std::string& material) {
    return Stretched(SceneWriter_Box(name, 1.0f, material, material), {length / 2, thick, thick}, {length / 2, 0, 0});
}

CTDbObject Object(const std::string& name, const std::string& mesh, const std::string& parent, CTVector3 pos,
                  CTQuaternion rot = {}) {
    CTDbObject o = DbWriter_Object(name, mesh, parent, pos);
    o.rotation = rot;
    return o;
}

CTQuaternion Yaw(float a) { return CTQuaternion::FromAxisAngle({0, 1, 0}, a); }
CTQuaternion Roll(float a) { return CTQuaternion::FromAxisAngle({0, 0, 1}, a); }
CTQuaternion Pitch(float a) { return CTQuaternion::FromAxisAngle({1, 0, 0}, a); }

CTDbAnimation Track(const std::string& name, const std::string& parent, uint32_t length) {
    CTDbAnimation a;
    a.name = name;
    a.parentName = parent;
    a.length = length;
    return a;
}

// A database with one texture map and its material, both named after the map.
CTDataBase Textured(const std::string& map) {
    CTDataBase db;
    db.version = kDbVersionMax;
    DbWriter_Add(db.textures, CTDbTexture{map, 0});
    DbWriter_Add(db.materials, SceneWriter_Material(map, {1, 1, 1, 1}, map));
    return db;
}

enum class Pose { Stand, Walk, Strike, Struck };

// A spider: abdomen and head on a body node, eight legs reaching the ground; its head toward -z.
CTDataBase Spider(bool big, Pose pose) {
    const float s = big ? 1.4f : 1.0f, h = 11.0f * s, legLength = 16.0f * s;
    const std::string p = big ? "AR_" : "PAR_", map = big ? "araignee_noire.tga" : "araignee.tga";
    CTDataBase db = Textured(map);
    DbWriter_Add(db.meshes, SceneWriter_Sphere(p + "abdomen", 6.0f * s, 6, 10, map));
    DbWriter_Add(db.meshes, SceneWriter_Sphere(p + "tete", 3.5f * s, 5, 8, map));
    DbWriter_Add(db.meshes, Leg(p + "patte", legLength, 0.7f * s, map));
    DbWriter_Add(db.objects, Object("Corps", "", "", {0, -h, 0}));
    DbWriter_Add(db.objects, Object("Abdomen", p + "abdomen", "Corps", {0, 0, 5.0f * s}));
    DbWriter_Add(db.objects, Object("Tete", p + "tete", "Corps", {0, 0, -4.0f * s}));

    const uint32_t length = pose == Pose::Stand ? 32 : pose == Pose::Walk ? 16 : pose == Pose::Strike ? 24 : 60;
    const float spread[4] = {0.7f, 0.25f, -0.2f, -0.65f};
    const float tilt = std::asin(std::min(0.95f, h / legLength));
    CTDbAnimation body = Track("Corps", "", length);
    body.positionKeys = {{0, {0, -h, 0}}, {float(length), {0, -h, 0}}};
    if (pose == Pose::Strike)
        body.rotationKeys = {{0, {}}, {float(length) / 2, Pitch(-0.6f)}, {float(length), {}}};
    if (pose == Pose::Struck) body.positionKeys = {{0, {0, -h, 0}}, {float(length) / 2, {0, -h * 0.5f, 0}}, {float(length), {0, -h, 0}}};
    DbWriter_Add(db.animations, body);
    for (int i = 0; i < 8; i++) {
        const bool left = i >= 4;
        const float yaw = left ? kPi - spread[i % 4] : spread[i % 4];
        const std::string name = "Patte" + std::to_string(i);
        const CTVector3 root{left ? -2.5f * s : 2.5f * s, 0, (float(i % 4) - 1.5f) * 2.0f * s};
        DbWriter_Add(db.objects, Object(name, p + "patte", "Corps", root, Yaw(yaw) * Roll(tilt)));
        CTDbAnimation leg = Track(name, "Corps", length);
        const float phase = (i + (left ? 1 : 0)) % 2 ? 1.0f : -1.0f;
        auto at = [&](float dyaw, float dtilt) { return Yaw(yaw + dyaw) * Roll(tilt + dtilt); };
        switch (pose) {
        case Pose::Stand: leg.rotationKeys = {{0, at(0, 0)}, {float(length) / 2, at(0, 0.08f * phase)}, {float(length), at(0, 0)}}; break;
        case Pose::Walk:
            leg.rotationKeys = {{0, at(0.3f * phase, 0)}, {float(length) / 2, at(-0.3f * phase, -0.15f)}, {float(length), at(0.3f * phase, 0)}};
            break;
        case Pose::Strike: {
            const float lift = i % 4 == 0 ? -1.2f : 0.0f;
            leg.rotationKeys = {{0, at(0, 0)}, {float(length) / 2, at(0, lift)}, {float(length), at(0, 0)}};
            break;
        }
        case Pose::Struck: leg.rotationKeys = {{0, at(0, 0)}, {float(length) / 2, at(-0.4f * phase, 0.6f)}, {float(length), at(0, 0)}}; break;
        }
        DbWriter_Add(db.animations, leg);
    }
    return db;
}

// Segments of a caterpillar rippling along its back.
CTDataBase Caterpillar() {
    CTDataBase db = Textured("chenille.tga");
    DbWriter_Add(db.meshes, SceneWriter_Sphere("CH_anneau", 1.2f, 5, 8, "chenille.tga"));
    for (int i = 0; i < 5; i++) {
        const std::string name = "Anneau" + std::to_string(i);
        const CTVector3 at{0, -1.2f, float(i) * 2.0f - 4.0f};
        DbWriter_Add(db.objects, Object(name, "CH_anneau", "", at));
        CTDbAnimation a = Track(name, "", 24);
        const float t0 = float(i) * 4.0f;
        a.positionKeys = {{0, at}, {t0, at}, {t0 + 4, {at.x, at.y - 0.8f, at.z}}, {t0 + 8, at}, {24, at}};
        DbWriter_Add(db.animations, a);
    }
    return db;
}

CTDataBase Grasshopper() {
    CTDataBase db = Textured("sauterelle.tga");
    DbWriter_Add(db.meshes, Stretched(SceneWriter_Sphere("SA_corps", 1.0f, 5, 8, "sauterelle.tga"), {0.9f, 0.9f, 2.4f}, {}));
    DbWriter_Add(db.meshes, SceneWriter_Sphere("SA_tete", 0.8f, 5, 8, "sauterelle.tga"));
    DbWriter_Add(db.meshes, Leg("SA_patte", 3.5f, 0.2f, "sauterelle.tga"));
    DbWriter_Add(db.objects, Object("Corps", "SA_corps", "", {0, -1.8f, 0}));
    DbWriter_Add(db.objects, Object("Tete", "SA_tete", "Corps", {0, -0.3f, -2.6f}));
    DbWriter_Add(db.objects, Object("Cuisse0", "SA_patte", "Corps", {0.7f, 0, 0.5f}, Yaw(-2.0f) * Roll(-0.5f)));
    DbWriter_Add(db.objects, Object("Cuisse1", "SA_patte", "Corps", {-0.7f, 0, 0.5f}, Yaw(kPi + 2.0f) * Roll(-0.5f)));
    CTDbAnimation body = Track("Corps", "", 24);
    body.positionKeys = {{0, {0, -1.8f, 0}}, {12, {0, -2.6f, 0}}, {24, {0, -1.8f, 0}}};
    DbWriter_Add(db.animations, body);
    return db;
}

CTDataBase Skull() {
    CTDataBase db = Textured("crane.tga");
    DbWriter_Add(db.meshes, SceneWriter_Sphere("CR_voute", 2.0f, 6, 10, "crane.tga"));
    DbWriter_Add(db.meshes, Stretched(SceneWriter_Box("CR_machoire", 1.0f, "crane.tga", "crane.tga"), {1.1f, 0.5f, 0.9f}, {}));
    DbWriter_Add(db.objects, Object("Voute", "CR_voute", "", {0, -2.2f, 0}));
    DbWriter_Add(db.objects, Object("Machoire", "CR_machoire", "", {0, -0.5f, -1.2f}));
    return db;
}

// The feather, drawn from both sides, leaning on the web.
CTDataBase Feather() {
    CTDataBase db = Textured("plume.tga");
    DbWriter_Add(db.meshes, Stretched(SceneWriter_Panel("PL_plume", 1.0f, "plume.tga"), {0.3f, 1.0f, 1.0f}, {}));
    DbWriter_Add(db.objects, Object("Recto", "PL_plume", "", {0, -0.4f, 0}, Pitch(-1.1f)));
    DbWriter_Add(db.objects, Object("Verso", "PL_plume", "", {0, -0.4f, 0}, Pitch(-1.1f) * Yaw(kPi)));
    return db;
}

// The obsidian-edged wooden sword lying flat.
CTDataBase Sword() {
    CTDataBase db = Textured("macahuitl.tga");
    DbWriter_Add(db.meshes, Stretched(SceneWriter_Box("MA_lame", 1.0f, "macahuitl.tga", "macahuitl.tga"), {0.6f, 0.15f, 3.0f}, {}));
    DbWriter_Add(db.meshes, Stretched(SceneWriter_Box("MA_manche", 1.0f, "macahuitl.tga", "macahuitl.tga"), {0.2f, 0.2f, 1.2f}, {}));
    DbWriter_Add(db.objects, Object("Lame", "MA_lame", "", {0, -0.2f, 0}));
    DbWriter_Add(db.objects, Object("Manche", "MA_manche", "", {0, -0.2f, 4.2f}));
    return db;
}

// --- Textures ---

TgaImage Picture(int side, uint32_t (*texel)(int x, int y)) {
    TgaImage img;
    img.width = img.height = side;
    img.type = 2;
    img.bitsPerPixel = 24;
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++) img.pixels.push_back(0xFF000000u | texel(x, y));
    return img;
}

uint32_t SmallSpiderTexel(int x, int y) { return (x / 4 + y / 8) % 2 ? 0x6A4424 : 0xB08040; }
uint32_t BigSpiderTexel(int x, int y) { return (x - 16) * (x - 16) + (y - 16) * (y - 16) < 40 ? 0xC02018 : (x + y) % 7 ? 0x201818 : 0x403430; }
uint32_t CaterpillarTexel(int x, int y) { return y % 8 < 2 ? 0xE0D040 : (x % 5 ? 0x40A030 : 0x308020); }
uint32_t GrasshopperTexel(int x, int y) { return (x + 2 * y) % 9 ? 0x70B040 : 0x507828; }
uint32_t SkullTexel(int x, int y) { return (x / 6 + y / 6) % 3 ? 0xE8E0C8 : 0xC8C0A0; }
uint32_t FeatherTexel(int x, int y) {
    const int dx = x - 16, dy = y - 16;
    // Black outside the feather's shape: the colour key makes it transparent.
    if (dx * dx * 6 + dy * dy > 256) return 0x000000;
    return dx == 0 || dx == 1 ? 0xF0F0F0 : (y % 4 ? 0x3070E0 : 0x60A0F0);
}
uint32_t SwordTexel(int x, int y) { return x < 4 || x >= 28 ? 0x181820 : ((x + y / 3) % 6 ? 0x8A5A30 : 0x6A4020); }

// --- Pictures of the web ---

constexpr int kMapHalf = 640;
constexpr int kMapSide = 2 * kMapHalf;
constexpr float kThread = 1.6f;

// The web seen from above, one texel per unit: 255 on a thread, less on the cells' spots, 0 elsewhere.
const std::vector<uint8_t>& WebMap() {
    static const std::vector<uint8_t> map = [] {
        std::vector<uint8_t> m(size_t(kMapSide) * kMapSide, 0);
        const float chordScale = std::cos(kSector / 2);
        for (int y = 0; y < kMapSide; y++)
            for (int x = 0; x < kMapSide; x++) {
                const float px = float(x - kMapHalf) + 0.5f, py = float(y - kMapHalf) + 0.5f;
                const float rho = std::sqrt(px * px + py * py);
                float phi = std::atan2(py, px);
                if (phi < 0) phi += 2 * kPi;
                const int sector = std::min(15, int(phi / kSector));
                const float inSector = phi - float(sector) * kSector;
                // Spokes through the cells, out to the anchor ring.
                const float spoke = rho * std::sin(std::min(inSector, kSector - inSector));
                bool thread = rho < 560.0f && spoke < kThread;
                // Rings: chords between neighbouring cells, and the anchor ring.
                const float along = rho * std::cos(inSector - kSector / 2);
                for (int r = 0; r <= 4 && !thread; r++) {
                    if (r == kGapRing && sector == kGapPos) continue;
                    const float radius = r == 0 ? 560.0f : float(5 - r) * SPIDERWEB_RING_STEP;
                    thread = std::fabs(along - radius * chordScale) < kThread;
                }
                uint8_t v = thread ? 255 : 0;
                // The cells' spots.
                const float ringPos = rho / SPIDERWEB_RING_STEP;
                const float nearest = std::round(ringPos);
                if (!thread && nearest >= 1 && nearest <= 4) {
                    const CTVector3 c = OnWeb(nearest * SPIDERWEB_RING_STEP, std::round(phi / kSector));
                    const float dx = px - c.x, dy = py - c.y;
                    if (dx * dx + dy * dy < 36.0f) v = 110;
                }
                if (rho < 6.0f) v = 110;
                m[size_t(y) * kMapSide + x] = v;
            }
        return m;
    }();
    return map;
}

// a + (b - a) * t / 256 per channel.
uint32_t Mix(uint32_t a, uint32_t b, int t) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = int(a >> shift & 255), cb = int(b >> shift & 255);
        out |= uint32_t(ca + (cb - ca) * t / 256) << shift;
    }
    return out;
}

// A direction of the cube's face in panorama space (y down), as the panorama lays its faces out.
CTVector3 FacePoint(int face, float s, float t) {
    switch (face) {
    case 0: return {s, t, 1};
    case 1: return {1, t, -s};
    case 2: return {-s, t, -1};
    case 3: return {-1, t, s};
    case 4: return {s, -1, t};
    default: return {s, 1, -t};
    }
}
}  // namespace

uint32_t SpiderWeb_Cell(int ring, int pos) {
    static const int kZero[4] = {201, 218, 235, 252};
    static const int kFirst[4] = {201, 217, 233, 249};
    if (ring >= 5) return 265;
    const int p = ((pos % 16) + 16) % 16;
    int id = kZero[ring - 1] + p;
    if (id > kFirst[ring - 1] + 15) id -= 16;
    return uint32_t(id);
}

CTVector3 SpiderWeb_Coords(uint32_t view) {
    switch (view) {
    case SPIDERWEB_WAY_199: return OnWeb(5.2f * SPIDERWEB_RING_STEP, 12);
    case SPIDERWEB_WAY_200: return OnWeb(5.2f * SPIDERWEB_RING_STEP, 14);
    case SPIDERWEB_BEFORE: return OnWeb(6.4f * SPIDERWEB_RING_STEP, 13);
    default: break;
    }
    if (!IsCell(view)) return {};
    const int r = RingOf(view);
    return r == 5 ? CTVector3{} : OnWeb(float(5 - r) * SPIDERWEB_RING_STEP, float(PosOf(view)));
}

std::vector<uint32_t> SpiderWeb_Exits(uint32_t view) {
    switch (view) {
    case SPIDERWEB_BEFORE: return {SPIDERWEB_WAY_199, SPIDERWEB_WAY_200};
    case SPIDERWEB_WAY_199: return {213, SPIDERWEB_BEFORE};
    case SPIDERWEB_WAY_200: return {215, SPIDERWEB_BEFORE};
    case 265: {
        std::vector<uint32_t> all;
        for (int a = 0; a < 16; a++) all.push_back(SpiderWeb_Cell(4, a));
        return all;
    }
    default: break;
    }
    if (!IsCell(view)) return {};
    const int r = RingOf(view), a = PosOf(view);
    std::vector<uint32_t> exits;
    if (!(r == kGapRing && a == kGapPos + 1)) exits.push_back(SpiderWeb_Cell(r, a - 1));
    if (!(r == kGapRing && a == kGapPos)) exits.push_back(SpiderWeb_Cell(r, a + 1));
    if (r > 1) exits.push_back(SpiderWeb_Cell(r - 1, a));
    exits.push_back(SpiderWeb_Cell(r + 1, a));
    if (view == 213) exits.push_back(SPIDERWEB_WAY_199);
    if (view == 215) exits.push_back(SPIDERWEB_WAY_200);
    return exits;
}

void SpiderWeb_AimToward(uint32_t from, uint32_t to, float* yaw, float* pitch) {
    const CTVector3 a = SpiderWeb_Coords(from), b = SpiderWeb_Coords(to);
    const float dx = b.x - a.x, dz = b.y - a.y;
    *yaw = std::atan2(dx, dz);
    *pitch = std::atan2(-kEye, std::sqrt(dx * dx + dz * dz));
}

std::vector<WamPointDesc> SpiderWeb_ZoneAt(float yaw, float pitch, float half) {
    const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    const float d[3] = {sy * cp, sp, cy * cp}, right[3] = {cy, 0, -sy}, up[3] = {-sy * sp, cp, -cy * sp};
    std::vector<WamPointDesc> pts;
    for (auto [u, v] : {std::pair{-1.f, -1.f}, {1.f, -1.f}, {1.f, 1.f}, {-1.f, 1.f}})
        pts.push_back({d[0] + half * (u * right[0] + v * up[0]), d[1] + half * (u * right[1] + v * up[1]),
                       d[2] + half * (u * right[2] + v * up[2])});
    return pts;
}

std::vector<WamPointDesc> SpiderWeb_ZoneToward(uint32_t from, uint32_t to, float half) {
    float yaw, pitch;
    SpiderWeb_AimToward(from, to, &yaw, &pitch);
    // Mostly below the spot, where a spider standing there leaves it free.
    return SpiderWeb_ZoneAt(yaw, pitch - SPIDERWEB_ZONE_DROP, half);
}

WamFileDesc SpiderWeb_World() {
    WamFileDesc f;
    f.monde = SPIDERWEB_MONDE;
    f.cd = 1;
    WamLieuDesc toile{SPIDERWEB_LIEU, "Toile", {}};
    for (uint32_t id = SPIDERWEB_BEFORE; id <= 265; id++) {
        WamVueDesc v;
        v.id = id;
        char name[16];
        std::snprintf(name, sizeof name, "YU%03u", id);
        v.name = name;
        v.pitchMin = -1.3f;
        v.pitchMax = 0.8f;
        v.pitchStart = -0.45f;
        // Every view looks toward the centre; the centre looks toward the ways.
        const CTVector3 at = SpiderWeb_Coords(id);
        const CTVector3 look = id == 265 ? OnWeb(4 * SPIDERWEB_RING_STEP, 13) : CTVector3{};
        v.yawStart = std::atan2(look.x - at.x, look.y - at.y);
        for (uint32_t to : SpiderWeb_Exits(id)) {
            v.zones.push_back({1, to, "", SpiderWeb_ZoneToward(id, to)});
            v.dests.push_back({to, ""});
        }
        toile.vues.push_back(v);
    }
    f.lieux = {toile};
    return f;
}

std::vector<ToileBlock> SpiderWeb_ToileBlocks() {
    std::vector<ToileBlock> blocks;
    for (uint32_t id = 201; id <= 265; id++) {
        const CTVector3 c = SpiderWeb_Coords(id);
        blocks.push_back({std::to_string(id), c.x, c.y, c.z});
    }
    return blocks;
}

const std::vector<std::string>& SpiderWeb_DatabaseFiles() {
    static const std::vector<std::string> files = {
        "PARmar.DB", "PARstby.DB", "chenille.DB", "sauterelle.DB", "ARmar.DB",    "ARstby.DB",
        "ARmen.DB",  "ARtoil.DB",  "crane.DB",    "bouclier.DB",   "macahuitl.db"};
    return files;
}

CTDataBase SpiderWeb_Database(const std::string& file) {
    if (file == "PARmar.DB") return Spider(false, Pose::Walk);
    if (file == "PARstby.DB") return Spider(false, Pose::Stand);
    if (file == "ARmar.DB") return Spider(true, Pose::Walk);
    if (file == "ARstby.DB") return Spider(true, Pose::Stand);
    if (file == "ARmen.DB") return Spider(true, Pose::Strike);
    if (file == "ARtoil.DB") return Spider(true, Pose::Struck);
    if (file == "chenille.DB") return Caterpillar();
    if (file == "sauterelle.DB") return Grasshopper();
    if (file == "crane.DB") return Skull();
    if (file == "bouclier.DB") return Feather();
    if (file == "macahuitl.db") return Sword();
    return {};
}

bool SpiderWeb_Write3D(const std::string& dir, std::string* error) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const std::string d3 = root + "datas_q2/3d/pz_araig/";
    if (!ToileWriter_Save(d3 + "toile.vue", SpiderWeb_ToileBlocks())) return fail(error, d3 + "toile.vue");
    for (const std::string& file : SpiderWeb_DatabaseFiles())
        if (!DbWriter_Save(d3 + file, SpiderWeb_Database(file))) return fail(error, d3 + file);
    const struct {
        const char* name;
        uint32_t (*texel)(int, int);
    } maps[] = {{"araignee.tga", SmallSpiderTexel}, {"araignee_noire.tga", BigSpiderTexel},
                {"chenille.tga", CaterpillarTexel}, {"sauterelle.tga", GrasshopperTexel},
                {"crane.tga", SkullTexel},          {"plume.tga", FeatherTexel},
                {"macahuitl.tga", SwordTexel}};
    for (const auto& m : maps)
        if (!TgaWriter_Save(d3 + m.name, Picture(32, m.texel))) return fail(error, d3 + m.name);
    return true;
}

std::vector<uint32_t> SpiderWeb_Face(uint32_t view, int face) {
    constexpr int kSide = 512;
    const std::vector<uint8_t>& map = WebMap();
    const CTVector3 at = SpiderWeb_Coords(view);
    std::vector<uint32_t> px(size_t(kSide) * kSide);
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++) {
            const CTVector3 d = FacePoint(face, (2.0f * float(x) + 1.0f) / kSide - 1.0f, (2.0f * float(y) + 1.0f) / kSide - 1.0f);
            // Above the web a plain night; below it the abyss and the threads, fading with the distance.
            uint32_t c = 0xFF141026u;
            if (d.y > 0.0f && d.y * d.y > 0.0004f * (d.x * d.x + d.z * d.z)) {
                const float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
                const float t = kEye / d.y;
                const float wx = at.x + t * d.x, wy = at.y + t * d.z;
                c = Mix(0x06060C, 0x181420, int(256.0f * d.y / len));
                const int mx = int(std::floor(wx)) + kMapHalf, my = int(std::floor(wy)) + kMapHalf;
                if (mx >= 0 && my >= 0 && mx < kMapSide && my < kMapSide) {
                    const int v = map[size_t(my) * kMapSide + mx];
                    const float fog = std::clamp(1.0f - t * len / 1400.0f, 0.15f, 1.0f);
                    if (v) c = Mix(c, 0xE8E8F0, int(float(v) * fog));
                }
            }
            px[size_t(y) * kSide + x] = c;
        }
    return px;
}

bool SpiderWeb_WriteFaces(const std::string& dir, std::string* error) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    for (uint32_t id = SPIDERWEB_BEFORE; id <= 265; id++) {
        std::vector<std::vector<uint32_t>> faces;
        for (int f = 0; f < 6; f++) faces.push_back(SpiderWeb_Face(id, f));
        char name[32];
        std::snprintf(name, sizeof name, "YU%03u.qmv", id);
        if (!Vq6Writer_SavePackedView(root + "datas_q2/warp/" + name, faces, 512)) return fail(error, name);
    }
    return true;
}
