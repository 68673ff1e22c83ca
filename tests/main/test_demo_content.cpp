// What the demo installation offers a newcomer, read through the running program: every text fits the screen
// in its font and is in the game's code page, as are the texts of its pictures, every zone can be pointed at,
// every file named is there.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>

#include "ProgramRun.h"
#include "app/Orv_File.h"
#include "audio/Orv_Sound.h"
#include "dialogue/dlg_Dialog.h"
#include "graphics2d/Orv_Display.h"
#include "menus/Orv_Font.h"
#include "menus/Orv_Menu.h"
#include "panorama/Z3d.h"
#include "testdata/DemoDialogue.h"
#include "testdata/DemoFixture.h"
#include "testdata/DemoInstall.h"
#include "testdata/DemoMenus.h"
#include "testdata/DemoToile.h"
#include "testdata/DemoWorld.h"
#include "testdata/SpiderWeb.h"
#include "testdata/TempDir.h"
#include "tests/support/ZoneAim.h"
#include "world/DefName.h"
#include "world/Inventaire.h"
#include "world/Orv_Msg.h"

namespace {
namespace fs = std::filesystem;
constexpr int kScreenW = 640, kScreenH = 480;
constexpr int kBagObjects = 12;

int Width(const std::string& font, const std::string& text) {
    OrvFont_PrintBegin(nullptr, font, 0xFFFFFF);
    OrvTextSize size{};
    OrvFont_GetTextSize(text.c_str(), int32_t(text.size()), size);
    OrvFont_PrintEnd();
    return size.cx;
}

int Height(const std::string& font) {
    OrvFont_PrintBegin(nullptr, font, 0xFFFFFF);
    const int h = OrvFont_GetHeight();
    OrvFont_PrintEnd();
    return h;
}

// The game's texts are single-byte (code page 1252): no UTF-8 sequence of an accented letter, no C1 byte.
bool InCodePage(const std::string& text) {
    for (size_t i = 0; i < text.size(); i++) {
        const auto c = uint8_t(text[i]);
        if (c < 0x20 || (c >= 0x80 && c < 0xA0)) return false;
        if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size() && (uint8_t(text[i + 1]) & 0xC0) == 0x80) return false;
    }
    return true;
}

// A text of the demo, where the player sees it, and the width it may take there.
struct Shown {
    std::string where, font, text;
    int room;
};

std::vector<Shown> EveryText(const std::string& install) {
    std::vector<Shown> out;
    for (int32_t n = 0; n < 1000; n++)
        if (const std::vector<std::string>* lines = OrvMsg_GetMessage(n))
            for (const std::string& l : *lines) out.push_back({"message " + std::to_string(n), "OrvFT_Big_Default", l, kScreenW});
    // The names under the objects that go into the bag (those with a sprite), in the cells of a bag holding more
    // than the demo ever gives at once.
    const int cell = Inventaire_GetGrid(kBagObjects, kScreenW, kScreenH).cellWidth;
    for (int32_t id = 1; id < DefName_GetCount(DEFNAME_OBJETS); id++)
        if (DefName_GetParam(DEFNAME_OBJETS, id, 1))
            out.push_back({std::string("object ") + DefName_GetName(DEFNAME_OBJETS, id), "OrvFT_POPUP",
                           OrvMsg_GetObjectName(id), cell});
    for (int list = 0; list < MENU_TXT_LISTS; list++)
        for (const std::string& l : MenuTexts[list])
            out.push_back({"menu list " + std::to_string(list), "OrvFT_POPUP", l, kScreenW});
    // The credits: plain lines from the margin on, '#' lines centred right of it.
    std::istringstream credits(ReadFileText(install + "loc/Credits.txt"));
    for (std::string l; std::getline(credits, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l.empty() || l[0] == ';' || l[0] == '[') continue;
        out.push_back({"credits", "OrvFT_POPUP", l[0] == '#' ? " " + l.substr(1) : l, kScreenW - DEMO_CREDITS_MARGIN});
    }
    return out;
}
}  // namespace

TEST(DemoContent, EveryTextFitsTheScreenInItsFontAndIsInTheGamesCodePage) {
    ProgramRun run;
    Append(run.steps, ChoosePlayer(0));
    run.steps.push_back(Read(1));
    run.steps.push_back(Do([&run] {
        const std::vector<Shown> texts = EveryText(run.dir.Path());
        EXPECT_GT(texts.size(), 60u);
        for (const Shown& t : texts) {
            EXPECT_TRUE(InCodePage(t.text)) << t.where << ": " << t.text;
            EXPECT_LE(Width(t.font, t.text), t.room) << t.where << ": " << t.text;
        }
        // The texts written into the pictures (the carving, the buttons' and the zones' words) are in it too.
        const std::vector<std::string> pictures = DemoInstall_PictureTexts();
        EXPECT_GT(pictures.size(), 30u);
        for (const std::string& t : pictures) EXPECT_TRUE(InCodePage(t)) << "picture: " << t;
        // The messages and the credits' pages fit the screen's height too.
        for (int32_t n = 0; n < 1000; n++)
            if (const std::vector<std::string>* lines = OrvMsg_GetMessage(n))
                EXPECT_LE(int(lines->size()) * Height("OrvFT_Big_Default"), kScreenH) << "message " << n;
        for (const std::vector<std::string>& page : DemoMenus_Credits())
            EXPECT_LE(int(page.size()) * Height("OrvFT_POPUP"), kScreenH);
        // Every subtitle is wrapped whole into lines that fit the subtitle's width.
        for (const char* world : {"IR", "YU"})
            for (const DlgScriptLine& line : DemoDialogue_Scripts(world).lines) {
                std::istringstream words(line.text);
                std::string code, perso, text;
                words >> code >> perso;
                std::getline(words >> std::ws, text);
                EXPECT_TRUE(InCodePage(text)) << text;
                OrvFont_PrintBegin(nullptr, "OrvFT_Dialog", 0xFFFFFF);
                const std::vector<std::string> lines = dlg_SplitSubtitle(text, OrvDisplay_GetRenderWidth() - 20, 20);
                OrvFont_PrintEnd();
                std::string joined;
                for (const std::string& l : lines) {
                    joined += l;
                    // A blank that ends a line shows nothing.
                    const std::string seen = l.substr(0, l.find_last_not_of(' ') + 1);
                    EXPECT_LT(Width("OrvFT_Dialog", seen), OrvDisplay_GetRenderWidth() - 20) << l;
                }
                EXPECT_EQ(joined, text);
            }
    }));
    Append(run.steps, QuitThroughTheCredits());
    run.PlayThrough();
}

// Every zone of every world file of the demo lies where the view's limits let the player bring its middle under
// the centre of the screen, and no zone before it in the view's list takes that point.
TEST(DemoContent, EveryZoneCanBeBroughtUnderTheCentreWithinItsViewsLimits) {
    ProgramRun run;
    Append(run.steps, ChoosePlayer(0));
    run.steps.push_back(Read(1));
    run.steps.push_back(Do([&run] {
        ST_wam_vue* const was = OrvWam_CurrentVue;
        int zones = 0;
        for (const auto& e : fs::directory_iterator(run.dir / "wam")) {
            ST_wam_world* world = wam_read_file(e.path().c_str());
            ASSERT_NE(world, nullptr) << e.path();
            for (ST_wam_lieu* lieu = world->lieux; lieu; lieu = lieu->next)
                for (ST_wam_vue* v = lieu->vues; v; v = v->next) {
                    OrvWam_CurrentVue = v;
                    for (ST_wam_zclic* z = v->zclic; z; z = z->next, zones++) {
                        float yaw, pitch;
                        ASSERT_TRUE(ZoneAim(*z, &yaw, &pitch)) << v->name;
                        const CTVector3 dir{std::sin(yaw) * std::cos(pitch), std::sin(pitch), std::cos(yaw) * std::cos(pitch)};
                        ST_wam_zclic* first = v->zclic;
                        while (first && !z3d_zone_contains(first, dir)) first = first->next;
                        EXPECT_EQ(first, z) << v->name << " zone " << z->numero << " (kind " << z->type << ") at yaw "
                                            << yaw << ", pitch " << pitch;
                    }
                }
            wam_free_world(&world);
        }
        OrvWam_CurrentVue = was;
        EXPECT_GT(zones, 100);
    }));
    Append(run.steps, QuitThroughTheCredits());
    run.PlayThrough();
}

// Every file the demo's worlds, chapter script, menus and puzzles name is in the installation.
TEST(DemoContent, EveryFileTheWorldsScriptsMenusAndPuzzlesNameIsInstalled) {
    std::string error;
    const std::string root = DemoFixture_Dir(&error);
    ASSERT_FALSE(root.empty()) << error;
    std::vector<std::string> missing;
    auto need = [&](const std::string& rel) {
        if (!OrvFile_Exists((root + rel).c_str())) missing.push_back(rel);
    };
    // The worlds: faces, transition videos, noises, view sprites, linked world files.
    ASSERT_TRUE(DefName_Load((root + "scenar/defnames.con").c_str()));
    int views = 0;
    for (const auto& e : fs::directory_iterator(root + "wam")) {
        ST_wam_world* world = wam_read_file(e.path().c_str());
        ASSERT_NE(world, nullptr) << e.path();
        for (ST_wam_lieu* lieu = world->lieux; lieu; lieu = lieu->next)
            for (ST_wam_vue* v = lieu->vues; v; v = v->next, views++) {
                need(std::string("datas_q2/warp/") + v->name + ".qmv");
                for (ST_wam_destination* d = v->destinations; d; d = d->next)
                    if (d->video[0]) need(std::string("datas_q2/qmv/") + d->video);
            }
        for (ST_wam_son* s = world->sons; s; s = s->next)
            for (int i = 0; i < 4; i++)
                if (s->percent[i]) need("datas_q2/ksn/" + std::string(s->recording[i], strnlen(s->recording[i], 16)));
        for (ST_wam_perso* p = world->persos; p; p = p->next)
            for (ST_wam_animation* a = p->animations; a; a = a->next) {
                char name[32];
                std::snprintf(name, sizeof name, "%.4s%c%03u.SPW", p->prefix, a->lettre, a->numero % 1000);
                need(std::string("datas_q2/spw/") + name);
            }
        for (ST_wam_lien* l = world->liens; l; l = l->next) need(std::string("wam/") + l->wam);
        wam_free_world(&world);
    }
    EXPECT_GT(views, 70);
    DefName_Free();
    // The chapter script's sounds, videos, world files and pictures.
    const std::string chapter = ReadFileText(root + "scenar/chapi001.con");
    const std::regex command(R"(\((NewSound|cinema|CHANGEWAM|ViewBigSpr)=([^,)]+))", std::regex::icase);
    int commands = 0;
    for (auto m = std::sregex_iterator(chapter.begin(), chapter.end(), command); m != std::sregex_iterator(); ++m, commands++) {
        const std::string word = (*m)[1], value = (*m)[2];
        char name[64];
        if (word == "NewSound") std::snprintf(name, sizeof name, "datas_q2/ksn/son%03ld.ksn", std::strtol(value.c_str(), nullptr, 10));
        else if (word == "cinema") std::snprintf(name, sizeof name, "datas_q2/qmv/cine%03ld.qmv", std::strtol(value.c_str(), nullptr, 10));
        else std::snprintf(name, sizeof name, "%s%s", word == "CHANGEWAM" ? "wam/" : "spr/", value.c_str());
        need(name);
    }
    EXPECT_GT(commands, 1);
    // The menus' pictures, fonts and banks.
    for (const char* menu : {"f_main.tga", "f_player.tga", "f_option.tga", "f_son.tga", "f_load.tga", "curseur.spr",
                             "c_yn.spr", "b_oui.spr", "b_non.spr", "save.spr", "g_son.spr", "m_son.spr"})
        need(std::string("spr/menu/") + menu);
    for (int i = 1; i <= 16; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "spr/menu/f_cred%02d.tga", i);
        need(name);
    }
    need("loc/DejaVuSans.ttf");
    // The sounds the demo's puzzles play: the web's caterpillar and grasshopper, the stars taken and laid, the
    // canoe's four stones.
    for (int n : {104, 105, 114, 115, 106, 107, 108, 109}) {
        char name[32];
        std::snprintf(name, sizeof name, "datas_q2/ksn/son%03d.ksn", n);
        need(name);
    }
    EXPECT_EQ(missing, std::vector<std::string>{});
}

namespace {
// Whether a noise of the current view plays on its voice, loud enough to be heard (a noise that goes on from the
// view before serves that view's reference).
bool Heard() {
    if (!OrvWam_CurrentVue) return false;
    for (int k = 0; k < MAX_BRUIT_PAR_WARP; k++) {
        const BruitageSlotInfo slot = OrvSound_GetBruitageSlot(k);
        if (!slot.ref || !slot.ref->son || !OrvSound_get_voice_state(VOICE_BRUITAGE + k)) continue;
        for (const ST_wam_bruitage* b = OrvWam_CurrentVue->bruitages; b; b = b->next)
            if (b->son == slot.ref->son && std::max(slot.ref->son->pos.leftLevel, slot.ref->son->pos.rightLevel) >= 100) return true;
    }
    return false;
}

// Three seconds in the view from its arrival on: past its first passes (a noise starts silent until its level is
// worked out), a noise of the view is heard in every one.
Step ListenIn(const std::string& view) {
    auto passes = std::make_shared<int>(0), silent = std::make_shared<int>(0);
    return [=] {
        if (++*passes > 6 && !Heard()) ++*silent;
        if (*passes < 180) return false;
        EXPECT_EQ(ViewName(), view);
        EXPECT_EQ(*silent, 0) << view << ": passes without an ambient noise";
        return true;
    };
}
}  // namespace

// Every place of the demo is heard as soon as the player stands in it and all the while: the island's views
// reached by their moves, the temple's, the sky's, the canoe's and the web's ways by jumps.
TEST(DemoContent, EveryPlaceOfTheDemoIsHeard) {
    ProgramRun run;
    auto heard = [](const char* view) {
        return Do([view] {
            const BruitageSlotInfo slot = OrvSound_GetBruitageSlot(0);
            ASSERT_NE(slot.ref, nullptr) << view;
            ASSERT_NE(slot.ref->son, nullptr) << view;
            EXPECT_GE(std::max(slot.ref->son->pos.leftLevel, slot.ref->son->pos.rightLevel), 100) << view;
        });
    };
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, {Read(1), Arrive("IR1"), WaitFor(NoisePlays), heard("IR1"), ListenIn("IR1")});
    Append(run.steps, ClickZone(MoveTo(3)));
    Append(run.steps, {Arrive("IR3"), WaitFor(NoisePlays), heard("IR3"), ListenIn("IR3")});
    Append(run.steps, ClickZone(MoveTo(1)));
    run.steps.push_back(Arrive("IR1"));
    Append(run.steps, ClickZone(MoveTo(4)));
    Append(run.steps, {Arrive("IR4"), WaitFor(NoisePlays), heard("IR4"), ListenIn("IR4")});
    // Every view of the temple's world and the web's views before its cells, where the spiders walk.
    int places = 0;
    for (const auto& [wam, world] : {std::pair{DEMO_WAM_YU, DemoWorld_Yu()}, std::pair{DEMO_WAM_TOILE, DemoToile_World()}})
        for (const WamLieuDesc& lieu : world.lieux)
            for (const WamVueDesc& v : lieu.vues)
                if (wam == DEMO_WAM_YU || v.id <= SPIDERWEB_WAY_200) {
                    const std::string name = v.name.substr(0, 2) + std::to_string(v.id);
                    Append(run.steps, {Do([wam = wam, id = v.id] { OrvWam_RequestWorld(wam, id, false); }),
                                       ArriveReading(name), ListenIn(name)});
                    places++;
                }
    EXPECT_GE(places, 9);
    Append(run.steps, QuitThroughTheCredits());
    run.PlayThrough();
}
