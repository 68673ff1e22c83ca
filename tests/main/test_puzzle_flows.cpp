// Puzzles played with the whole program, headless: the cross saved where it lies, the blackbirds left by
// every way out, the poet's subjects however many, the rod across loads, the empty sky, and the spider's
// web and the canoe from a new game to a save, a load and the exit.
#include <cstring>
#include <filesystem>
#include <memory>

#include "ProgramRun.h"
#include "app/Orv_File.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Muzik.h"
#include "dialogue/Orv_DialSujets.h"
#include "dialogue/dlg_Dialog.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_MenuHooks.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_baton.h"
#include "puzzles/pz_crane.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_merle.h"
#include "puzzles/pz_pirogue.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoMenus.h"
#include "testdata/DemoWorld.h"
#include "testdata/DialogueWriter.h"
#include "testdata/KsnWriter.h"
#include "testdata/PuzzleViews.h"
#include "testdata/SpiderWeb.h"
#include "tests/support/LookTurn.h"
#include "tests/support/ZoneAim.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/Orv_Msg.h"
#include "world/wam.h"

namespace fs = std::filesystem;

namespace {

int32_t Var(const char* name) { return Interp_ReadVar(name); }
int32_t Object(const char* name) { return DefName_GetIdName(DEFNAME_OBJETS, name); }

// The view puzzles' installation has no intro: its sound is missing when the program starts.
constexpr const char* kNoIntro = "lecture impossible fichier";

// ---- the view puzzles' installation ----

// The poet's lines, one voice-over each (no voice: each waits for a click).
void WritePoetLines(const std::string& dir) {
    DlgScriptDesc d;
    DlgPersoDesc hero, poet;
    hero.name = "H1";
    hero.mesh = "h1";
    poet.name = "Poete";
    poet.mesh = "po";
    d.persos = {hero, poet};
    for (int n = 90; n <= 99; ++n) d.lines.push_back(DlgScript_Reply(n, 1, "Poete", "voixoff", "Le merle chante."));
    ASSERT_TRUE(DlgScript_Save(dir, "IR", d));
}

// The view puzzles' worlds behind the menus, the cross, the rod and a fourth subject for the poet in the
// bag and the scenario's reach, a new game starting in `view`; with `music`, a music plays from the start.
std::function<void(const std::string&)> PuzzleInstall(uint32_t view, bool music = false) {
    return [view, music](const std::string& path) {
        const std::string dir = path.back() == '/' ? path : path + "/";
        std::string error;
        ASSERT_TRUE(DemoMenus_Write(dir, &error, 64, 48)) << error;
        for (int cd = 1; cd <= 4; cd++) ASSERT_TRUE(WriteFileText(dir + cd_probe_name(cd), "cd"));
        std::string init = "(sacados=CROIX_BRIGID)(sacados=BATON_SOURCE)(NEARW77=3)";
        if (music) {
            fs::create_directories(dir + "datas_q2/ksn/music");
            ASSERT_TRUE(KsnWriter_Save(dir + "datas_q2/ksn/music/muzik01.ksn", KsnWriter_TestSignal(22050 * 6, 2, 3), 2,
                                       22050, {0}));
            init += "(MUSIQUE=1)";
        }
        ASSERT_TRUE(PuzzleViews_Write(dir, view, &error, {init})) << error;
        WritePoetLines(dir);
    };
}

// The player page's first player starts a new game in `view` of the view puzzles' world.
std::vector<Step> NewPuzzleGame(uint32_t view) {
    return {WaitFor([] { return PageShows("b_gala.spr"); }), ClickWidget("b_gala.spr"),
            Arrive("IR" + std::to_string(view))};
}

// ---- the blackbirds of IR 73 ----

int32_t Poet() { return DefName_GetIdName(DEFNAME_PERSONNAGES, "POETE_ASSIS"); }

// Turns onto the poet until his panel opens.
Step PointAtThePoet() {
    return [] {
        if (OrvWarp_SubjectPanelOpen) return Interp_GetEngineVar(IV_CLICPERSO) == Poet();
        const int32_t slot = OrvSpw_FindSlot(Poet(), WAM_PERSO);
        float yaw, pitch;
        if (Idle() && slot >= 0 && SpriteMiddle(OrvSpw_Visibles[slot], &yaw, &pitch)) TurnViewTowards(yaw, pitch);
        return false;
    };
}

// A click in cell `cell` of the panel as last drawn, `dy` pixels below the top of the cell's hit square.
Step ClickPanelCell(int cell, int dy) {
    return [cell, dy] {
        int32_t x, y;
        OrvDial_GetPanelOrigin(&x, &y);
        return ClickPoint(x + DLG_PANEL_CELL / 2 - DLG_PANEL_HIT_SHIFT,
                          y - DLG_PANEL_HIT_SHIFT + DLG_PANEL_CELL * cell + dy)();
    };
}

// The poet's line: a click on one of his subjects arms the game, a click on his subject `cell` speaks
// (his line is a dialogue, clicked away).
std::vector<Step> ThePoetSpeaks(int cell, int dy) {
    return {PointAtThePoet(),
            WaitFor([] { return merle_etat == MERLE_POETE || OrvWarp_SubjectPanelOpen; }),
            [] { return merle_etat == MERLE_POETE || ClickPanelCell(0, 31)(); },
            WaitFor([] { return merle_etat == MERLE_POETE; }),
            PointAtThePoet(),
            ClickPanelCell(cell, dy),
            WaitFor([] { return Loop() == LOOP_DIALOGUE && dlg_TheDialog()->GetCurrentReplique(); }),
            Click(),
            WaitFor([] { return Idle() && merle_etat == MERLE_ECOUTE && merle_choix == 1; })};
}

// Nothing of the blackbirds is left: no game, no offer, no sound.
void ExpectBlackbirdsLeft(const char* how) {
    SCOPED_TRACE(how);
    EXPECT_EQ(merle_etat, MERLE_ATTENTE);
    EXPECT_EQ(merle_choix, 0);
    EXPECT_FALSE(pz_merle_oiseaux());
    for (int32_t id : merle_son) EXPECT_EQ(id, -1);
    EXPECT_EQ(merle_son_bon, -1);
    EXPECT_EQ(merle_son_faux, -1);
}

// The music plays at its full volume.
bool MusicAtFull() { return OrvMuzik_GetState() == MUZIK_PLAYING && OrvMuzik_GetCurrentVol() == OrvMuzik_GetMaxVol(); }

// In IR 73 with a music playing, the poet's line spoken: the birds are offered, and the music is lowered
// as his line lowers it under the voices.
std::vector<Step> TheBirdsOfferedUnderALoweredMusic() {
    std::vector<Step> steps = {WaitFor(MusicAtFull)};
    Append(steps, ThePoetSpeaks(1, 31));
    Append(steps, {Do([] { OrvMuzik_SetVolumePercent(16); }),
                   WaitFor([] { return OrvMuzik_GetCurrentVol() == OrvMuzik_GetMaxVol() * 16 / 100; }),
                   Do([] { ASSERT_TRUE(pz_merle_oiseaux()); })});
    return steps;
}

// Pointing at a move zone draws the move pointer.
Step MovePointerOn(uint32_t zone) {
    return [zone, drawn = ExpectPointer(WAM_ZONE_NEXTVUE, "the move pointer")] { return TurnToZone(zone)() && drawn(); };
}

// The cross chosen from the bag, laid on its zone of IR 2 and taken back: the puzzle's cursor shows it.
std::vector<Step> TakeTheCrossBack() {
    std::vector<Step> steps = ChooseFromTheBag("CROIX_BRIGID");
    Append(steps, {TurnToZone(PUZZLE_CROSS_ZONE), ClickView(), WaitFor([] { return croix_etat != 0; }), ClickView(),
                   WaitFor([] { return croix_etat == 0; }), ExpectHeld("CROIX_BRIGID")});
    return steps;
}

// The cross laid on zone `zone`, saved, taken back, loaded onto its zone again and taken back: `listed` says
// what the cross sprite's frame list holds while it lies there.
void LayTheCrossSaveLoadAndTakeItBack(uint32_t zone, uint8_t listed, const std::vector<std::string>& reports) {
    ProgramRun run(PuzzleInstall(2));
    Append(run.steps, NewPuzzleGame(2));
    Append(run.steps, ChooseFromTheBag("CROIX_BRIGID"));
    Append(run.steps, {TurnToZone(zone), ClickView(), WaitFor([] { return croix_etat != 0; }), Do([zone] {
                           EXPECT_EQ(croix_etat, int32_t(zone));
                           EXPECT_FALSE(Inventaire_IsObjetInSac("CROIX_BRIGID"));
                           EXPECT_EQ(Var("FINCROIX"), 0);
                       })});
    Append(run.steps, SaveGame());
    // Taken back, then the save is loaded: the cross lies on its zone again.
    Append(run.steps, {ClickView(), WaitFor([] { return croix_etat == 0; }),
                       Do([] { EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), Object("CROIX_BRIGID")); })});
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR2"), Do([zone, listed] {
                           EXPECT_EQ(croix_etat, int32_t(zone));
                           EXPECT_FALSE(Inventaire_IsObjetInSac("CROIX_BRIGID"));
                           const int32_t sprite = OrvSpw_FindSlot(Object("CROIXBRIGIT_SPRITE"), WAM_OBJET);
                           ASSERT_GE(sprite, 0);
                           EXPECT_EQ(OrvSpw_Visibles[sprite].frame_tab[0], listed);
                       }),
                       TurnToZone(zone), ClickView(), WaitFor([] { return croix_etat == 0; }), Do([] {
                           EXPECT_TRUE(Inventaire_IsObjetInSac("CROIX_BRIGID"));
                           EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), Object("CROIX_BRIGID"));
                       })});
    run.PlayToTheEnd(reports);
}

}  // namespace

// Laid on an unnamed zone whose id lies past the names, the cross is saved, loaded and taken back.
TEST(PuzzleFlows, TheCrossOnAnyZoneIsSavedLoadedAndTakenBack) {
    LayTheCrossSaveLoadAndTakeItBack(PUZZLE_CROSS_ZONE, PUZZLE_CROSS_ZONE - 1, {kNoIntro});
}

// On a zone whose id reads negative the cross has no frame: it lies there unseen, reported once when laid
// and not at each entry, and is saved, loaded and taken back as on any zone.
TEST(PuzzleFlows, TheCrossOnAZoneWhoseIdReadsNegativeIsSavedLoadedAndTakenBack) {
    LayTheCrossSaveLoadAndTakeItBack(PUZZLE_CROSS_ZONE_HIGH, SPW_FRAME_FREE,
                                     {kNoIntro, "zone 4294967295 sans image de la croix"});
}

// The cross taken back is the pointer only while it is held: the knife chosen from the bag, and a jump with the
// hand emptied by the scenario, each bring the move pointer back.
TEST(PuzzleFlows, TheCrossTakenBackIsThePointerOnlyWhileHeld) {
    ProgramRun run(PuzzleInstall(2));
    Append(run.steps, NewPuzzleGame(2));
    run.steps.push_back(Do([] { RunOneCommand("(sacados=COUTEAU_AILILL)"); }));
    Append(run.steps, TakeTheCrossBack());
    Append(run.steps, ChooseFromTheBag("COUTEAU_AILILL"));
    run.steps.push_back(MovePointerOn(7));
    Append(run.steps, TakeTheCrossBack());
    Append(run.steps, {Do([] { RunOneCommand("(OBJETENMAIN=0)"), RunOneCommand("(NEXTVUE=7)"); }), Arrive("IR7"), MovePointerOn(2)});
    run.PlayToTheEnd({kNoIntro});
}

// While the birds are offered the player leaves IR 73 by its move zone, by a jump, by a load and by a new
// game: each time the game, the offer, the pointer and the sounds go back, and the zone pointer shows again.
TEST(PuzzleFlows, TheBlackbirdsEndByEveryWayOutOfTheirView) {
    ProgramRun run(PuzzleInstall(6));
    run.maxPasses = 20000;
    Append(run.steps, NewPuzzleGame(6));
    Append(run.steps, SaveGame());
    const std::vector<Step> toThePoet = {MovePointerOn(73), ClickView(), Arrive("IR73")};
    // The move zone.
    Append(run.steps, toThePoet);
    Append(run.steps, ThePoetSpeaks(1, 31));
    Append(run.steps, {Do([] { EXPECT_TRUE(PointerDrawn(0)) << "no zone pointer while offered"; }),
                       TurnToZone(6), ClickView(), Arrive("IR6"), Do([] { ExpectBlackbirdsLeft("move zone"); })});
    // A jump of the scenario.
    Append(run.steps, toThePoet);
    Append(run.steps, ThePoetSpeaks(1, 31));
    Append(run.steps, {Do([] { RunOneCommand("(NEXTVUE=7)"); }), Arrive("IR7"), Do([] { ExpectBlackbirdsLeft("jump"); }),
                       MovePointerOn(2)});
    // A load.
    Append(run.steps, {Do([] { RunOneCommand("(NEXTVUE=73)"); }), Arrive("IR73")});
    Append(run.steps, ThePoetSpeaks(1, 31));
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR6"), Do([] { ExpectBlackbirdsLeft("load"); })});
    // A new game, as the player page starts one.
    Append(run.steps, toThePoet);
    Append(run.steps, ThePoetSpeaks(1, 31));
    Append(run.steps, {Do([] { ASSERT_TRUE(MenuHooks.Interp_RunInit()); }), Arrive("IR6"),
                       Do([] { ExpectBlackbirdsLeft("new game"); })});
    Append(run.steps, toThePoet);
    run.PlayToTheEnd({kNoIntro});
}

// The birds offered under a lowered music, then a load into their view: the puzzles' quit gives back the
// birds' songs and the music's volume, and the view's entry starts the blackbirds afresh. Offered again, the
// program's end gives them back after the sound has closed, with nothing reported and nothing left.
TEST(PuzzleFlows, ALoadIntoTheBlackbirdsViewAndTheProgramsEndRestoreTheirSongsAndTheMusic) {
    ProgramRun run(PuzzleInstall(73, true));
    Append(run.steps, NewPuzzleGame(73));
    Append(run.steps, SaveGame());
    Append(run.steps, TheBirdsOfferedUnderALoweredMusic());
    Append(run.steps, LoadNewestGame());
    auto passes = std::make_shared<int>(0);
    Append(run.steps, {Arrive("IR73"), WaitFor([passes] { return ++*passes > 60; }), Do([] {
                           EXPECT_NE(merle_son_bon, -1);
                           EXPECT_NE(merle_son_faux, -1);
                           for (int32_t id : merle_son) EXPECT_EQ(id, -1);
                           EXPECT_EQ(OrvSpr_get_curseur_bank(), Interface_GetBank());
                           EXPECT_TRUE(MusicAtFull()) << OrvMuzik_GetCurrentVol();
                       })});
    Append(run.steps, TheBirdsOfferedUnderALoweredMusic());
    run.PlayToTheEnd({kNoIntro});
    ExpectBlackbirdsLeft("the program's end");
}

// The poet's three cells are hit where his panel draws his subjects, which stand higher the more he has:
// with two, the second one hit low; with four, the fourth is none of his three cells, the first one hit high.
TEST(PuzzleFlows, ThePoetsCellsFollowHisPanelForTwoSubjectsOrFour) {
    ProgramRun run(PuzzleInstall(73));
    run.maxPasses = 12000;
    Append(run.steps, NewPuzzleGame(73));
    Append(run.steps, {Do([] { RunOneCommand("(KILLSUJ=POETE_ASSIS,POEME_NUIT)"); })});
    Append(run.steps, ThePoetSpeaks(1, DLG_PANEL_CELL - 7));
    // Away and back: a new game of the birds.
    Append(run.steps, {TurnToZone(6), ClickView(), Arrive("IR6"), MovePointerOn(73), ClickView(), Arrive("IR73")});
    Append(run.steps, {Do([] {
                           RunOneCommand((std::string("(ENABLESUJ=POETE_ASSIS,POEME_NUIT,") + PUZZLE_POET_SUBJECT_FOURTH + ")").c_str());
                           EXPECT_EQ(OrvDial_CountSubjects(Poet()), 4);
                       }),
                       PointAtThePoet(), ClickPanelCell(0, DLG_PANEL_CELL / 2),
                       WaitFor([] { return merle_etat == MERLE_POETE; }), PointAtThePoet(),
                       ClickPanelCell(3, DLG_PANEL_CELL / 2)});
    auto passes = std::make_shared<int>(0);
    Append(run.steps, {WaitFor([passes] {
                           EXPECT_NE(Loop(), LOOP_DIALOGUE) << "the fourth subject is not one of the poet's cells";
                           return ++*passes > 30;
                       }),
                       Do([] { EXPECT_EQ(merle_etat, MERLE_POETE); })});
    Append(run.steps, ThePoetSpeaks(0, 4));
    run.PlayToTheEnd({kNoIntro});
}

// Only the bag raises the rod: a load finds it down, and "SOURCIER" says so, whatever the save holds.
TEST(PuzzleFlows, AfterALoadTheRodAndSourcierAgree) {
    ProgramRun run(PuzzleInstall(7));
    Append(run.steps, NewPuzzleGame(7));
    // Saved down, loaded over the raised rod.
    Append(run.steps, SaveGame());
    Append(run.steps, ChooseFromTheBag("BATON_SOURCE"));
    Append(run.steps, {WaitFor([] { return baton_up == 1 && Var("SOURCIER") == 1 && baton_SprNum != 0; })});
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR7"), Do([] {
                           EXPECT_EQ(baton_up, 0) << "the rod went down with the game it belonged to";
                           EXPECT_EQ(baton_SprBank, nullptr);
                           EXPECT_EQ(Var("SOURCIER"), 0);
                       })});
    // Saved raised, loaded over the lowered rod.
    Append(run.steps, ChooseFromTheBag("BATON_SOURCE"));
    Append(run.steps, SaveGame());
    Append(run.steps, {WaitFor([] { return baton_up == 1 && Var("SOURCIER") == 1; }),
                       [] {
                           Input_InjectButton(MOUSE_RIGHT, true);  // the bag opens and puts the rod down
                           Input_InjectButton(MOUSE_RIGHT, false);
                           return true;
                       },
                       WaitFor([] { return Inventaire_Shown != 0 && baton_up == 0; }), ClickPoint(2, 2)});
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR7"), Do([] {
                           EXPECT_EQ(baton_up, 0);
                           EXPECT_EQ(Var("SOURCIER"), 0) << "no rod is up";
                       })});
    run.PlayToTheEnd({kNoIntro});
}

// The sky of YU 121 draws no star before one is laid, nor once the last one is taken back.
TEST(PuzzleFlows, TheEmptySkyDrawsNoStar) {
    ProgramRun run;
    const auto skyDrawn = [] {
        const int32_t slot = OrvSpw_FindSlot(Object("Etoiles_Puz"), WAM_OBJET);
        return slot >= 0 && OrvSpw_Visibles[slot].drawn.left <= OrvSpw_Visibles[slot].drawn.right;
    };
    auto passes = std::make_shared<int>(0);
    const auto nothingDrawnFor = [skyDrawn, passes](const char* when) {
        return WaitFor([skyDrawn, passes, when] {
            EXPECT_FALSE(skyDrawn()) << when;
            return ++*passes % 20 == 0;
        });
    };
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, {Read(1), Arrive("IR1"), Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, DEMO_STARS_VIEW, false); }),
                       Read(9), Arrive("YU121"), nothingDrawnFor("entered")});
    Append(run.steps, ChooseFromTheBag("ETOILE102"));
    Append(run.steps, {TurnToZone(5), ClickView(), WaitFor(skyDrawn), Do([] { EXPECT_EQ(Var("etat_etoile5"), Object("ETOILE102")); }),
                       ClickView(), WaitFor([] { return Var("etat_etoile5") == 0; }), nothingDrawnFor("the last star taken back"),
                       Do([] { EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), Object("ETOILE102")); })});
    run.PlayToTheEnd();
}

// ---- the spider's web and the canoe of the demo ----

// From a new game to the web by the temple's link: the caterpillar's errand won, the grasshopper's lost to
// the spider with its video, then a save before the web, a load that resumes there, and the exit.
TEST(PuzzleFlows, TheSpidersWebIsWonLostSavedAndLoaded) {
    ProgramRun run;
    run.maxPasses = 60000;
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    Append(run.steps, {TurnToZone(DEMO_LIEN_TO_TOILE), ClickView(), Read(11), Read(DEMO_WEB_RULES_PAGE2[0]), Arrive("YU198"), Do([] {
                           EXPECT_EQ(pz_actif, PZ_ARAIG);
                           EXPECT_EQ(araig_stage, 1);
                           EXPECT_TRUE(Inventaire_IsObjetInSac("PLUME"));
                       })});
    // The caterpillar: in by 199 and 213, to the centre and out by 215 and 200.
    Append(run.steps, Walk({SPIDERWEB_WAY_199, 213}));
    run.steps.push_back(Do([] { EXPECT_TRUE(araig_running); }));
    Append(run.steps, Walk({214, 231, 214, 213, 230, 247, 264, 265, 250, 233, 232, 215}));
    Append(run.steps, ClickToward(SPIDERWEB_WAY_200));
    Append(run.steps, {Read(12), Read(DEMO_WEB_RULES_PAGE2[1]), Arrive("YU200"), Do([] {
                           EXPECT_EQ(Var("finaraign1"), 1);
                           EXPECT_TRUE(Inventaire_IsObjetInSac("CHENILLE"));
                           EXPECT_FALSE(araig_running);
                       })});
    // The grasshopper: a click toward the spider's cell, and the run is lost.
    Append(run.steps, Walk({215, 232}));
    Append(run.steps, {Do([] {
                           EXPECT_TRUE(araig_running);
                           EXPECT_EQ(araig_stage, 2);
                       }),
                       [] { return TurnToZone(uint32_t(araig_actors[0].from), 0.1f)(); }, ClickView(), WaitFor([] { return !araig_running; }), WaitFor([] { return Loop() == LOOP_QMV; }),
                       Arrive("YU199"), Do([] {
                           EXPECT_EQ(Var("finaraign2"), 0);
                           EXPECT_FALSE(Inventaire_IsObjetInSac("SAUTERELLE"));
                           EXPECT_EQ(pz_actif, PZ_ARAIG);
                       })});
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("YU198"), Do([] {
                           EXPECT_EQ(pz_actif, PZ_ARAIG);
                           EXPECT_EQ(araig_stage, 2);
                           EXPECT_FALSE(araig_running);
                           EXPECT_TRUE(Inventaire_IsObjetInSac("CHENILLE"));
                       })});
    run.PlayToTheEnd();
}

// From a new game to the canoe of YU 402: the board put right, the river paddled to "finpirogue" and the
// view past it, then a save, a load and the exit.
TEST(PuzzleFlows, TheCanoeIsPlayedToItsEndSavedAndLoaded) {
    ProgramRun run;
    run.maxPasses = 30000;
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 3, "YU3"));
    Append(run.steps, {TurnToZone(DEMO_CANOE_VIEW), ClickView(), Read(DEMO_CANOE_RULES_MESSAGE), Arrive("YU402"),
                       [] {
                           const uint32_t start = uint32_t(DefName_GetIdName(DEFNAME_ZONES_CLIC, "ZONE_PIROGUE"));
                           return TurnToZone(start)();
                       },
                       ClickView(), WaitFor([] { return Loop() == LOOP_PIROGUE; }), SolveTheCanoeBoard(),
                       WaitFor([] { return Loop() == LOOP_WARP; }), Do([] {
                           EXPECT_EQ(Var("finpirogue"), 1);
                           EXPECT_EQ(pz_pirogue_en_cours, 0);
                       }),
                       Read(DEMO_CANOE_MESSAGE), Arrive("YU" + std::to_string(DEMO_CANOE_AFTER))});
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("YU" + std::to_string(DEMO_CANOE_AFTER)), Do([] {
                           EXPECT_EQ(Var("finpirogue"), 1);
                           EXPECT_EQ(Loop(), LOOP_WARP);
                       })});
    run.PlayToTheEnd();
}

// A save taken with the poet's panel open loads with the panel closed and nobody being talked to: a click
// in IR 73 away from the poet then starts no game of the birds.
TEST(PuzzleFlows, ASaveTakenOverThePoetsPanelLoadsWithNobodyTalkedTo) {
    ProgramRun run(PuzzleInstall(73));
    Append(run.steps, NewPuzzleGame(73));
    Append(run.steps, {PointAtThePoet()});
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    auto passes = std::make_shared<int>(0);
    Append(run.steps, {Arrive("IR73"),
                       // Away from the poet, below the move zone, without passing him.
                       Turn(-WARP_PI / 2, -0.6f),
                       WaitFor([] { return Idle() && Interface_GetCurseurKind() == 0 && OrvSpw_PointerOver == 0; }),
                       ClickView(), WaitFor([passes] { return ++*passes > 10; }), Do([] {
                           EXPECT_EQ(merle_etat, MERLE_ATTENTE) << "the click started the poet's game";
                           EXPECT_FALSE(OrvWarp_SubjectPanelOpen);
                       })});
    run.PlayToTheEnd({kNoIntro});
}
