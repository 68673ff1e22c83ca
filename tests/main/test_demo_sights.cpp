// What the demo shows where the player looks: the sky's rings after a load at both screen sizes, what cannot be
// clicked drawn unlike what can, an icon of its own for each object.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include "ProgramRun.h"
#include "testdata/DemoFixture.h"
#include "testdata/DemoIcons.h"
#include "testdata/DemoPanorama.h"
#include "testdata/DemoWorld.h"
#include "world/DefName.h"
#include "world/wam.h"

namespace {
bool Near(uint32_t rgb, uint32_t to, int within) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(int((rgb >> shift) & 0xFF) - int((to >> shift) & 0xFF)) > within) return false;
    return true;
}

// The rings of the sky in the presented frame: patches of their light blue, of a ring's size at least.
int RingsShown() {
    const std::vector<uint32_t> frame = PresentedFrame();
    const int width = frame.size() == 800u * 600u ? 800 : 640, height = int(frame.size()) / width;
    std::vector<uint8_t> seen(frame.size(), 0);
    int rings = 0;
    for (int start = 0; start < int(frame.size()); start++) {
        if (seen[size_t(start)] || !Near(frame[size_t(start)], 0x80C0FF, 40)) continue;
        std::vector<int> todo{start};
        seen[size_t(start)] = 1;
        int size = 0;
        for (; !todo.empty(); size++) {
            const int x = todo.back() % width, y = todo.back() / width;
            todo.pop_back();
            for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, height - 1); ny++)
                for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, width - 1); nx++) {
                    const size_t i = size_t(ny * width + nx);
                    if (!seen[i] && Near(frame[i], 0x80C0FF, 40)) seen[i] = 1, todo.push_back(int(i));
                }
        }
        rings += size >= 40;
    }
    return rings;
}

// The sky at rest, turned to where its rings are, seen for a few frame-timer cycles: every frame shows them all.
std::vector<Step> SeeTheRings(const std::string& when) {
    auto counts = std::make_shared<std::vector<int>>();
    return {Arrive("YU" + std::to_string(DEMO_STARS_VIEW)), Turn(0.0f, 0.2f), WaitFor([counts] {
                if (!Idle()) return false;
                counts->push_back(RingsShown());
                return counts->size() >= 48;
            }),
            Do([counts, when] {
                int ringed = 0;
                for (int p = 0; p < DEMO_STAR_PLACES; p++) ringed += DemoWorld_StarFinishes(p);
                EXPECT_EQ(*counts, std::vector<int>(counts->size(), ringed)) << when;
            })};
}
}  // namespace

// The rings of the sky stay drawn once a game saved there is loaded from the menu, or resumed from the player
// page, as they are when the sky is reached by a move: at 640 x 480 and at 800 x 600.
TEST(DemoSights, TheSkysRingsShowAfterALoadAtBothScreenSizes) {
    for (auto [width, height] : {std::pair{640, 480}, {800, 600}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        ProgramRun run;
        run.AskScreenSize(width, height);
        Append(run.steps, NewGame());
        Append(run.steps, {Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, DEMO_STARS_VIEW, false); }), Read(9)});
        Append(run.steps, SeeTheRings("reached by a move"));
        Append(run.steps, SaveGame());
        Append(run.steps, LoadNewestGame());
        Append(run.steps, SeeTheRings("loaded from the menu"));
        run.PlayToTheEnd();

        // The same player chosen again resumes the newest game.
        run.passes = 0;
        Append(run.steps, ChoosePlayer(0));
        Append(run.steps, SeeTheRings("resumed from the player page"));
        run.PlayToTheEnd();
    }
}

// In the demo's pictures a frame round a zone says it can be clicked: every live zone of the island and the
// temple, painted alone, has one (gold, cyan or copper), a disabled one ("Rubble" of IR 1) none.
TEST(DemoSights, WhatCannotBeClickedIsDrawnUnlikeWhatCan) {
    int live = 0, disabled = 0;
    for (const WamFileDesc& world : {DemoWorld_Ir(), DemoWorld_Yu()})
        for (const WamLieuDesc& lieu : world.lieux)
            for (const WamVueDesc& view : lieu.vues)
                for (const WamZoneDesc& zone : view.zones) {
                    if (zone.type == 50) continue;  // the sky's star places show as its rings
                    WamVueDesc alone = view;
                    alone.zones = {zone};
                    std::vector<std::vector<uint32_t>> faces(6, std::vector<uint32_t>(512 * 512, 0xFF000000u));
                    DemoPanorama_PaintZones(alone, faces);
                    int framed = 0;
                    for (const std::vector<uint32_t>& face : faces)
                        framed += int(std::count_if(face.begin(), face.end(), [](uint32_t c) {
                            return c == 0xFFE0B040u || c == 0xFF50C0E0u || c == 0xFFC08040u;
                        }));
                    const std::string what = view.name + " zone " + std::to_string(zone.numero) + " " + zone.name;
                    if (zone.type >= WAM_ZONE_DISABLED) EXPECT_EQ(framed, 0) << what;
                    else EXPECT_GT(framed, 400) << what;
                    (zone.type >= WAM_ZONE_DISABLED ? disabled : live)++;
                }
    EXPECT_GE(disabled, 1);
    EXPECT_GE(live, 15);
}

// Each object the bag can hold has an icon of its own: not a plain square, and of a colour no other object's
// icon has.
TEST(DemoSights, EachObjectOfTheBagHasAnIconOfItsOwn) {
    std::string error;
    const std::string& demo = DemoFixture_Dir(&error);
    ASSERT_TRUE(DefName_Load((demo + "scenar/defnames.con").c_str())) << error;
    // The bag's objects by their icon, which their names give.
    std::map<int, std::string> objects;
    for (int32_t id = 1; id < DefName_GetCount(DEFNAME_OBJETS); id++) {
        const char* name = DefName_GetName(DEFNAME_OBJETS, id);
        if (DefName_GetParam(DEFNAME_OBJETS, id, 1)) objects.emplace(DefName_GetParamInt(DEFNAME_OBJETS, name), name);
    }
    DefName_Free();
    EXPECT_GE(objects.size(), 8u);
    const std::vector<SprImage> icons = DemoIcons_Objects();
    std::map<std::string, std::array<double, 3>> colours;
    for (const auto& [n, name] : objects) {
        ASSERT_LT(size_t(n), icons.size()) << name;
        const SprImage& icon = icons[size_t(n)];
        std::array<double, 3>& rgb = colours[name];
        int count = 0, left = icon.width, right = -1, top = icon.height, bottom = -1;
        for (int i = 0; i < icon.width * icon.height; i++)
            if (const uint32_t c = icon.pixels[size_t(i)]; c >> 24) {
                count++;
                for (int k = 0; k < 3; k++) rgb[size_t(k)] += (c >> (16 - 8 * k)) & 0xFF;
                left = std::min(left, i % icon.width), right = std::max(right, i % icon.width);
                top = std::min(top, i / icon.width), bottom = std::max(bottom, i / icon.width);
            }
        ASSERT_GT(count, 20) << name;
        for (double& v : rgb) v /= count;
        // The icon leaves a good part of its own bounds empty.
        EXPECT_LT(count, (right - left + 1) * (bottom - top + 1) * 8 / 10) << name << ": a plain square";
    }
    for (auto a = colours.begin(); a != colours.end(); ++a)
        for (auto b = std::next(a); b != colours.end(); ++b) {
            double apart = 0;
            for (size_t k = 0; k < 3; k++) apart = std::max(apart, std::fabs(a->second[k] - b->second[k]));
            EXPECT_GT(apart, 40.0) << a->first << " / " << b->first << ": colours alike";
        }
}
