// The canoe puzzle's view YU 402 as the demo (and the canoe's tests) install it: the view, the view past
// the river, their names and scenario blocks, the canoe's data and its sounds.
#include "testdata/DemoCanoe.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "testdata/CanoeScene.h"
#include "testdata/KsnWriter.h"

namespace {
constexpr float kPi = 3.14159265f;

// A square of directions around the axis of one cube face: 0 ahead (+z), 1 right (+x), 2 behind.
WamZoneDesc Zone(int32_t type, uint32_t numero, const std::string& name, int face, float half) {
    std::vector<WamPointDesc> pts;
    for (auto [a, b] : {std::pair{-half, -half}, {half, -half}, {half, half}, {-half, half}}) {
        switch (face) {
        case 0: pts.push_back({a, b, 1}); break;
        case 1: pts.push_back({1, b, -a}); break;
        default: pts.push_back({-a, b, -1}); break;
        }
    }
    return WamZoneDesc{type, numero, name, pts};
}

WamVueDesc View(uint32_t id) {
    WamVueDesc v;
    v.id = id;
    char name[16];
    std::snprintf(name, sizeof name, "YU%03u", id);
    v.name = name;
    v.pitchMin = -kPi / 4;
    v.pitchMax = kPi / 4;
    return v;
}

// A drop into water, higher for each stone.
std::vector<int16_t> Splash(int n) {
    constexpr uint32_t kRate = 22050;
    const uint32_t frames = kRate / 3;
    std::vector<int16_t> pcm(frames);
    const double f0 = 500.0 + 120.0 * n;
    for (uint32_t i = 0; i < frames; i++) {
        const double t = double(i) / kRate;
        const double v = std::exp(-t * 12.0) * std::sin(2 * M_PI * (f0 + 900.0 * t) * t);
        pcm[i] = int16_t(std::lround(12000.0 * v));
    }
    return pcm;
}
}  // namespace

void DemoCanoe_AddViews(WamFileDesc& world, uint32_t from, uint32_t zone) {
    WamLieuDesc& lieu = world.lieux.front();
    for (WamVueDesc& v : lieu.vues)
        if (v.id == from) v.zones.push_back(Zone(1, DEMO_CANOE_VIEW, "", 1, 0.25f));
    WamVueDesc canoe = View(DEMO_CANOE_VIEW);
    canoe.zones = {Zone(3, zone, "ZONE_PIROGUE", 0, 0.3f), Zone(1, from, "", 2, 0.25f)};
    WamVueDesc after = View(DEMO_CANOE_AFTER);
    after.zones = {Zone(1, from, "", 2, 0.25f)};
    lieu.vues.push_back(canoe);
    lieu.vues.push_back(after);
}

void DemoCanoe_AddNames(DefNamesDesc& names) {
    for (const char* v : {"enable_pz_pirog", "finpirogue", "Pirogue_JustFinished"}) names.variables.push_back(v);
    names.zones.push_back("ZONE_PIROGUE");
}

uint32_t DemoCanoe_ZoneId(const DefNamesDesc& names) {
    for (size_t i = 0; i < names.zones.size(); i++)
        if (names.zones[i] == "ZONE_PIROGUE") return uint32_t(i);
    return 0;
}

void DemoCanoe_AddScript(ChapterWriter& chapter) {
    chapter.Init("(enable_pz_pirog=1)");
    chapter.Vue("YU", DEMO_CANOE_VIEW);
    chapter.Comment("The board's rules greet every arrival until the river is won.");
    chapter.Block("ARRIVEEVUE!=0 & finpirogue=0", {"(MESSAGE=" + std::to_string(DEMO_CANOE_RULES_MESSAGE) + ")"});
    chapter.Block("finpirogue=1 & Pirogue_JustFinished=1 & flag104=0", {"(flag104=1)(NEXTVUE=403)"});
    chapter.Vue("YU", DEMO_CANOE_AFTER);
    chapter.Block("ARRIVEEVUE!=0 & flag105=0", {"(flag105=1)(MESSAGE=" + std::to_string(DEMO_CANOE_MESSAGE) + ")"});
}

void DemoCanoe_AddMessages(MessagesDesc& messages) {
    messages.messages.push_back({DEMO_CANOE_MESSAGE, {"The canoe has carried you", "across the river."}});
    // What the board does (pz_pirogue.cpp): a click takes a piece up and another puts it down, swapping it
    // with the piece there (outside the board it goes back); the right button turns the piece under the
    // pointer, or the one carried; the fixed corner cell launches the canoe along the river as it lies.
    messages.messages.push_back({DEMO_CANOE_RULES_MESSAGE,
                                 {"The river is cut into nine pieces.", "Click a piece to pick it up, then",
                                  "click a cell to put it there: the", "piece there takes its old place.",
                                  "The right button turns the piece", "under the pointer, or the one held.",
                                  "The bottom corner piece never", "moves: click it to launch the canoe.",
                                  "Join the river from that corner", "back to it, past the seven stones:",
                                  "the canoe must take them all up.", "Escape leaves the board."}});
}

bool DemoCanoe_Write(const std::string& dir, std::string* error) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    if (!CanoeScene_WriteCD(root, {}, error) || !CanoeScene_WriteBanks(root, {}, error)) return false;
    for (int n = 106; n <= 109; n++) {
        char path[64];
        std::snprintf(path, sizeof path, "datas_q2/ksn/son%03d.ksn", n);
        if (!KsnWriter_Save(root + path, Splash(n - 106), 1, 22050)) {
            if (error && error->empty()) *error = path;
            return false;
        }
    }
    return true;
}
