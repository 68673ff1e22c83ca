// The demo's panorama data: faces of every demo view, its view sprites and the interface pointer bank.
#include "testdata/DemoPanorama.h"

#include <cstdio>

#include "testdata/DemoWorld.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/Vq6Writer.h"

namespace {
bool fail(std::string* error, const std::string& what) {
    if (error && error->empty()) *error = what;
    return false;
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
            std::string why;
            if (!PanoramaWriter_WriteSpw(root + "datas_q2/spw/" + name, PanoramaWriter_SpwFrames(a.last + 1, 64, 64, colour), &why))
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
