// The canoe puzzle's data as the tests and the demo install it: the board's ground pictures and their
// depth images seen through the puzzle's camera, the background, the canoe's and the stones' databases
// with their textures, the progress pictures and the river.
#include "testdata/CanoeScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "puzzles/pz_pirogue_scene.h"
#include "testdata/DbWriter.h"
#include "testdata/SceneWriter.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"
#include "testdata/TgaWriter.h"
#include "testdata/ZbfWriter.h"

namespace {
constexpr float H = CANOE_HALF_CELL;
constexpr float kZ = PIROGUE_CENTRE_Z;
// Heights above the river's points: the water, the banks' foot and top.
constexpr float kWater = -2.5f;
constexpr float kBank = 5.0f;
constexpr float kChannel = 10.0f;  // half width of a channel
constexpr float kSlope = 4.0f;     // width of a bank's slope
// The distance field of a piece: a grid of this step around the cell, distances held to kFar.
constexpr float kStep = 0.5f;
constexpr float kFar = 16.0f;
constexpr int kSide = int((2 * H + 2) / kStep) + 2;

enum Material { WATER, GRASS, EARTH, WALL, BORDER, MATERIALS };
constexpr int kLevels = 16;
const uint32_t kBase[MATERIALS] = {0x2C64B4, 0x4C9A3C, 0x9A7446, 0x5A4028, 0x3A2A1A};

bool fail(std::string* error, const std::string& what) {
    if (error && error->empty()) *error = what;
    return false;
}

uint32_t Shade(uint32_t rgb, float k) {
    auto ch = [&](int s) { return uint32_t(std::clamp(float((rgb >> s) & 0xFF) * k, 0.0f, 255.0f)) << s; };
    return ch(16) | ch(8) | ch(0);
}

uint32_t Colour(Material m, int level) {
    return 0xFF000000u | Shade(kBase[m], 0.45f + 0.75f * float(std::clamp(level, 0, kLevels - 1)) / (kLevels - 1));
}

// Gentle unevenness of the banks, 0..1.
float Noise(float u, float v) {
    return 0.5f + 0.25f * std::sin(0.31f * u + 1.7f) * std::sin(0.27f * v + 0.4f) + 0.25f * std::sin(0.13f * u - 0.17f * v);
}

// The ground of a piece, unturned, around its cell's centre: distances to its channels and heights on a
// grid, read between grid points.
struct Terrain {
    std::vector<float> dist = std::vector<float>(size_t(kSide) * kSide, kFar);
    std::vector<float> height = std::vector<float>(size_t(kSide) * kSide, 0.0f);

    explicit Terrain(int piece) {
        for (const std::vector<CTVector3>& line : CanoeRiver_Channels(piece))
            for (size_t i = 0; i + 1 < line.size(); i++) Splat(line[i], line[i + 1]);
        for (int j = 0; j < kSide; j++)
            for (int i = 0; i < kSide; i++) {
                const float d = dist[size_t(j) * kSide + i];
                const float top = kBank + 1.2f * Noise(Coord(i), Coord(j));
                height[size_t(j) * kSide + i] = d < kChannel            ? kWater
                                                : d < kChannel + kSlope ? kWater + (d - kChannel) / kSlope * (top - kWater)
                                                                        : top;
            }
    }
    void Splat(const CTVector3& a, const CTVector3& b) {
        const float ex = b.x - a.x, ey = b.y - a.y, len2 = ex * ex + ey * ey;
        const int i0 = Cell(std::min(a.x, b.x) - kFar), i1 = Cell(std::max(a.x, b.x) + kFar);
        const int j0 = Cell(std::min(a.y, b.y) - kFar), j1 = Cell(std::max(a.y, b.y) + kFar);
        for (int j = std::max(j0, 0); j <= std::min(j1, kSide - 1); j++)
            for (int i = std::max(i0, 0); i <= std::min(i1, kSide - 1); i++) {
                const float px = Coord(i) - a.x, py = Coord(j) - a.y;
                const float t = len2 > 0 ? std::clamp((px * ex + py * ey) / len2, 0.0f, 1.0f) : 0.0f;
                float& d = dist[size_t(j) * kSide + i];
                d = std::min(d, std::hypot(px - t * ex, py - t * ey));
            }
    }
    static int Cell(float c) { return int(std::floor((c + H + 1) / kStep)); }
    static float Coord(int i) { return float(i) * kStep - H - 1; }
    static float Between(const std::vector<float>& grid, float u, float v) {
        const float fx = (u + H + 1) / kStep, fy = (v + H + 1) / kStep;
        const int i = std::clamp(int(fx), 0, kSide - 2), j = std::clamp(int(fy), 0, kSide - 2);
        const float tx = std::clamp(fx - float(i), 0.0f, 1.0f), ty = std::clamp(fy - float(j), 0.0f, 1.0f);
        const float* r0 = &grid[size_t(j) * kSide + i];
        const float* r1 = r0 + kSide;
        return (r0[0] * (1 - tx) + r0[1] * tx) * (1 - ty) + (r1[0] * (1 - tx) + r1[1] * tx) * ty;
    }
    // Height above the river's points.
    float Height(float u, float v) const { return Between(height, u, v); }
    Material MaterialAt(float u, float v) const {
        const float d = Between(dist, u, v);
        if (d < kChannel + 0.3f) return WATER;
        if (d < kChannel + kSlope + 0.5f) return EARTH;
        if (std::fabs(u) > H - 1.5f || std::fabs(v) > H - 1.5f) return BORDER;
        return GRASS;
    }
};

// A point of a turned piece back to the piece's unturned place: a quarter turn sends (x, y) to (y, -x).
void Unturn(int turns, float& u, float& v) {
    for (int k = 0; k < turns; k++) {
        const float x = u;
        u = -v;
        v = x;
    }
}

struct View {
    CTVector3 eye, right, down, forward;
    float cx, cy, sx, sy;
};

View MakeView() {
    const CTCamera cam = CanoeScene_Camera();
    const CTFrame& f = cam.frame;
    View v;
    v.eye = f.PointToWorld({0, 0, 0});
    v.right = Vec3_Sub(f.PointToWorld({1, 0, 0}), v.eye);
    v.down = Vec3_Sub(f.PointToWorld({0, 1, 0}), v.eye);
    v.forward = Vec3_Sub(f.PointToWorld({0, 0, 1}), v.eye);
    v.cx = cam.Cx;
    v.cy = cam.Cy;
    v.sx = cam.Sx;
    v.sy = cam.Sy;
    return v;
}

CanoeGround Render(int code, const Terrain& terrain, const View& view) {
    const int piece = code / 4, turns = code % 4, col = piece % 3, row = piece / 3;
    const CTVector3 centre = pirogue_centre_case(piece);
    const int x0 = pirogue_coin_x(col, row) + pirogue_sols[code].dx - 271;
    const int y0 = pirogue_coin_y(col, row) + pirogue_sols[code].dy - 107;
    CanoeGround g;
    g.width = 212 + (182 - pirogue_sols[code].dx);
    g.height = pirogue_coin_y(col, row) + 112 - y0;
    g.pixels.assign(size_t(g.width) * g.height, 0);
    g.depths.assign(size_t(g.width) * g.height, 0);
    // The reader scales a piece at home by the table's factor for its home cell.
    const double home = piece < 8 && PIROGUE_RATIOS[piece][piece] > 0 ? PIROGUE_RATIOS[piece][piece] : 1.0;
    const CTVector3 light = Vec3_Scale(CTVector3{-0.45f, 0.5f, 0.74f}, 1.0f / std::sqrt(0.45f * 0.45f + 0.25f + 0.74f * 0.74f));
    auto heightAt = [&](float x, float y, bool* inside) {
        float u = x - centre.x, v = y - centre.y;
        Unturn(turns, u, v);
        // A little over the cell, so that no pixel falls between two pieces.
        *inside = std::fabs(u) <= H + 0.75f && std::fabs(v) <= H + 0.75f;
        return terrain.Height(u, v);
    };
    // Steps shorter than any slope of the ground, refined by halving.
    const float stepZ = 1.0f / std::hypot(view.forward.x, view.forward.y);
    for (int b = 0; b < g.height; b++)
        for (int a = 0; a < g.width; a++) {
            const float px = (float(x0 + a) + 0.5f - view.cx) / view.sx, py = (float(y0 + b) + 0.5f - view.cy) / view.sy;
            const CTVector3 base = Vec3_Add(view.eye, Vec3_Add(Vec3_Scale(view.right, px), Vec3_Scale(view.down, py)));
            auto at = [&](float z) { return Vec3_Add(base, Vec3_Scale(view.forward, z)); };
            auto below = [&](float z) {
                const CTVector3 p = at(z);
                bool inside;
                const float h = heightAt(p.x, p.y, &inside);
                return inside && p.z <= kZ + h;
            };
            const float zTop = (kZ + kBank + 1.3f - base.z) / view.forward.z;
            const float zEnd = (kZ + kWater - 0.1f - base.z) / view.forward.z;
            // Rays whose way over the ground misses the piece's square see nothing of it.
            const CTVector3 p0 = at(zTop), p1 = at(zEnd);
            if (std::max(p0.x, p1.x) < centre.x - H - 1 || std::min(p0.x, p1.x) > centre.x + H + 1 ||
                std::max(p0.y, p1.y) < centre.y - H - 1 || std::min(p0.y, p1.y) > centre.y + H + 1)
                continue;
            float prev = zTop, hit = -1.0f;
            for (float z = zTop; z <= zEnd + stepZ; z += stepZ) {
                if (below(z)) {
                    float lo = prev, hi = z;
                    for (int k = 0; k < 10; k++) {
                        const float mid = 0.5f * (lo + hi);
                        (below(mid) ? hi : lo) = mid;
                    }
                    hit = hi;
                    break;
                }
                prev = z;
            }
            if (hit <= 0.0f) continue;
            const CTVector3 p = at(hit);
            bool inside;
            const float h = heightAt(p.x, p.y, &inside);
            float u = p.x - centre.x, v = p.y - centre.y;
            Unturn(turns, u, v);
            Material m = terrain.MaterialAt(u, v);
            int level;
            if (p.z < kZ + h - 0.5f) {
                m = WALL;
                level = 8;
            } else if (m == WATER) {
                level = 9 + int(std::lround(2.5f * std::sin(0.9f * u + 0.4f * v) * std::sin(0.35f * v - 0.2f * u)));
            } else {
                bool in;
                const float e = 0.5f;
                const float gx = (heightAt(p.x + e, p.y, &in) - heightAt(p.x - e, p.y, &in)) / (2 * e);
                const float gy = (heightAt(p.x, p.y + e, &in) - heightAt(p.x, p.y - e, &in)) / (2 * e);
                const CTVector3 n = Vec3_Scale(CTVector3{-gx, -gy, 1.0f}, 1.0f / std::sqrt(gx * gx + gy * gy + 1.0f));
                level = int(std::lround((kLevels - 1) * std::clamp(0.3f + 0.7f * Vec3_Dot(n, light), 0.0f, 1.0f)));
            }
            const size_t at2 = size_t(b) * g.width + a;
            g.pixels[at2] = Colour(m, level);
            g.depths[at2] = uint32_t(double(ZbfWriter_DepthAt(hit)) / home);
        }
    return g;
}

// --- Pictures ---

TgaImage Picture(int w, int h, const std::function<uint32_t(int, int)>& texel) {
    TgaImage img;
    img.width = w;
    img.height = h;
    img.type = 2;
    img.bitsPerPixel = 24;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) img.pixels.push_back(0xFF000000u | texel(x, y));
    return img;
}

// Side of the board's parallelogram that P lies on, for the line from A to B.
int64_t SideOf(int ax, int ay, int bx, int by, int px, int py) {
    return int64_t(ax - px) * (by - py) - int64_t(bx - px) * (ay - py);
}

// Dusk over a forest, the board's bed in the middle.
TgaImage Background() {
    return Picture(PIROGUE_LARGEUR, PIROGUE_HAUTEUR, [](int x, int y) {
        // The board's corners (270, 86), (633, 224), (366, 413), (3, 275), pushed out a little.
        const int m = 10;
        const bool bed = SideOf(270, 86 - m, 633 + m, 224, x, y) >= 0 && SideOf(633 + m, 224, 366, 413 + m, x, y) >= 0 &&
                         SideOf(366, 413 + m, 3 - m, 275, x, y) >= 0 && SideOf(3 - m, 275, 270, 86 - m, x, y) >= 0;
        if (bed) return Shade(0x3A2818, 0.8f + 0.2f * Noise(float(x), float(y)));
        const float t = float(y) / PIROGUE_HAUTEUR;
        const uint32_t sky = Shade(0x1C2C48, 0.6f + 0.6f * (1 - t));
        const float trees = 40.0f + 25.0f * std::sin(float(x) * 0.05f) + 12.0f * std::sin(float(x) * 0.23f);
        if (float(y) < trees) return sky;
        return Shade(0x1E3A22, 0.5f + 0.5f * Noise(float(x) * 0.7f, float(y) * 0.7f));
    });
}

// --- Databases ---

CTDbMaterial Textured(CTDataBase& db, const std::string& name, const std::string& map) {
    DbWriter_Add(db.textures, CTDbTexture{map, 0});
    CTDbMaterial m = SceneWriter_Material(name, {1, 1, 1, 1}, map);
    DbWriter_Add(db.materials, m);
    return m;
}

// A box of half sizes (x, y, z) about its centre, z up.
CTDbMesh Box(const std::string& name, float hx, float hy, float hz, const std::string& material) {
    CTDbMesh m = SceneWriter_Box(name, 1.0f, material, material);
    // The writer's box has y up: a quarter turn about x brings it to z up, then each side is stretched.
    for (CTVector3& v : m.vertices) v = {v.x * hx, -v.z * hy, v.y * hz};
    for (CTVector3& n : m.normals) n = {n.x, -n.z, n.y};
    return m;
}

CTDbObject Object(const std::string& name, const std::string& mesh, const std::string& parent, CTVector3 pos,
                  CTQuaternion rot = {}) {
    CTDbObject o = DbWriter_Object(name, mesh, parent, pos);
    o.rotation = rot;
    return o;
}

// How a canoe database paddles: sides (+1 right, -1 left, 0 both in turn) and stroke direction.
struct Stroke {
    const char* file;
    int side;
    float sweep;
    uint32_t hull;
};
const Stroke kStrokes[] = {
    {"C1.db", 0, 0.6f, 0xA0703C}, {"g1.db", -1, 0.8f, 0xA0703C}, {"h1.db", 0, -0.6f, 0xA0703C},
    {"a1.db", 1, 0.8f, 0xA0703C}, {"b1.db", 0, 0.6f, 0x80603C},  {"e1.db", 0, 0.6f, 0x80603C},
};

uint32_t WoodTexel(int x, int y) { return (y % 8 == 0 ? 0x5A3A1C : 0xA0703C) - uint32_t((x * 7 + y * 3) % 5) * 0x010101; }
uint32_t ClothTexel(int x, int y) { return (x / 4 + y / 4) % 2 ? 0xB03020 : 0xD04830; }
uint32_t PaddleTexel(int x, int y) { return (x + y) % 6 ? 0xC8A060 : 0xA88040; }

const uint32_t kStoneColours[PIROGUE_NB_PIERRES] = {0xF0F0F0, 0x2040A0, 0xE8D030, 0xE88020, 0xC02020, 0x30A040, 0x8040B0};
}  // namespace

CTCamera CanoeScene_Camera() {
    CTCamera cam;
    cam.SetCenter(PIROGUE_LARGEUR * 0.5f, PIROGUE_HAUTEUR * 0.5f);
    cam.SetClipRect(0, 0, PIROGUE_LARGEUR - 1, PIROGUE_HAUTEUR - 1);
    cam.SetNear(1.0f);
    cam.SetFar(5000.0f);
    pirogue_cadre_camera(cam);
    return cam;
}

CTScreenPoint CanoeScene_Screen(const CTVector3& p) {
    static const CTCamera cam = CanoeScene_Camera();
    const CTVector4 s = cam.ProjectPoint(cam.frame.PointFromWorld(p));
    return {s.x, s.y};
}

const std::vector<CanoeGround>& CanoeScene_Ground() {
    static const std::vector<CanoeGround> ground = [] {
        const View view = MakeView();
        std::vector<CanoeGround> out;
        for (int piece = 0; piece < PIROGUE_NB_CASES; piece++) {
            const Terrain terrain(piece);
            for (int turns = 0; turns < (piece == 8 ? 1 : 4); turns++) out.push_back(Render(4 * piece + turns, terrain, view));
        }
        return out;
    }();
    return ground;
}

CTDataBase CanoeScene_Canoe(const std::string& file) {
    const Stroke* s = &kStrokes[0];
    for (const Stroke& k : kStrokes)
        if (file == k.file) s = &k;
    CTDataBase db;
    Textured(db, "Bois", "pirogue.tga");
    Textured(db, "Tissu", "pagayeur.tga");
    Textured(db, "Pagaie", "pagaie.tga");
    DbWriter_Add(db.meshes, Box("Coque", 7.0f, 3.0f, 1.6f, "Bois"));
    DbWriter_Add(db.meshes, Box("Pointe", 5.0f, 1.8f, 1.3f, "Bois"));
    DbWriter_Add(db.meshes, Box("Corps", 1.6f, 1.4f, 2.2f, "Tissu"));
    DbWriter_Add(db.meshes, Box("Manche", 0.3f, 0.3f, 4.5f, "Pagaie"));
    DbWriter_Add(db.meshes, Box("Pale", 0.9f, 0.2f, 1.4f, "Pagaie"));
    // The canoe is drawn along +x with z up; the puzzle turns its frame toward the way ahead, so the
    // top object undoes that turn for a heading along +x.
    CTFrame heading(nullptr);
    pirogue_vise(heading, {0, 0, 0}, {1, 0, 0});
    heading.UpdateWorld();
    const CTQuaternion undo = heading.worldRotation.Conj();
    DbWriter_Add(db.objects, Object("Pirogue", "", "", {0, 0, 0}, undo));
    DbWriter_Add(db.objects, Object("Coque", "Coque", "Pirogue", {0, 0, -1.4f}));
    DbWriter_Add(db.objects, Object("Proue", "Pointe", "Pirogue", {11.0f, 0, -1.2f}));
    DbWriter_Add(db.objects, Object("Poupe", "Pointe", "Pirogue", {-11.0f, 0, -1.2f}));
    DbWriter_Add(db.objects, Object("Pagayeur", "Corps", "Pirogue", {-1.0f, 0, 2.4f}));
    DbWriter_Add(db.objects, Object("Pagaie", "Manche", "Pirogue", {0, 3.8f, 1.5f}));
    DbWriter_Add(db.objects, Object("Pale", "Pale", "Pagaie", {0, 0, -5.0f}));
    CTDbAnimation a;
    a.name = "Pagaie";
    a.length = CANOE_FRAMES;
    for (uint32_t f = 0; f <= CANOE_FRAMES; f += 3) {
        const float t = float(f) / float(CANOE_FRAMES);
        // Two strokes per cycle; the paddle changes side between them unless the database keeps one.
        const int half = f < CANOE_FRAMES / 2 ? 1 : -1;
        const int side = s->side ? s->side : half;
        const float swing = s->sweep * std::cos(t * 2.0f * 3.14159265f * 2.0f);
        a.rotationKeys.push_back({float(f), CTQuaternion::FromAxisAngle({0, 1, 0}, swing)});
        a.positionKeys.push_back({float(f), {0, 3.8f * float(side), 1.5f}});
    }
    DbWriter_Add(db.animations, a);
    if (file == kStrokes[0].file) {
        CTDbCamera cam;
        cam.name = "Camera01";
        cam.projection = CAMERA_PARALLEL;
        cam.nearDist = 1.0f;
        cam.farDist = 5000.0f;
        cam.parallelWidth = 420.0f;
        DbWriter_Add(db.cameras, cam);
    }
    return db;
}

CTDataBase CanoeScene_Stone(int stone) {
    CTDataBase db;
    // The layer keeps materials and meshes by name: each stone names its own.
    char map[32], material[16], mesh[16];
    std::snprintf(map, sizeof map, "pierre%d.tga", stone);
    std::snprintf(material, sizeof material, "Pierre%d", stone);
    std::snprintf(mesh, sizeof mesh, "Galet%d", stone);
    Textured(db, material, map);
    CTDbMesh m = SceneWriter_Sphere(mesh, 3.0f, 6, 8, material);
    for (CTVector3& v : m.vertices) v.z *= 0.7f;
    DbWriter_Add(db.meshes, m);
    // Placed away from the origin in the file: the puzzle brings it back onto its point.
    DbWriter_Add(db.objects, Object("Galet", mesh, "", {30.0f, -12.0f, 4.0f}));
    return db;
}

bool CanoeScene_WriteCD(const std::string& cdDir, const CanoeSceneOptions& options, std::string* error) {
    const std::string root = (cdDir.empty() || cdDir.back() == '/' ? cdDir : cdDir + "/") + "datas_q2/3d/pz_pirog/";
    for (const Stroke& s : kStrokes)
        if (options.withoutDatabase != s.file && !DbWriter_Save(root + s.file, CanoeScene_Canoe(s.file)))
            return fail(error, root + s.file);
    for (int i = 0; i < PIROGUE_NB_PIERRES; i++) {
        const std::string file = pirogue_pierre_files[i];
        if (options.withoutDatabase != file && !DbWriter_Save(root + file, CanoeScene_Stone(i))) return fail(error, root + file);
        char map[32];
        std::snprintf(map, sizeof map, "pierre%d.tga", i);
        const uint32_t c = kStoneColours[i];
        if (!TgaWriter_Save(root + map, Picture(16, 16, [c](int x, int y) { return (x * 3 + y * 5) % 7 ? c : Shade(c, 0.7f); })))
            return fail(error, root + map);
    }
    const std::pair<const char*, uint32_t (*)(int, int)> maps[] = {
        {"pirogue.tga", WoodTexel}, {"pagayeur.tga", ClothTexel}, {"pagaie.tga", PaddleTexel}};
    for (const auto& [name, texel] : maps)
        if (!TgaWriter_Save(root + name, Picture(32, 32, texel))) return fail(error, root + name);
    if (!TgaWriter_Save(root + "fdpuzzle.tga", Background())) return fail(error, root + "fdpuzzle.tga");
    if (!CanoeRiver_Save(root + "traj_pirog.txt", CanoeRiver_Points(options.river))) return fail(error, root + "traj_pirog.txt");
    const std::vector<CanoeGround>& ground = CanoeScene_Ground();
    for (int code = 0; code < PIROGUE_NB_CODES; code++) {
        if (code == options.withoutDepth) continue;
        // The depth of the piece at home, where the puzzle cuts its rectangle.
        std::vector<uint32_t> image(size_t(PIROGUE_LARGEUR) * PIROGUE_HAUTEUR, 0);
        const CanoeGround& g = ground[size_t(code)];
        const int x = pirogue_coupe_x(code), y = pirogue_coupe_y(code);
        for (int b = 0; b < g.height; b++)
            std::copy_n(&g.depths[size_t(b) * g.width], g.width, &image[size_t(y + b) * PIROGUE_LARGEUR + x]);
        const std::string path = root + "zbf/" + pirogue_sols[code].name + ".zbf";
        if (!ZbfWriter_Save(path, PIROGUE_LARGEUR, PIROGUE_HAUTEUR, image)) return fail(error, path);
    }
    return true;
}

bool CanoeScene_WriteBanks(const std::string& installDir, const CanoeSceneOptions& options, std::string* error) {
    const std::string root = (installDir.empty() || installDir.back() == '/' ? installDir : installDir + "/") + "spr/";
    std::vector<SprImage> ground;
    for (const CanoeGround& g : CanoeScene_Ground()) {
        SprImage img;
        img.width = g.width;
        img.height = g.height;
        img.pixels = g.pixels;
        ground.push_back(img);
    }
    // Stones taken in order, in a row: picture k - 1 shows k of them.
    std::vector<SprImage> progress;
    for (int k = 1; k <= PIROGUE_NB_PIERRES; k++) {
        SprImage img;
        img.width = 7 * 18 + 4;
        img.height = 22;
        img.x = -CANOE_PROGRESS_X;
        img.y = -CANOE_PROGRESS_Y;
        img.pixels.assign(size_t(img.width) * img.height, 0xFF201810u);
        for (int i = 0; i < k; i++)
            for (int y = 0; y < img.height; y++)
                for (int x = 0; x < img.width; x++) {
                    const int dx = x - (11 + 18 * i), dy = y - 11;
                    if (dx * dx + dy * dy <= 49) img.pixels[size_t(y) * img.width + x] = 0xFF000000u | kStoneColours[ordre_pierres[i]];
                }
        progress.push_back(img);
    }
    const std::pair<const char*, const std::vector<SprImage>*> banks[] = {{"SolPirog.spr", &ground}, {"ponPirog.spr", &progress}};
    for (const auto& [name, images] : banks) {
        if (options.withoutBank == name) continue;
        std::string why;
        if (!SprWriter_Save(root + name, *images, SprWriterOptions{}, &why)) return fail(error, root + name + ": " + why);
    }
    return true;
}
