// The dispatcher's rows and the click routing around them: taken clicks, disabled zones, aborted
// departures, sprite clicks, the canoe, the statue of Tez, and the program's links.
#include "PuzzleFixture.h"
#include "puzzles/pz_etoile.h"
#include "puzzles/pz_maya.h"

namespace {
int g_panelFor = -1, g_batonDowns = 0;

class DispatchTest : public PuzzleTest {
protected:
    enum : uint32_t { Z_CANOE = 1, Z_TEZ = 2 };

    void SetUp() override {
        PuzzleTest::SetUp();
        g_panelFor = -1;
        g_batonDowns = 0;
        names.personnages.push_back("TEZ_STATUE");
        for (const char* o : {"Etoiles_Puz", "ETOILE102 1", "ETOILE115 1", "SPW_BASE5A", "PIROGUE"}) names.objets.push_back(o);
        Names(names.variables, "etat_etoile%d", 0, 16);
        for (const char* v : {"etoiles_fini", "Etoiles_JustFinished", "pz_etoile_started", "enable_pz_pirog", "resetmaya1"})
            names.variables.push_back(v);
        names.zones.push_back("ZONE_CANOE");
        names.zones.push_back("ClicTezStatue");
        // YU 121: a star place, the same place disabled; YU 55: a board and a way out; YU 402: the canoe's
        // zone, and a clickable canoe sprite in front of its own zone; YU 122: the statue of Tez.
        WamVueDesc& stars = View("YU", 121);
        Zone(stars, 50, 4, "", 0.0f);
        Zone(stars, 50 + 88888, 5, "", 0.6f);
        Element(2, "Etoiles_Puz", "CIEL", {Anim(1, 121, 16)});
        WamVueDesc& board = View("YU", 55);
        Zone(board, 50, 17, "", 0.0f);
        Zone(board, 1, 121, "", 1.0f);
        Element(2, "SPW_BASE5A", "BASA", {Anim(1, 55, 79)});
        WamVueDesc& canoe = View("YU", 402);
        Zone(canoe, 3, Z_CANOE, "ZONE_CANOE", 0.0f);
        // The canoe sprite, 64 pixels from x 24 of face 0, is centred on the direction of this zone.
        Zone(canoe, 3, Z_CANOE, "ZONE_CANOE", std::atan(56.0f / 256.0f - 1.0f));
        Element(2, "PIROGUE", "PIRO", {WamAnimDesc{'a', 1, 402, 1, 0, 0, 0, 24, 224}});
        Zone(View("YU", 122), 3, Z_TEZ, "ClicTezStatue", 0.0f);
        chapter.Block("DEPARTVUE!=0", {"(ABORTDEPART=0)"});
        chapter.Vue("YU", 402);
        chapter.Block("CLICZONE=ZONE_CANOE", {"(flag1=1)"});
        chapter.Vue("YU", 55);
        chapter.Block("DEPARTVUE!=0 & flag5=1", {"(ABORTDEPART=1)"});
        Start();
        OrvHooks.OrvDial_OpenSubjectPanel = [](int32_t id) { g_panelFor = id; };
    }
};
}  // namespace

TEST_F(DispatchTest, TheCanoeClickIsSwallowedUntilItIsEnabledAndAFailedStartLetsItThrough) {
    Go("YU", 402);
    Click(0);
    EXPECT_EQ(Interp_Flags[1], 0) << "no CLICZONE: the scenario never sees the click";
    EXPECT_EQ(pz_pirogue_en_cours, 0);
    // Over the clickable canoe sprite the click is the scenario's whatever the puzzles say.
    Click(1);
    EXPECT_EQ(Interp_Flags[1], 1);
    Interp_Flags[1] = 0;
    // Enabled: the canoe cannot start yet, the click goes on as a scenario click.
    Interp_WriteVar("enable_pz_pirog", 1);
    Click(0);
    EXPECT_EQ(Interp_Flags[1], 1);
    EXPECT_EQ(OrvWarp_GetLoopType(), LOOP_WARP);
    EXPECT_EQ(pz_pirogue_en_cours, 0);
    EXPECT_FALSE(pz_pirogue_start(2)) << "only canoe 1";
}

TEST_F(DispatchTest, TheCanoeFrameRunsInItsLoopTypeAndGivesTheLoopBack) {
    pz_pirogue_en_cours = 1;
    pz_pirogue_old_looptype = LOOP_WARP;
    OrvMain_SetLoopType(LOOP_PIROGUE);
    EXPECT_FALSE(pz_pirogue_start(1)) << "already running";
    OrvMain_LoopFrame();
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_EQ(pz_pirogue_en_cours, 0);
    EXPECT_FALSE(pz_pirogue_frame());
    EXPECT_EQ(LoopType, LOOP_WARP);
}

TEST_F(DispatchTest, QuittingEveryPuzzleEndsTheCanoesRun) {
    pz_pirogue_en_cours = 1;
    pz_quit_all();
    EXPECT_EQ(pz_pirogue_en_cours, 0);
}

TEST_F(DispatchTest, DisabledZonesReachNoPuzzle) {
    Go("YU", 121);
    Hold("ETOILE102");
    Click(ZoneIndex(50 + 88888, 5));
    EXPECT_EQ(pz_etoile_get_etat(5), 0);
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("ETOILE102"));
    Click(ZoneIndex(50, 4));
    EXPECT_EQ(pz_etoile_get_etat(4), Obj("ETOILE102"));
}

TEST_F(DispatchTest, AnAbortedDepartureLeavesTheBoardRunning) {
    Go("YU", 55);
    Click(ZoneIndex(50, 17));
    EXPECT_EQ(nb_billes_en_main, 1);
    Interp_Flags[5] = 1;
    Click(ZoneIndex(1, 121));
    EXPECT_EQ(OrvWam_CurrentVue->id, 55u);
    EXPECT_EQ(pz_actif, PZ_MAYA) << "the board's check never ran";
    EXPECT_EQ(maya_etat[0], 1);
    Interp_Flags[5] = 0;
    Click(ZoneIndex(1, 121));
    EXPECT_EQ(OrvWam_CurrentVue->id, 121u);
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(maya_etat[0], 0);
    EXPECT_EQ(nb_billes_en_main, 0);
}

TEST_F(DispatchTest, TheStatueOfTezTalksLikeACharacterWhileShown) {
    const int32_t tez = DefName_GetIdName(DEFNAME_PERSONNAGES, "TEZ_STATUE");
    Go("YU", 122);
    Elem_Hide(tez, WAM_PERSO, 0);
    Click(0);
    EXPECT_EQ(g_panelFor, -1);
    EXPECT_EQ(Var("CLICPERSO"), 0);
    Elem_Show(tez, WAM_PERSO, 0);
    Click(0);
    EXPECT_EQ(g_panelFor, tez);
    EXPECT_EQ(Var("CLICPERSO"), tez);
    EXPECT_EQ(OrvSpr_get_curseur_bank(), Interface_GetBank());
    EXPECT_EQ(OrvSpr_get_curseur_sprite(), INTERFACE_ARROW_SPRITE);
}

TEST_F(DispatchTest, TheProgramsLinksReachThePuzzlesTheInventoryAndTheVideos) {
    OrvHooks.BatonDown = [] { g_batonDowns++; };
    Inventaire_Show();
    EXPECT_EQ(g_batonDowns, 1) << "opening the inventory lowers the rod";
    Inventaire_Hide();
    // Choosing an object that no module takes puts it in the hand.
    Inventaire_PrendObj_id_nspr(Obj("ETOILE115"), 1);
    Inventaire_Choisit(0);
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("ETOILE115"));
    // "(cinema=n)" asks the player for "cineNNN.qmv"; a missing one is reported.
    OrvMain_InstallLinks();
    EXPECT_TRUE(RunOneCommand("(cinema=24)"));
    EXPECT_TRUE(Warned("cinema=24 : vidéo cine024.qmv absente")) << Reports();
    EXPECT_EQ(OrvHooks.pz_gere_clic, &pz_gere_clic);
    EXPECT_EQ(OrvHooks.pz_entree_vue, &pz_entree_vue);
}
