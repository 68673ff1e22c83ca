// The demo's panorama data: faces of every demo view, its view sprites and the interface pointer bank.
#include "testdata/DemoPanorama.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "menus/Orv_Font.h"
#include "panorama/WarpFaceNames.h"
#include "testdata/DemoWorld.h"
#include "testdata/MenuArt.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/TempDir.h"
#include "testdata/TgaWriter.h"
#include "testdata/Vq6Writer.h"

namespace {
bool fail(std::string* error, const std::string& what) {
    if (error && error->empty()) *error = what;
    return false;
}

// Face-0 pixel of a direction (u, v, 1).
int facePixel(float t, bool vertical) { return int((vertical ? 1.0f - t : t + 1.0f) * 256.0f); }

// Frame n of the sky: a star of 24 x 24 at place n.
std::vector<SprImage> starFrames() {
    std::vector<SprImage> frames;
    for (int n = 0; n < DEMO_STAR_PLACES; n++) {
        float u, v;
        DemoWorld_StarPlace(n, &u, &v);
        SprImage f;
        f.width = f.height = 24;
        f.x = facePixel(u, false) - 12;
        f.y = facePixel(v, true) - 12;
        f.pixels.assign(24 * 24, 0);
        for (int y = 0; y < 24; y++)
            for (int x = 0; x < 24; x++) {
                const int dx = std::abs(x - 12), dy = std::abs(y - 12);
                if (dx * dy <= 6 && dx + dy <= 11) f.pixels[size_t(y) * 24 + x] = dx + dy < 4 ? 0xFFFFFFFFu : 0xFFFFE060u;
            }
        frames.push_back(f);
    }
    return frames;
}

// The key lying on the floor: a bronze bow and bit, its frames all alike (it is shown still).
std::vector<SprImage> keyFrames(int count) {
    SprImage f;
    f.width = f.height = 64;
    f.pixels.assign(64 * 64, 0);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            const int dx = x - 18, dy = y - 32, r2 = dx * dx + dy * dy;
            const bool bow = r2 <= 12 * 12 && r2 >= 6 * 6;
            const bool shank = x >= 28 && x < 58 && y >= 29 && y < 35;
            const bool bit = (x >= 46 && x < 50 && y >= 35 && y < 44) || (x >= 54 && x < 58 && y >= 35 && y < 42);
            if (bow || shank || bit) f.pixels[size_t(y) * 64 + x] = y < 32 ? 0xFFE0A040u : 0xFFB07828u;
        }
    return std::vector<SprImage>(size_t(count), f);
}

// The guardian: a robed figure 40 x 96 whose arms rise and fall with his breath over the cycle.
std::vector<SprImage> guardianFrames(int count) {
    std::vector<SprImage> frames;
    for (int n = 0; n < count; n++) {
        SprImage f;
        f.width = 40;
        f.height = 96;
        f.pixels.assign(40 * 96, 0);
        const int lift = int(std::lround(2.0 * std::sin(2 * M_PI * n / count)));
        for (int y = 0; y < 96; y++)
            for (int x = 0; x < 40; x++) {
                const int dx = x - 20;
                uint32_t c = 0;
                if (y < 18 && dx * dx + (y - 9) * (y - 9) <= 64) c = 0xFFC89060u;            // head
                else if (y >= 18 && y < 94 && std::abs(dx) <= 6 + (y - 18) / 6) c = 0xFF7A2A30u;  // robe
                if (y >= 26 + lift && y < 60 + lift && (x < 4 || x >= 36)) c = 0xFFC89060u;     // arms
                if (y >= 18 && y < 94 && std::abs(dx) <= 1) c = 0xFFD0B040u;                   // the robe's band
                f.pixels[size_t(y) * 40 + size_t(x)] = c;
            }
        frames.push_back(f);
    }
    return frames;
}

// One frame over the whole face: a ring round each place that finishes the puzzle.
std::vector<SprImage> ringFrame() {
    SprImage f;
    f.width = f.height = 512;
    f.pixels.assign(512 * 512, 0);
    for (int n = 0; n < DEMO_STAR_PLACES; n++) {
        if (!DemoWorld_StarFinishes(n)) continue;
        float u, v;
        DemoWorld_StarPlace(n, &u, &v);
        const int cx = facePixel(u, false), cy = facePixel(v, true);
        for (int y = cy - 18; y <= cy + 18; y++)
            for (int x = cx - 18; x <= cx + 18; x++) {
                const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                if (d2 >= 14 * 14 && d2 <= 17 * 17 && x >= 0 && x < 512 && y >= 0 && y < 512)
                    f.pixels[size_t(y) * 512 + x] = 0xFF80C0FFu;
            }
    }
    return {f};
}

constexpr int kFace = 512;
const char* const kLabelFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

uint32_t Shade(uint32_t argb, int num, int den) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= std::min<uint32_t>(((argb >> shift) & 0xFF) * uint32_t(num) / uint32_t(den), 0xFF) << shift;
    return out;
}

// The scenery of a face: sky over ground on the island, stone walls in the temple, the night in the sky view.
// Colours change in bands of eight rows, so the packed faces (two colours per 4x4 block) keep them.
void Scenery(const std::string& viewName, uint32_t id, int face, std::vector<uint32_t>& px) {
    const bool temple = viewName.compare(0, 2, "YU") == 0, night = id == DEMO_STARS_VIEW;
    for (int y = 0; y < kFace; y++) {
        const int band = y / 8;
        // Height above the horizon, -1 (down) to 1 (up), of the row on a side face.
        const double up = face == 4 ? 1.0 : face == 5 ? -1.0 : 1.0 - (band * 8 + 4) / 256.0;
        uint32_t c;
        if (night) c = Shade(0xFF182040, 40 + int(up * 20), 60);
        else if (up > 0) c = temple ? Shade(0xFF8A8070, 30 + int(up * 20), 60) : Shade(0xFF5A8CC0, 40 + int(up * 20), 60);
        else c = temple ? Shade(0xFF6A5A48, 40 + int(up * 20), 60) : Shade(0xFF6A7A40, 40 + int(up * 20), 60);
        for (int x = 0; x < kFace; x++) {
            uint32_t p = c;
            // The temple's walls: courses of stone above the floor.
            if (temple && !night && face < 4 && up > 0 && (y % 32 < 2 || (x + (y / 32 % 2) * 32) % 64 < 2))
                p = Shade(c, 2, 3);
            // The night's stars, small and dim, none of them white.
            if (night && ((x * 7919 + y * 104729 + face * 31) % 997) == 0) p = 0xFF9090A8u;
            px[size_t(y) * kFace + size_t(x)] = p;
        }
    }
}

// Face coordinates (pixels) of a direction seen on a face, false when it lies behind the face's plane.
bool OnFace(int face, double x, double y, double z, double* px, double* py) {
    double t, u, v;
    switch (face) {
    case 0: t = z, u = x, v = y; break;
    case 1: t = x, u = -z, v = y; break;
    case 2: t = -z, u = -x, v = y; break;
    case 3: t = -x, u = z, v = y; break;
    case 4: t = y, u = x, v = -z; break;
    default: t = -y, u = x, v = z; break;
    }
    if (t < 0.05) return false;
    *px = (u / t + 1.0) * 256.0;
    *py = (1.0 - v / t) * 256.0;
    return true;
}

// A chevron pointing up, centred on (cx, cy), of half-width r.
void Chevron(std::vector<uint32_t>& px, int cx, int cy, int r, uint32_t colour) {
    for (int i = -r; i <= r; i++)
        for (int t = 0; t < std::max(3, r / 4); t++) {
            const int x = cx + i, y = cy - r / 2 + std::abs(i) + t;
            if (x >= 0 && y >= 0 && x < kFace && y < kFace) px[size_t(y) * kFace + size_t(x)] = colour;
        }
}

// What a scenario zone is, by its name: its colour and the word shown on it ("" for a zone that a view
// sprite marks by itself).
struct ZoneLook {
    const char* name;
    uint32_t fill;
    const char* label;
};
const ZoneLook kLooks[] = {
    {"ZONE_COFFRE", 0xFF6A4020u, "Chest"}, {"ZONE_PORTE", 0xFF4A3018u, "Door"},
    {"ZONE_MORTE", 0xFF505048u, "Rubble"}, {"ZONE_SORTIE", 0xFF302418u, "Exit"},
    {"ZONE_PIROGUE", 0xFF2A4A60u, "Canoe"}, {"ZONE_CLE", 0xFF585048u, ""}, {"ZONE_GARDIEN", 0xFF3A3020u, "Passage"},
};

// The word as the picture shows it: in the game's code page.
std::string Word(const ZoneLook& look) { return OrvFont_FromUtf8(look.label); }

// Draws one zone where its outline falls on the face: a move as a gold frame round a dark opening with a
// chevron, a link as a cyan one with two, a scenario zone as its thing with its word. A frame says "click
// here": a disabled zone has none, its inside is barred and its word dim.
void PaintZone(const WamZoneDesc& z, int face, std::vector<uint32_t>& px) {
    if (z.type == 50 || z.points.size() < 3) return;  // the sky's star places show as its rings
    std::vector<std::pair<double, double>> poly;
    for (const WamPointDesc& p : z.points) {
        double x, y;
        if (!OnFace(face, p.x, p.y, p.z, &x, &y)) return;
        poly.push_back({x, y});
    }
    double left = kFace, right = 0, top = kFace, bottom = 0, cx = 0, cy = 0;
    for (auto [x, y] : poly) {
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        cx += x / double(poly.size()), cy += y / double(poly.size());
    }
    if (right < 0 || bottom < 0 || left >= kFace || top >= kFace) return;
    const int kind = z.type % 88888;
    const bool disabled = z.type >= 88888;
    uint32_t fill = 0xFF241E14u, border = 0xFFE0B040u;
    std::string label;
    if (kind == 2) fill = 0xFF102838u, border = 0xFF50C0E0u;
    if (kind >= 3) {
        border = 0xFFC08040u;
        for (const ZoneLook& look : kLooks)
            if (z.name == look.name) fill = look.fill, label = Word(look);
        if (!fill) return;
    }
    const uint32_t bars = Shade(fill, 3, 5), word = disabled ? Shade(fill, 9, 5) : 0xFFF0D8A0u;
    if (disabled) border = fill;
    // The outline, then the inside shrunk by a border's width towards the middle.
    const double half = std::max(right - left, bottom - top) / 2.0, keep = std::max(0.0, 1.0 - 6.0 / std::max(half, 1.0));
    std::vector<std::pair<double, double>> inner;
    for (auto [x, y] : poly) inner.push_back({cx + (x - cx) * keep, cy + (y - cy) * keep});
    for (int y = std::max(0, int(top)); y <= std::min(kFace - 1, int(bottom)); y++)
        for (int x = std::max(0, int(left)); x <= std::min(kFace - 1, int(right)); x++) {
            if (!DemoPanorama_InPolygon(poly, x + 0.5, y + 0.5)) continue;
            px[size_t(y) * kFace + size_t(x)] = DemoPanorama_InPolygon(inner, x + 0.5, y + 0.5) ? fill : border;
            if (disabled && (x + y) % 16 < 4) px[size_t(y) * kFace + size_t(x)] = bars;
        }
    const int r = std::clamp(int(half / 3), 6, 40);
    if (kind == 1 && !disabled) Chevron(px, int(cx), int(cy), r, border);
    if (kind == 2 && !disabled) {
        Chevron(px, int(cx), int(cy) - r / 2, r, border);
        Chevron(px, int(cx), int(cy) + r / 2, r, border);
    }
    if (label.empty()) return;
    SprImage text;
    text.width = std::max(8, int(right - left) - 8);
    text.height = std::clamp(int(bottom - top) / 3, 12, 32);
    text.pixels.assign(size_t(text.width) * size_t(text.height), 0xFF000000u);  // the label draws on opaque pixels
    if (!MenuArt_Label(text, label, kLabelFont, 28)) return;
    // In the zone's upper part: the pointer sits on its middle.
    const int ox = int(cx) - text.width / 2, oy = int(top) + 8;
    for (int y = 0; y < text.height; y++)
        for (int x = 0; x < text.width; x++) {
            const uint32_t c = text.pixels[size_t(y) * size_t(text.width) + size_t(x)];
            // Only the letters, in one colour: no shadow, so each 4x4 block keeps two colours.
            if ((c & 0xFF) > 0x80 && ox + x >= 0 && oy + y >= 0 && ox + x < kFace && oy + y < kFace)
                px[size_t(oy + y) * kFace + size_t(ox + x)] = word;
        }
}

bool writeWorld(const std::string& root, const WamFileDesc& world, std::string* error) {
    for (const WamLieuDesc& lieu : world.lieux)
        for (const WamVueDesc& v : lieu.vues) {
            std::vector<std::vector<uint32_t>> faces;
            for (int f = 0; f < 6; f++) {
                faces.emplace_back(size_t(kFace) * kFace);
                Scenery(v.name, v.id, f, faces.back());
            }
            DemoPanorama_PaintZones(v, faces);
            for (int f = 0; f < 6; f++) {
                TgaImage tga;
                tga.width = tga.height = kFace;
                tga.pixels = faces[size_t(f)];
                const std::vector<uint8_t> bytes = TgaWriter_Encode(tga);
                const std::string path = root + "datas_q2/warp/" + WarpFace_FileName(v.name.c_str(), f);
                if (!WriteFileBytes(path, bytes.data(), bytes.size())) return fail(error, path);
            }
            // The same faces packed for the codec plug-in, which the game prefers.
            if (!Vq6Writer_SavePackedView(root + "datas_q2/warp/" + v.name + ".qmv", faces, 512))
                return fail(error, "packed faces of " + v.name);
        }
    for (const WamPersoDesc& p : world.persos)
        for (const WamAnimDesc& a : p.anims) {
            char name[32];
            std::snprintf(name, sizeof name, "%.4s%c%03u.SPW", p.prefix.c_str(), a.letter, a.numero % 1000);
            const uint32_t colour = p.type % 2 ? 0x2060C0u : 0xC08020u;
            const std::vector<SprImage> frames = p.name == "Etoiles_Puz" ? starFrames()
                                                 : p.name == "REPERES"    ? ringFrame()
                                                 : p.name == "CLE"        ? keyFrames(a.last + 1)
                                                 : p.name == "GARDIEN"    ? guardianFrames(a.last + 1)
                                                                          : PanoramaWriter_SpwFrames(a.last + 1, 64, 64, colour);
            std::string why;
            if (!PanoramaWriter_WriteSpw(root + "datas_q2/spw/" + name, frames, &why))
                return fail(error, std::string(name) + ": " + why);
        }
    return true;
}
}  // namespace

std::vector<std::string> DemoPanorama_ZoneWords() {
    std::vector<std::string> words;
    for (const ZoneLook& look : kLooks)
        if (*look.label) words.push_back(Word(look));
    return words;
}

bool DemoPanorama_InPolygon(const std::vector<std::pair<double, double>>& poly, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const auto [xi, yi] = poly[i];
        const auto [xj, yj] = poly[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}

void DemoPanorama_PaintZones(const WamVueDesc& view, std::vector<std::vector<uint32_t>>& faces) {
    for (const WamZoneDesc& z : view.zones)
        for (int f = 0; f < 6 && f < int(faces.size()); f++) PaintZone(z, f, faces[size_t(f)]);
}

uint32_t DemoPanorama_Tint(const std::string& viewName, uint32_t id) {
    const uint32_t world = viewName.compare(0, 2, "YU") == 0 ? 0x001020u : 0x201000u;
    return world + (id % 4) * 0x000A0A0Au;
}

bool DemoPanorama_Write(const std::string& dir, std::string* error) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    if (!writeWorld(root, DemoWorld_Ir(), error) || !writeWorld(root, DemoWorld_Yu(), error))
        return false;
    SprWriterOptions opt;
    std::string why;
    if (!SprWriter_Save(root + "spr/interfac.spr", PanoramaWriter_InterfaceImages(), opt, &why))
        return fail(error, "spr/interfac.spr: " + why);
    return true;
}
