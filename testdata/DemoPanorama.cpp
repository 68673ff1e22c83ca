// The demo's panorama data: faces of every demo view, its view sprites and the interface pointer bank.
#include "testdata/DemoPanorama.h"

#include <cstdio>
#include <cstdlib>

#include "testdata/DemoWorld.h"
#include "testdata/PanoramaWriter.h"
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

bool writeWorld(const std::string& root, const WamFileDesc& world, std::string* error) {
    for (const WamLieuDesc& lieu : world.lieux)
        for (const WamVueDesc& v : lieu.vues) {
            const uint32_t tint = DemoPanorama_Tint(v.name, v.id);
            if (!PanoramaWriter_WriteFaces(root + "datas_q2/warp", v.name, FaceStyle::Demo, tint, error))
                return fail(error, "faces of " + v.name);
            // The same faces packed for the codec plug-in, which the game prefers.
            std::vector<std::vector<uint32_t>> faces;
            for (int f = 0; f < 6; f++) faces.push_back(PanoramaWriter_Face(f, FaceStyle::Demo, tint));
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
                                                                          : PanoramaWriter_SpwFrames(a.last + 1, 64, 64, colour);
            std::string why;
            if (!PanoramaWriter_WriteSpw(root + "datas_q2/spw/" + name, frames, &why))
                return fail(error, std::string(name) + ": " + why);
        }
    return true;
}
}  // namespace

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
