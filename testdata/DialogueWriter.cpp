// Writers of dialogue scripts and generated dialogue characters.
#include "testdata/DialogueWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "testdata/DbWriter.h"
#include "testdata/TempDir.h"

// ---- Scripts ----

namespace {

std::string Number(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", double(v));
    return buf;
}

std::string Join(const std::vector<DlgScriptLine>& lines, std::string DlgScriptLine::*field, const DlgScriptDesc& d)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i].*field;
        if (i + 1 < lines.size() || d.finalEol) out += d.eol;
    }
    return out;
}

}  // namespace

std::string DlgScript_PersoSection(const DlgPersoDesc& p, const std::string& eol)
{
    std::string s = "[Perso] " + p.name + eol;
    if (!p.mesh.empty()) s += "[Mesh] " + p.mesh + eol;
    for (const std::string& id : p.idTexts) s += "[IdText] " + id + eol;
    if (p.smooth >= 0.0f) s += "[Smooth] " + Number(p.smooth) + eol;
    if (p.offset >= 0.0f) s += "[Offset] " + Number(p.offset) + eol;
    for (size_t row = 0; row < 10 && p.matrix.size() == 70; ++row) {
        s += row == 0 ? "[Matrice]" : "\t";
        for (size_t col = 0; col < 7; ++col) s += " " + Number(p.matrix[row * 7 + col]);
        s += eol;
    }
    for (int k = 0; k < 4; ++k) {
        if (p.focals[k].empty()) continue;
        s += "[Focale" + std::to_string(k + 1) + "]";
        for (float f : p.focals[k]) s += " " + Number(f);
        s += eol;
    }
    return s + "[FinPerso]" + eol;
}

std::string DlgScript_Code(int dialogue, int reply)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%03d_%02d", dialogue, reply);
    return buf;
}

DlgScriptLine DlgScript_Reply(int dialogue, int reply, const std::string& perso, const std::string& staging,
                              const std::string& text)
{
    const std::string code = DlgScript_Code(dialogue, reply) + " " + perso;
    return {staging.empty() ? code : code + " " + staging, code + " " + text};
}

std::string DlgScript_InfoText(const DlgScriptDesc& d)
{
    std::string s = "// Personnages" + d.eol;
    for (const DlgPersoDesc& p : d.persos) s += DlgScript_PersoSection(p, d.eol);
    return s + "// fin" + d.eol;
}

std::string DlgScript_ComText(const DlgScriptDesc& d) { return Join(d.lines, &DlgScriptLine::staging, d); }
std::string DlgScript_DialText(const DlgScriptDesc& d) { return Join(d.lines, &DlgScriptLine::text, d); }

bool DlgScript_Save(const std::string& installDir, const std::string& worldCode, const DlgScriptDesc& d)
{
    return WriteFileText(installDir + "scenar/info" + worldCode + ".txt", DlgScript_InfoText(d)) &&
           WriteFileText(installDir + "scenar/com" + worldCode + ".txt", DlgScript_ComText(d)) &&
           WriteFileText(installDir + "loc/dial" + worldCode + ".txt", DlgScript_DialText(d));
}

// ---- Characters ----

namespace {

constexpr int kMapSize = 128;
constexpr float kMouthHalfWidth = 0.42f;
constexpr char kShapes[] = "diaobsv";
// Per mouth shape: opening (in grid cells below the upper lip) and width factor.
constexpr float kOpening[7] = {0.05f, 0.6f, 3.0f, 2.2f, 0.0f, 0.4f, 0.5f};
constexpr float kWidth[7] = {1.0f, 1.15f, 1.05f, 0.75f, 1.0f, 1.1f, 1.0f};

int UpperLipRow(int grid) { return int(std::lround(0.71 * grid)); }

// Share of the mouth's weight at x: 1 in the middle, 0 at and past the corners.
float MouthShare(float x)
{
    const float r = x / kMouthHalfWidth;
    return r * r < 1.0f ? 1.0f - r * r : 0.0f;
}

CTVector3 Neutral(int grid, int i, int j)
{
    const float x = -1.0f + 2.0f * float(i) / float(grid), y = -1.0f + 2.0f * float(j) / float(grid);
    return {x, y, -0.45f * (1.0f - 0.8f * x * x) * (1.0f - 0.6f * y * y)};
}

uint32_t Rgb(uint32_t rgb) { return 0xFF000000u | rgb; }

struct Painter {
    TgaImage img;
    explicit Painter(uint32_t fill)
    {
        img.width = img.height = kMapSize;
        img.type = 2;
        img.bitsPerPixel = 24;
        img.topDown = true;
        img.pixels.assign(size_t(kMapSize) * kMapSize, Rgb(fill));
    }
    void Set(int x, int y, uint32_t rgb)
    {
        if (x >= 0 && y >= 0 && x < kMapSize && y < kMapSize) img.pixels[size_t(y) * kMapSize + size_t(x)] = Rgb(rgb);
    }
    // Texel of a face point (x, y in -1..1).
    static int Px(float v) { return int(std::floor((v + 1.0f) * 0.5f * kMapSize)); }
};

constexpr uint32_t kLip = 0xB83838, kInside = 0x300810, kWhite = 0xF4F4F0,
                   kIris = 0x3060C0, kPupil = 0x101010, kLid = 0x704030, kBrow = 0x5A3418;

void PaintEye(Painter& p, int cx, int cy, int eyes, uint32_t skin)
{
    for (int y = cy - 7; y <= cy + 7; ++y) {
        for (int x = cx - 11; x <= cx + 11; ++x) {
            const float ex = float(x - cx) / 11.0f, ey = float(y - cy) / 7.0f;
            const float e = ex * ex + ey * ey;
            if (e > 1.0f) continue;
            const bool lidded = eyes == 1 || (eyes == 2 && y < cy);
            uint32_t c = kWhite;
            const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (d2 <= 4) c = kPupil;
            else if (d2 <= 25) c = kIris;
            if (lidded) c = skin;
            if (e > 0.8f || (eyes != 0 && (y == cy || y == cy + 1))) c = kLid;
            p.Set(x, y, c);
        }
        if (y == cy - 10)
            for (int x = cx - 12; x <= cx + 12; ++x) p.Set(x, y, kBrow);
    }
}

}  // namespace

void DlgCharacter_MouthTexels(const DlgCharacterDesc& d, int rect[4])
{
    const int j0 = UpperLipRow(d.grid);
    rect[0] = Painter::Px(-kMouthHalfWidth * 0.85f);
    rect[2] = Painter::Px(kMouthHalfWidth * 0.85f);
    rect[1] = int(std::floor(double(kMapSize) * j0 / d.grid)) + 1;
    rect[3] = int(std::ceil(double(kMapSize) * (j0 + 1) / d.grid)) - 1;
}

TgaImage DlgCharacter_Map(const DlgCharacterDesc& d, int eyes)
{
    Painter p(d.skin);
    for (int y = 0; y < kMapSize; ++y)
        for (int x = 0; x < kMapSize; ++x) {
            const float fx = float(x) / kMapSize - 0.5f;
            if (float(y) < 26.0f - 30.0f * fx * fx * 4.0f * 0.5f) p.Set(x, y, d.hair);
        }
    const int eyeY = Painter::Px(-0.15f);
    PaintEye(p, Painter::Px(-0.38f), eyeY, eyes, d.skin);
    PaintEye(p, Painter::Px(0.38f), eyeY, eyes, d.skin);
    // Nose: a darker wedge above the mouth.
    for (int y = Painter::Px(0.0f); y < Painter::Px(0.25f); ++y)
        for (int x = 64 - (y - 64) / 4; x <= 64 + (y - 64) / 4; ++x) p.Set(x, y, 0xC89878);
    int inside[4];
    DlgCharacter_MouthTexels(d, inside);
    // The inside fills the grid cell below the upper lip, thinning towards the corners as the lips
    // there move less.
    for (int y = inside[1] - 5; y <= inside[3] + 5; ++y)
        for (int x = Painter::Px(-kMouthHalfWidth); x <= Painter::Px(kMouthHalfWidth); ++x) {
            const float share = MouthShare((float(x) + 0.5f) / kMapSize * 2.0f - 1.0f);
            const bool in = y >= inside[1] && float(y - inside[1]) < float(inside[3] - inside[1] + 1) * share &&
                            x >= inside[0] && x <= inside[2];
            p.Set(x, y, in ? kInside : kLip);
        }
    return p.img;
}

std::vector<CTVector3> DlgCharacter_Target(const DlgCharacterDesc& d, int mood, char shape)
{
    const int s = int(std::string(kShapes).find(shape));
    const float open = kOpening[s], width = kWidth[s];
    const float cell = 2.0f / float(d.grid);
    const int j0 = UpperLipRow(d.grid);
    std::vector<CTVector3> out;
    for (int j = 0; j <= d.grid; ++j) {
        for (int i = 0; i <= d.grid; ++i) {
            CTVector3 v = Neutral(d.grid, i, j);
            const float share = MouthShare(v.x);
            if (j > j0) {
                const float fall = std::max(0.0f, 1.0f - 0.25f * float(j - j0 - 1));
                v.y += (open - 1.0f) * cell * share * fall;
            } else if (j >= j0 - 1) {
                v.y -= std::max(0.0f, open - 1.0f) * 0.25f * cell * share * (j == j0 ? 1.0f : 0.5f);
            }
            if (j >= j0 - 1 && j <= j0 + 2) {
                const float r = v.x / kMouthHalfWidth;
                const float corner = share * r * r * 4.0f * (j == j0 || j == j0 + 1 ? 1.0f : 0.5f);
                v.y += float(mood - 3) * 0.03f * corner;
                v.x += (width - 1.0f) * v.x * share;
            }
            out.push_back(v);
        }
    }
    return out;
}

CTDataBase DlgCharacter_Stand(const DlgCharacterDesc& d, int stand)
{
    CTDataBase db;
    const std::string& map = d.maps[size_t(stand) % d.maps.size()];
    const std::string faceMesh = d.face + "1-d";
    DbWriter_Add(db.textures, CTDbTexture{map, 0});
    CTDbMaterial skin;
    skin.name = "peau";
    skin.textureName = skin.mapFile = map;
    skin.colours[0] = {1, 1, 1, 1};
    DbWriter_Add(db.materials, skin);

    CTDbMesh m;
    m.name = faceMesh;
    m.flags = 0x100;
    const int g = d.grid;
    m.vertices = DlgCharacter_Target(d, 1, 'd');
    m.matrixSelect.assign(m.vertices.size(), 0);
    auto at = [g](int i, int j) { return uint16_t(j * (g + 1) + i); };
    auto uv = [g](int i, int j, std::vector<float>& out) {
        out.push_back(float(i) / float(g));
        out.push_back(float(j) / float(g));
    };
    // Two triangles a cell, turned towards -z where the cameras are.
    for (int j = 0; j < g; ++j)
        for (int i = 0; i < g; ++i) {
            const int tri[2][3][2] = {{{i, j}, {i, j + 1}, {i + 1, j}}, {{i + 1, j}, {i, j + 1}, {i + 1, j + 1}}};
            for (const auto& t : tri)
                for (const auto& c : t) {
                    m.faces.push_back(at(c[0], c[1]));
                    uv(c[0], c[1], m.texCoords);
                }
        }
    m.groups = {{"peau", uint16_t(m.faces.size() / 3)}};
    DbWriter_Add(db.meshes, m);

    DbWriter_Add(db.objects, DbWriter_Object("corps", "", "", {0, 0, 0}));
    DbWriter_Add(db.objects, DbWriter_Object(faceMesh, faceMesh, "corps", {0, 0, 0}));
    // Carriers of morph targets are never built.
    DbWriter_Add(db.objects, DbWriter_Object(d.face + "1-a", "", "corps", {0, 0, 0}));

    CTDbAnimation body;
    body.name = "corps";
    body.length = 50;
    body.rotationKeys = {{0.0f, CTQuaternion{}},
                         {50.0f, CTQuaternion::FromAxisAngle({0, 1, 0}, d.bodyTurn * 50.0f)}};
    DbWriter_Add(db.animations, body);
    CTDbAnimation morph;
    morph.name = "morphing";
    for (int mood = 1; mood <= 5; ++mood)
        for (const char* s = kShapes; *s; ++s)
            morph.morphKeys.push_back({float(morph.morphKeys.size()), d.face + std::to_string(mood) + "-" + *s,
                                       DlgCharacter_Target(d, mood, *s)});
    DbWriter_Add(db.animations, morph);

    for (int k = 1; k <= d.cameras; ++k) {
        const float angle = 0.22f * float(k - 1) + 0.05f * float(stand);
        CTDbCamera c;
        c.name = "cam" + std::to_string(k);
        c.position = {d.cameraDistance * std::sin(angle), -0.2f, -d.cameraDistance * std::cos(angle)};
        c.rotation = CTQuaternion::FromTwoVectors(Vec3_Scale(c.position, -1.0f), {0, 1, 0});
        c.fieldOfView = 0.75f;
        c.nearDist = 0.5f;
        c.farDist = 100.0f;
        DbWriter_Add(db.cameras, c);
    }
    return db;
}

bool DlgCharacter_Save(const std::string& dir, const DlgCharacterDesc& d)
{
    for (int s = 0; s < d.stands; ++s)
        if (!DbWriter_Save(dir + d.mesh + "s" + std::to_string(s + 1) + ".db", DlgCharacter_Stand(d, s))) return false;
    std::set<std::string> written;
    for (int s = 0; s < d.stands; ++s) {
        const std::string& map = d.maps[size_t(s) % d.maps.size()];
        if (!written.insert(map).second) continue;
        if (!TgaWriter_Save(dir + map, DlgCharacter_Map(d, 0))) return false;
        const size_t dot = map.rfind('.');
        if (!d.eyeVariants || dot == std::string::npos) continue;
        for (auto [suffix, eyes] : {std::pair{"yf", 1}, std::pair{"ymf", 2}})
            if (!TgaWriter_Save(dir + map.substr(0, dot) + suffix + map.substr(dot), DlgCharacter_Map(d, eyes)))
                return false;
    }
    return true;
}
