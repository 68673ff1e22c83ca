// The demo's spider web: the generated web joined to the temple of YU, with its databases, pictures and videos.
#include "testdata/DemoToile.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "testdata/DemoPanorama.h"
#include "testdata/DemoWorld.h"
#include "testdata/QmvWriter.h"
#include "testdata/SpiderWeb.h"
#include "testdata/TempDir.h"
#include "testdata/Vq6Writer.h"

namespace {
constexpr int W = 640;
constexpr int H = 480;
constexpr int kFrames = 15;

bool fail(std::string* error, const std::string& what) {
    if (error && error->empty()) *error = what;
    return false;
}

// A second of a web of threads on the colour, the picture held still: the lost run in red, the sword's blow
// in gold.
std::vector<std::vector<uint32_t>> Still(uint32_t colour) {
    std::vector<uint32_t> p(size_t(W) * H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            const int dx = x - W / 2, dy = y - H / 2;
            const double turn = std::atan2(double(dy), double(dx)) * 8 / M_PI, radius = std::sqrt(double(dx * dx + dy * dy));
            const bool thread = std::fabs(turn - std::round(turn)) * radius < 1.5 || std::fmod(radius, 48.0) < 2.0;
            p[size_t(y) * W + x] = 0xFF000000u | (thread ? 0xC0C0C8u : colour);
        }
    return std::vector<std::vector<uint32_t>>(kFrames, p);
}
}  // namespace

WamFileDesc DemoToile_World() {
    WamFileDesc f = SpiderWeb_World();
    for (WamVueDesc& v : f.lieux[0].vues)
        if (v.id == SPIDERWEB_BEFORE)
            v.zones.push_back({2, DEMO_LIEN_FROM_TOILE, "", SpiderWeb_ZoneAt(v.yawStart + float(M_PI), 0.0f, 0.3f)});
    f.liens = {{DEMO_LIEN_FROM_TOILE, DEMO_WAM_YU, 2}};
    DemoWorld_AddAmbience(f);
    return f;
}

bool DemoToile_WriteGame(const std::string& dir, std::string* error) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    if (!WamWriter_Save(root + "wam/" + DEMO_WAM_TOILE, DemoToile_World())) return fail(error, DEMO_WAM_TOILE);
    if (!SpiderWeb_Write3D(root, error)) return false;
    for (auto [name, colour] : {std::pair{"cine046.qmv", 0xB01010u}, {"cine048.qmv", 0xC09020u}}) {
        const std::vector<uint8_t> video = QmvWriter_Video(Still(colour), 75);
        if (!WriteFileBytes(root + "datas_q2/qmv/" + name, video.data(), video.size())) return fail(error, name);
    }
    return true;
}

bool DemoToile_Write(const std::string& dir, std::string* error) {
    if (!DemoToile_WriteGame(dir, error)) return false;
    // The web's pictures with the player's steps drawn on them.
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const WamFileDesc world = DemoToile_World();
    for (const WamVueDesc& v : world.lieux[0].vues) {
        std::vector<std::vector<uint32_t>> faces;
        for (int f = 0; f < 6; f++) faces.push_back(SpiderWeb_Face(v.id, f));
        DemoPanorama_PaintZones(v, faces);
        if (!Vq6Writer_SavePackedView(root + "datas_q2/warp/" + v.name + ".qmv", faces, 512)) return fail(error, v.name);
    }
    return true;
}
