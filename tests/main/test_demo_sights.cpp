// What the demo shows where the player looks: the sky's rings after a load at both screen sizes, every view
// sprite drawn at every tick, what cannot be clicked drawn unlike what can, an icon of its own for each object.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "ProgramRun.h"
#include "app/Config.h"
#include "app/Orv_File.h"
#include "graphics2d/Orv_Spr.h"
#include "graphics2d/Surface.h"
#include "app/main/Orv_Main.h"
#include "panorama/Orv_Spw.h"
#include "panorama/WarpPacked.h"
#include "testdata/DemoWorld.h"
#include "world/DefName.h"
#include "world/Inventaire.h"
#include "world/wam.h"

namespace {
namespace fs = std::filesystem;

void WriteScreenSize(ProgramRun& run, int width, int height) {
    OrvConfig config;
    config.screenWidth = width;
    config.screenHeight = height;
    uint8_t image[CONFIG_FILE_SIZE];
    config_encode(config, image);
    ASSERT_TRUE(WriteFileBytes(run.dir / "quillm2.cfg", image, sizeof image));
}

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
    auto ring = [&](int i) { return !seen[size_t(i)] && Near(frame[size_t(i)], 0x80C0FF, 40); };
    int rings = 0;
    for (int start = 0; start < int(frame.size()); start++) {
        if (!ring(start)) continue;
        std::vector<int> todo{start};
        seen[size_t(start)] = 1;
        int size = 0;
        while (!todo.empty()) {
            const int i = todo.back();
            todo.pop_back();
            size++;
            const int x = i % width, y = i / width;
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1}}) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= width || ny >= height || !ring(ny * width + nx)) continue;
                seen[size_t(ny * width + nx)] = 1;
                todo.push_back(ny * width + nx);
            }
        }
        rings += size >= 40;
    }
    return rings;
}

int RingedPlaces() {
    int n = 0;
    for (int p = 0; p < DEMO_STAR_PLACES; p++) n += DemoWorld_StarFinishes(p);
    return n;
}

// The sky at rest, turned to where its rings are, seen for a few frame-timer cycles: every frame shows them all.
std::vector<Step> SeeTheRings(const std::string& when) {
    auto counts = std::make_shared<std::vector<int>>();
    return {Turn(0.0f, 0.2f), WaitFor([counts] {
                if (!Idle()) return false;
                counts->push_back(RingsShown());
                return counts->size() >= 48;
            }),
            Do([counts, when] { EXPECT_EQ(*counts, std::vector<int>(counts->size(), RingedPlaces())) << when; })};
}

// Every view file of the installation with its world file's name.
template <class Fn>
void ForEachView(const fs::path& install, Fn&& fn) {
    for (const auto& e : fs::directory_iterator(install / "wam")) {
        ST_wam_world* world = wam_read_file(e.path().c_str());
        ASSERT_NE(world, nullptr) << e.path();
        for (ST_wam_lieu* lieu = world->lieux; lieu; lieu = lieu->next)
            for (ST_wam_vue* v = lieu->vues; v; v = v->next) fn(e.path().filename().string(), *world, *v);
        wam_free_world(&world);
    }
}

std::string ShownName(const ST_wam_vue& v) { return std::string(v.name, 2) + std::to_string(v.id); }
}  // namespace

// The rings of the sky stay drawn once a game saved there is loaded from the menu, or resumed from the player
// page, as they are when the sky is reached by a move: at 640 x 480 and at 800 x 600.
TEST(DemoSights, TheSkysRingsShowAfterALoadAtBothScreenSizes) {
    for (auto [width, height] : {std::pair{640, 480}, {800, 600}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        ProgramRun run;
        WriteScreenSize(run, width, height);
        Append(run.steps, NewGame());
        Append(run.steps, {Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, DEMO_STARS_VIEW, false); }), Read(9),
                           Arrive("YU" + std::to_string(DEMO_STARS_VIEW))});
        Append(run.steps, SeeTheRings("reached by a move"));
        Append(run.steps, SaveGame());
        Append(run.steps, LoadNewestGame());
        run.steps.push_back(Arrive("YU" + std::to_string(DEMO_STARS_VIEW)));
        Append(run.steps, SeeTheRings("loaded from the menu"));
        run.PlayToTheEnd();

        // The same player chosen again resumes the newest game.
        run.passes = 0;
        Append(run.steps, ChoosePlayer(0));
        run.steps.push_back(Arrive("YU" + std::to_string(DEMO_STARS_VIEW)));
        Append(run.steps, SeeTheRings("resumed from the player page"));
        run.PlayToTheEnd();
    }
}

// Every view sprite of the demo draws in every frame of its view, the tick between two of its cycles included.
TEST(DemoSights, EveryViewSpriteOfTheDemoDrawsAtEveryTick) {
    ProgramRun run;
    // The views of the installation that show view sprites, and how many records each has.
    std::vector<std::tuple<std::string, uint32_t, std::string>> views;
    std::map<std::string, int> records;
    ASSERT_TRUE(DefName_Load((run.dir / "scenar/defnames.con").c_str()));
    ForEachView(run.dir.Path(), [&](const std::string& wam, const ST_wam_world& world, const ST_wam_vue& v) {
        for (const ST_wam_perso* p = world.persos; p; p = p->next)
            for (const ST_wam_animation* a = p->animations; a; a = a->next)
                if (a->vue_id == v.id && records[ShownName(v)]++ == 0) views.emplace_back(wam, v.id, ShownName(v));
    });
    DefName_Free();
    ASSERT_GE(views.size(), 3u);
    Append(run.steps, NewGame());
    for (const auto& [wam, id, name] : views) {
        auto passes = std::make_shared<int>(0);
        auto wrapped = std::make_shared<std::set<int>>();
        auto blank = std::make_shared<std::set<int>>();
        Append(run.steps, {Do([wam = wam, id = id] { OrvWam_RequestWorld(wam.c_str(), id, false); }),
                           ArriveReading(name), Do([name = name, &records] {
                               EXPECT_EQ(OrvSpw_NbVisibles, records[name]) << name << ": a slot for every record";
                           }),
                           // Until every playing sprite has passed from its last frame to its first.
                           [=] {
                               if (!Idle()) return false;
                               bool all = true;
                               for (int i = 0; i < OrvSpw_NbVisibles; i++) {
                                   const ST_spw_visible& s = OrvSpw_Visibles[i];
                                   // Frame lists are the puzzles' own; a held sprite has no cycle to pass.
                                   if (!s.shown || !s.active || s.frame_tab[0] != SPW_FRAME_FREE) continue;
                                   if (s.drawn.right < s.drawn.left && blank->insert(i).second)
                                       ADD_FAILURE() << name << ": " << s.perso->name << " draws nothing at frame " << s.frame;
                                   if (s.frame == -1 || !s.playing) wrapped->insert(i);
                                   all = all && wrapped->count(i);
                               }
                               if (++*passes < 600) return all;
                               ADD_FAILURE() << name << ": a sprite never passed its last frame";
                               return true;
                           }});
    }
    run.PlayToTheEnd();
}

// In the demo's pictures a frame round a zone says it can be clicked: every live zone of the island and the
// temple has one (gold, cyan or copper), a disabled one ("Eboulis" of IR 1) none.
TEST(DemoSights, WhatCannotBeClickedIsDrawnUnlikeWhatCan) {
    ProgramRun run;
    Append(run.steps, NewGame());
    run.steps.push_back(Do([&run] {
        CSystemMemorySurface faces[6];
        for (CSystemMemorySurface& f : faces) {
            ASSERT_TRUE(f.Create(512, 512, PixelFormatOf(PFID_R5G6B5)));
            f.Lock();
        }
        int live = 0, disabled = 0;
        ForEachView(run.dir.Path(), [&](const std::string& wam, const ST_wam_world&, const ST_wam_vue& v) {
            if (wam != DEMO_WAM_IR && wam != DEMO_WAM_YU) return;
            char path[ORV_PATH_MAX];
            build_path_warp(path, WarpPacked_FileName(v.name).c_str());
            ASSERT_TRUE(WarpPacked_Load(path, faces, 6)) << path;
            for (const ST_wam_zclic* z = v.zclic; z; z = z->next) {
                if (z->type == 50) continue;  // the sky's star places show as its rings
                // The face of the zone's middle, and the zone's extent on it.
                double mx = 0, my = 0, mz = 0;
                for (const ST_wam_point* p = z->points; p; p = p->next) mx += p->x, my += p->y, mz += p->z;
                const double ax = std::fabs(mx), ay = std::fabs(my), az = std::fabs(mz);
                const int face = az >= ax && az >= ay ? (mz > 0 ? 0 : 2) : ax >= ay ? (mx > 0 ? 1 : 3) : (my > 0 ? 4 : 5);
                int left = 512, right = -1, top = 512, bottom = -1;
                for (const ST_wam_point* p = z->points; p; p = p->next) {
                    const double t = face == 0 ? p->z : face == 1 ? p->x : face == 2 ? -p->z : face == 3 ? -p->x : face == 4 ? p->y : -p->y;
                    const double u = face == 0 || face >= 4 ? p->x : face == 1 ? -p->z : face == 2 ? -p->x : p->z;
                    const double w = face == 4 ? -p->z : face == 5 ? p->z : p->y;
                    const int px = int((u / t + 1.0) * 256.0), py = int((1.0 - w / t) * 256.0);
                    left = std::min(left, px), right = std::max(right, px), top = std::min(top, py), bottom = std::max(bottom, py);
                }
                int framed = 0;
                const CSurface& f = faces[face];
                for (int y = std::max(0, top); y <= std::min(511, bottom); y++)
                    for (int x = std::max(0, left); x <= std::min(511, right); x++) {
                        const uint32_t c = UnpackColor(f.format, reinterpret_cast<const uint16_t*>(f.Row(y))[x]);
                        framed += Near(c, 0xE0B040, 24) || Near(c, 0x50C0E0, 24) || Near(c, 0xC08040, 24);
                    }
                const std::string what = ShownName(v) + " zone " + std::to_string(z->numero) + " " + z->name;
                if (z->type >= WAM_ZONE_DISABLED) {
                    disabled++;
                    EXPECT_EQ(framed, 0) << what;
                } else {
                    live++;
                    EXPECT_GT(framed, 400) << what;
                }
            }
        });
        EXPECT_GE(disabled, 1);
        EXPECT_GE(live, 15);
    }));
    run.PlayToTheEnd();
}

// Each object the bag can hold has an icon of its own: a shape and a colour no other object's icon has, and not
// a plain square.
TEST(DemoSights, EachObjectOfTheBagHasAnIconOfItsOwn) {
    ProgramRun run;
    Append(run.steps, NewGame());
    run.steps.push_back(Do([] {
        SprBank* bank = Inventaire_GetBank();
        ASSERT_NE(bank, nullptr);
        struct Icon {
            std::string object;
            std::vector<bool> drawn;
            int count = 0;
            double rgb[3] = {0, 0, 0};
        };
        constexpr int kSide = 48;
        // Each icon drawn over black and over white: the pixels alike on both are its own.
        auto draw = [&](int n, uint16_t background, std::vector<uint16_t>& px) {
            px.assign(kSide * kSide, background);
            CBufferSurface s(px.data(), kSide, kSide, kSide, PixelFormatOf(PFID_R5G6B5));
            OrvSpr_SetSurfaceInfo(&s);
            OrvSpr_Aff_centre(bank, n, kSide / 2, kSide / 2, SPR_MODE_PLAIN);
            OrvSpr_SetSurfaceInfo(nullptr);
        };
        std::map<int, Icon> icons;
        for (int32_t id = 1; id < DefName_GetCount(DEFNAME_OBJETS); id++) {
            const char* name = DefName_GetName(DEFNAME_OBJETS, id);
            if (!DefName_GetParam(DEFNAME_OBJETS, id, 1)) continue;
            const int n = DefName_GetParamInt(DEFNAME_OBJETS, name);
            if (icons.count(n)) continue;
            Icon& icon = icons[n];
            icon.object = name;
            std::vector<uint16_t> black, white;
            draw(n, 0x0000, black);
            draw(n, 0xFFFF, white);
            icon.drawn.resize(black.size());
            for (size_t i = 0; i < black.size(); i++) {
                icon.drawn[i] = black[i] == white[i];
                if (!icon.drawn[i]) continue;
                const uint32_t c = UnpackColor(PixelFormatOf(PFID_R5G6B5), black[i]);
                for (int k = 0; k < 3; k++) icon.rgb[k] += (c >> (16 - 8 * k)) & 0xFF;
                icon.count++;
            }
            ASSERT_GT(icon.count, 20) << name;
            for (double& v : icon.rgb) v /= icon.count;
            // Not a plain square: the icon leaves a good part of its own bounds empty.
            int left = kSide, right = -1, top = kSide, bottom = -1;
            for (int i = 0; i < kSide * kSide; i++)
                if (icon.drawn[size_t(i)])
                    left = std::min(left, i % kSide), right = std::max(right, i % kSide), top = std::min(top, i / kSide),
                    bottom = std::max(bottom, i / kSide);
            EXPECT_LT(icon.count, (right - left + 1) * (bottom - top + 1) * 8 / 10) << name;
        }
        EXPECT_GE(icons.size(), 8u);
        for (auto a = icons.begin(); a != icons.end(); ++a)
            for (auto b = std::next(a); b != icons.end(); ++b) {
                int apart = 0, either = 0;
                for (size_t i = 0; i < a->second.drawn.size(); i++) {
                    apart += a->second.drawn[i] != b->second.drawn[i];
                    either += a->second.drawn[i] || b->second.drawn[i];
                }
                double colour = 0;
                for (int k = 0; k < 3; k++) colour = std::max(colour, std::fabs(a->second.rgb[k] - b->second.rgb[k]));
                const std::string pair = a->second.object + " / " + b->second.object;
                EXPECT_GT(apart * 10, either * 3) << pair << ": shapes alike";
                EXPECT_GT(colour, 40.0) << pair << ": colours alike";
            }
    }));
    run.PlayToTheEnd();
}
